// The application shell: the main window, its panel and menu commands, and the one way out.
#ifndef GLIMRA_APP_H
#define GLIMRA_APP_H

#include <windows.h>
#include <shellapi.h>

extern HWND panel;
extern NOTIFYICONDATAW trayIconData;

// main_window.cpp
void registerMainWindowClass(HINSTANCE instance);
int createMainWindow(HINSTANCE instance, int showState);
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void prepareTrayIcon(int iconId, HWND window, UINT iconNumber, const wchar_t* tip, HINSTANCE instance);
// The one way out: stores the state, destroys the window and ends the message loop.
void saveStateAndClose(HWND window);

// commands.cpp
LRESULT handleCommand(HWND window, WPARAM wParam, LPARAM lParam);
void showAboutBox(const wchar_t* text, HWND owner, UINT style, int iconId, int beep);

// panel.cpp: the panel's windows, and the binding of its boxes and memo to the state.
INT_PTR CALLBACK panelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK memoEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
void refreshSettingsFromPanel();
// memoText cleared, then the memo edit's text.
void takeMemoFromPanel();

#endif
