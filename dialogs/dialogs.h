// The auxiliary dialogs and shell services: window picker, sequence number, folder chooser,
// shortcuts and the document opener.
#ifndef GLIMRA_DIALOGS_H
#define GLIMRA_DIALOGS_H

#include <windows.h>

#include "resources/ids.h"

// window_picker.cpp
struct WindowEntry {
    wchar_t title[kWindowTitleCapacity];
    HWND window;
    int index;
};
extern WindowEntry windowTable[kWindowTableRows];
int fillWindowList(HWND dialog);
INT_PTR CALLBACK windowPickerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// sequence_dialog.cpp
INT_PTR CALLBACK sequenceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// folder_chooser.cpp
void browseForFolder(wchar_t* result, HWND owner, const wchar_t* initialFolder);
int CALLBACK browseCallbackProc(HWND browseWindow, UINT message, LPARAM lParam, LPARAM data);

// shell_services.cpp
void desktopLinkPath(wchar_t* result);
int createShortcut(const wchar_t* linkPath);
int saveShellLink(const wchar_t* linkPath);
int openDocument(const wchar_t* path, HWND owner);

#endif
