// Process-wide state of the application shell and the entry points of its windows.
#ifndef GLIMRA_APP_H
#define GLIMRA_APP_H

#include <windows.h>
#include <shellapi.h>

#include "resources/ids.h"

extern HINSTANCE appInstance;
extern HWND mainWindow;
extern HWND panel;

// Strings 104 to 109, loaded at start-up.
extern wchar_t titleText[kStringCapacity];
extern wchar_t classNameText[kStringCapacity];
extern wchar_t shortcutFileName[kStringCapacity];
extern wchar_t settingsFileName[kStringCapacity];
extern wchar_t folderFileName[kStringCapacity];
extern wchar_t memoFileName[kStringCapacity];

extern wchar_t exeFolder[kPathCapacity];       // ends in a backslash
extern wchar_t shortcutTarget[kPathCapacity];  // exeFolder + "Glimra3.exe"
extern NOTIFYICONDATAW trayIconData;

// main_window.cpp
void loadStrings(HINSTANCE instance);
void registerMainWindowClass(HINSTANCE instance);
int createMainWindow(HINSTANCE instance, int showState);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void prepareTrayIcon(int iconId, HWND window, UINT iconNumber, const wchar_t* tip, HINSTANCE instance);
void saveStateAndClose(HWND window);
void computeExeFolders();
int scaleForDpi(int pixels);

// commands.cpp
LRESULT handleCommand(HWND window, WPARAM wParam, LPARAM lParam);
void showAboutBox(const wchar_t* text, HWND owner, UINT style, int iconId, int beep);

// panel.cpp
INT_PTR CALLBACK panelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK memoEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);

#endif
