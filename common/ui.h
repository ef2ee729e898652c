// The one helper that shows a message box, and the check-box chores every window repeats. Only
// app/ and dialogs/ call showMessage; the floors below report what happened to them.
#ifndef GLIMRA_UI_H
#define GLIMRA_UI_H

#include <windows.h>

// The string-table entry textId, each %ls in it filled with the next wide-string argument, in a
// box captioned with the window title (string 104). Returns the button pressed.
int showMessage(HWND owner, UINT textId, UINT flags, ...);

// A string-table entry, cut to the buffer; empty where there is none.
void loadText(UINT id, wchar_t* buffer, int capacity);

// Any state but unchecked counts as ticked, as every reader of a setting tests against zero.
bool isChecked(HWND dialog, int id);
void setChecked(HWND dialog, int id, int state);

#endif
