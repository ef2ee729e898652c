// STUB
#include "state/state.h"
void loadSettings() {}
void saveSettings() {}
void formatSettingValue(wchar_t* buffer, size_t, int) { buffer[0] = 0; }
