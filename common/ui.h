// Small helpers for the chores repeated everywhere: message boxes, check boxes, bounded text.
#ifndef GLIMRA_UI_H
#define GLIMRA_UI_H

#include <windows.h>

// A message box captioned with the window title (string 104).
int showMessage(HWND owner, const wchar_t* text, UINT flags);

bool isChecked(HWND dialog, int id);
void setChecked(HWND dialog, int id, int state);

// Bounded copy and append: true when the whole text fitted; on false the buffer holds an empty
// string, never a cut one, so a path that does not fit is never used half.
bool copyText(wchar_t* buffer, size_t capacity, const wchar_t* text);
bool appendText(wchar_t* buffer, size_t capacity, const wchar_t* text);

// Bounded printf into a cleared buffer; formats use %ls and %d only. False when the text was cut.
bool formatText(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);

#endif
