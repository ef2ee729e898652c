// The one helper that shows a message box, and the check-box chores every window repeats. This
// floor sits above state/ and capture/, so only app/ and dialogs/ can include it: the floors below
// report what happened and never talk to the user themselves.
#ifndef GLIMRA_UI_H
#define GLIMRA_UI_H

#include <windows.h>

// A box captioned with the window title (string 104) showing the string-table entry textId.
// Each returns the button pressed.
int showMessage(HWND owner, UINT textId, UINT flags);
// The same, with the entry's one %ls filled with name.
int showMessage(HWND owner, UINT textId, UINT flags, const wchar_t* name);

// A caption of its own, for the two boxes that do not bear the title.
struct Caption {
    UINT textId;
};
// A text made at run time under that caption; a nonzero iconId shows that icon of the program in
// place of the system's.
int showMessage(HWND owner, Caption caption, const wchar_t* text, UINT flags, int iconId = 0);

// A string-table entry, cut to the buffer; empty where there is none.
void loadText(UINT id, wchar_t* buffer, int capacity);

// Any state but unchecked counts as ticked, as every reader of a setting tests against zero.
bool isChecked(HWND dialog, int id);
void setChecked(HWND dialog, int id, int state);

#endif
