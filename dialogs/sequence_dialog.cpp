// STUB
#include "dialogs/dialogs.h"
INT_PTR CALLBACK sequenceDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
