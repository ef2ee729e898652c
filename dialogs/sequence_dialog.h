// The sequence-number dialog: dialog 107, which sets the running number.
#ifndef GLIMRA_SEQUENCE_DIALOG_H
#define GLIMRA_SEQUENCE_DIALOG_H

#include <windows.h>

// Ends with 1 after OK (the counter set) and 0 after Cancel. The up-down control's class must
// be registered (InitCommonControls, at start-up) before the dialog is created.
INT_PTR CALLBACK sequenceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
