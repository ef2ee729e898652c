// The application shell: the main window, its panel and menu commands, and the one way out.
#ifndef GLIMRA_APP_H
#define GLIMRA_APP_H

#include <windows.h>
#include <shellapi.h>

#include "scoped.h"

extern HWND panel;

// main_window.cpp
void registerMainWindowClass(HINSTANCE instance);
int createMainWindow(HINSTANCE instance, int showState);
// The one way out: stores the state, destroys the window and ends the message loop.
void saveStateAndClose(HWND window);
// The ways out: the close button's (tray, question or not), the Quit command's, and the session's
// end, which stores without a word. Each is carried out at once or, while a capture runs, once it
// has finished, so that what is stored includes the capture.
enum class Ending { None, Close, Quit, SessionEnd };
void requestEnding(HWND window, Ending ending);
void carryOutDeferredEnding();

// commands.cpp
LRESULT handleCommand(HWND window, WPARAM wParam, LPARAM lParam);

// panel.cpp: the panel's windows, and the binding of its boxes and memo to the state.
INT_PTR CALLBACK panelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void refreshSettingsFromPanel();
// The boxes from the record; the three placeholders disabled.
void showSettingsInPanel();
// From a capture command until its capture, with its picker and its boxes, has finished.
bool captureRunning();
// memoText cleared, then the memo edit's text.
void takeMemoFromPanel();

// single_instance.cpp: one running copy per executable file.
// True when this process is to run; it then holds the claim until it ends. False when a copy of
// the same file already runs: that copy has been brought forward, or did not answer in time.
bool claimExecutableFile(ScopedHandle* claim);
// The message a second start sends; registered per executable file, so a copy in another folder
// never answers it.
bool isSecondStartMessage(UINT message);

#endif
