// The window picker: dialog 109, listing the top-level windows worth capturing.
#ifndef GLIMRA_WINDOW_PICKER_H
#define GLIMRA_WINDOW_PICKER_H

#include <windows.h>

constexpr int kWindowTableRows = 200;
constexpr int kWindowTitleCapacity = 500;

struct WindowEntry {
    wchar_t title[kWindowTitleCapacity];
    HWND window;
    int index;
};
// What the list box shows: list position j is row j.
extern WindowEntry windowTable[kWindowTableRows];

// 1 when at least one window was listed.
int fillWindowList(HWND dialog);
// Ends with the chosen window's handle, or 0.
INT_PTR CALLBACK windowPickerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
