// STUB
#include "dialogs/dialogs.h"
void browseForFolder(wchar_t*, HWND, const wchar_t*) {}
int CALLBACK browseCallbackProc(HWND, UINT, LPARAM, LPARAM) { return 0; }
