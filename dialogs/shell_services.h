// Shell services behind the menu: the desktop shortcut's path, shortcuts to the program, and
// opening a document with the shell.
#ifndef GLIMRA_SHELL_SERVICES_H
#define GLIMRA_SHELL_SERVICES_H

#include <windows.h>

// What openDocument makes of the shell's answer: kOpenOpened for success, kOpenFailedOther for
// every error without a code of its own.
enum OpenDocumentCode {
    kOpenOutOfMemory = 0,
    kOpenFileNotFound = 1,
    kOpenPathNotFound = 2,
    kOpenBadFormat = 3,
    kOpenAccessDenied = 4,
    kOpenDllNotFound = 5,
    kOpenShareViolation = 6,
    kOpenOpened = 100,
    kOpenFailedOther = 101,
};

// The desktop folder, "\" and "Glimra3.lnk", into a kPathCapacity buffer; left empty when the
// desktop folder is unknown.
void desktopLinkPath(wchar_t* result);
// 1 when a shortcut to shortcutTarget was saved at linkPath.
int createShortcut(const wchar_t* linkPath);
int openDocument(const wchar_t* path, HWND owner);

#endif
