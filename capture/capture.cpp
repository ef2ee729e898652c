// STUB
#include "capture/capture.h"
wchar_t outputPath[kPathCapacity];
void captureAndSave(HWND, const wchar_t*) {}
int waitMilliseconds(DWORD) { return 1; }
