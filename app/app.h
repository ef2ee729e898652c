// The application shell: the main window, its panel and menu commands, and the one way out.
#ifndef GLIMRA_APP_H
#define GLIMRA_APP_H

#include <windows.h>
#include <shellapi.h>

#include "capture.h"
#include "scoped.h"

extern HWND panel;

// main_window.cpp
void registerMainWindowClass(HINSTANCE instance);
int createMainWindow(HINSTANCE instance, int showState);
// The one way out: stores the state, destroys the window and ends the message loop. When a store
// failed, the user is asked "終了しますか？" after its box; No leaves everything as it was.
void saveStateAndClose(HWND window);
// The ways out: the close button's (tray, question or not), the Quit command's, and the session's
// end, which stores without a word. Each is carried out at once or, while a capture runs, once it
// has finished, so that what is stored includes the capture.
// The enumerators' order is their priority: of two asked for during one capture, the later in this
// list is carried out (requestEnding compares them), so a new one goes where it ranks.
enum class Ending { None, Close, Quit, SessionEnd };
void requestEnding(HWND window, Ending ending);
void carryOutDeferredEnding();

// commands.cpp
LRESULT handleCommand(HWND window, WPARAM wParam, LPARAM lParam);

// panel.cpp: the panel's windows, and the binding of its boxes and memo to the state.
INT_PTR CALLBACK panelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// A capture's notice as its box, the moment the capture reports it.
void tellCaptureNotice(CaptureNotice notice, const wchar_t* path);
void refreshSettingsFromPanel();
// The boxes from the record; the three placeholders disabled.
void showSettingsInPanel();
// From a capture command until its capture, with its picker and its boxes, has finished.
bool captureRunning();
// memoText cleared, then the memo edit's text.
void takeMemoFromPanel();

// single_instance.cpp: one running copy per folder that holds the state files.
// "Glimra3-" and 24 or 16 hexadecimal digits, terminator included.
constexpr int kClaimNameCapacity = 33;
// The folder's name for the claim: the same for every path that reaches the folder, as the file
// system identifies it, and another for any other folder.
void folderIdentity(const wchar_t* folder, wchar_t* name);
// True when this process is to run; it then holds the claim until it ends. False when a copy in
// the same folder already runs: that copy has been brought forward, or did not answer in time.
bool claimStateFolder(ScopedHandle* claim);
// The message a second start sends; registered per folder, so a copy in another folder never
// answers it. 0 before the claim.
UINT secondStartMessage();
bool isSecondStartMessage(UINT message);

// tray_icon.cpp: the notification-area icon that stands for the window while it is hidden.
// A restarted taskbar has forgotten every icon and announces itself with this message.
UINT taskbarCreatedMessage();
void prepareTrayIcon(int iconId, HWND window, UINT iconNumber, const wchar_t* tip, HINSTANCE instance);
// Hidden only when the icon was added: otherwise minimized, so that it stays on the taskbar.
void hideToTray(HWND window);
void showFromTray();
bool hiddenInTray();
void removeTrayIcon();
void addTrayIconAgain();

// main_window.cpp: the restarted taskbar's message and the second start's reach the window from
// any integrity level; the number of messages so allowed, 0 where the system has no such filter.
int allowMessagesFromOtherLevels(HWND window);

#endif
