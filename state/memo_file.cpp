// STUB
#include "state/state.h"
wchar_t memoText[kMemoCapacity];
char memoBytes[kMemoBytesCapacity];
int loadMemo() { return 1; }
int storeMemo() { return 1; }
void rememberStartupMemo() {}
bool memoUnchangedSinceStartup() { return true; }
void takeMemoFromPanel() {}
