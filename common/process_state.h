// What the whole process shares and every layer may read: the instance, the main window that owns
// the message boxes, the strings loaded at start-up and the executable's folder.
#ifndef GLIMRA_PROCESS_STATE_H
#define GLIMRA_PROCESS_STATE_H

#include <windows.h>

#include "sizes.h"

extern HINSTANCE appInstance;
extern HWND mainWindow;

// Strings 104 to 109.
extern wchar_t titleText[kStringCapacity];
extern wchar_t classNameText[kStringCapacity];
extern wchar_t shortcutFileName[kStringCapacity];
extern wchar_t settingsFileName[kStringCapacity];
extern wchar_t folderFileName[kStringCapacity];
extern wchar_t memoFileName[kStringCapacity];

extern wchar_t exeFolder[kPathCapacity];       // ends in a backslash; empty when unknown
extern wchar_t shortcutTarget[kPathCapacity];  // exeFolder + "Glimra3.exe"

// Stores the instance, loads the strings and finds the executable's folder: everything the
// loaders of the state files rely on, so it runs first.
void startProcess(HINSTANCE instance);

// The running executable's folder, ending in a backslash; false (and an empty buffer) when its
// path does not fit, since a cut path names another folder.
bool moduleFolder(wchar_t* buffer);

#endif
