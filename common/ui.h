// Small helpers for the chores repeated by every window: message boxes and check boxes.
#ifndef GLIMRA_UI_H
#define GLIMRA_UI_H

#include <windows.h>

// A message box captioned with the window title (string 104).
int showMessage(HWND owner, const wchar_t* text, UINT flags);
// The same with its text formatted (%ls and %d) into a message-sized buffer.
int showFormattedMessage(HWND owner, UINT flags, const wchar_t* format, ...);

// Any state but unchecked counts as ticked, as every reader of a setting tests against zero.
bool isChecked(HWND dialog, int id);
void setChecked(HWND dialog, int id, int state);

#endif
