// STUB
#include "dialogs/dialogs.h"
WindowEntry windowTable[kWindowTableRows];
int fillWindowList(HWND) { return 0; }
INT_PTR CALLBACK windowPickerProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
