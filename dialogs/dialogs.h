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
// What openDocument makes of the shell's answer; kOpenOther stands for success and for every
// error without a code of its own.
enum OpenDocumentCode {
    kOpenOutOfMemory = 0,
    kOpenFileNotFound = 1,
    kOpenPathNotFound = 2,
    kOpenBadFormat = 3,
    kOpenAccessDenied = 4,
    kOpenDllNotFound = 5,
    kOpenShareViolation = 6,
    kOpenOther = 100,
};
void desktopLinkPath(wchar_t* result);
int createShortcut(const wchar_t* linkPath);
int saveShellLink(const wchar_t* linkPath);
int openDocument(const wchar_t* path, HWND owner);

#endif
