// Start-up, the main window's frame messages, the notification icon and the exit routine.
#include "app.h"

#include <cstddef>

#include "ids.h"
#include "memo_file.h"
#include "process_state.h"
#include "save_folder.h"
#include "settings.h"
#include "text.h"
#include "ui.h"

HWND panel;

// The record must be the Vista form, balloon icon last, or NIM_ADD would take an older layout.
static_assert(sizeof(NOTIFYICONDATAW) == offsetof(NOTIFYICONDATAW, hBalloonIcon) + sizeof(HICON),
              "the tray record is the full current size");

namespace {

NOTIFYICONDATAW trayIconData;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr UINT kTrayCallbackMessage = WM_USER + 10;  // 1034
constexpr UINT kTrayIconId = 0;

// The size the window is created with, until the panel inside it gives the real one.
constexpr int kMainWindowWidth = 620;
constexpr int kMainWindowHeight = 400;

void showLoadFailure(const wchar_t* fileName) {
    showFormattedMessage(mainWindow, MB_ICONERROR, L"%ls%ls%ls%ls", L"\"", fileName, L"\"", L"の読み込みに失敗しました。");
}

// Between a close with 1016 ticked and the window's return from the notification area.
bool hiddenInTray;

// The way out asked for while a capture ran, carried out once it has finished.
Ending deferredEnding = Ending::None;

void hideToTray(HWND window) {
    Shell_NotifyIconW(NIM_ADD, &trayIconData);
    ShowWindow(window, SW_HIDE);
    hiddenInTray = true;
}

void showFromTray() {
    ShowWindow(mainWindow, SW_SHOW);
    Shell_NotifyIconW(NIM_DELETE, &trayIconData);
    hiddenInTray = false;
}

// A window that ends while hidden there (the session's end) takes its icon with it; Windows would
// leave it in the notification area until the mouse passes over it.
void removeTrayIcon() {
    if (hiddenInTray) {
        Shell_NotifyIconW(NIM_DELETE, &trayIconData);
        hiddenInTray = false;
    }
}

void closeMainWindow(HWND window) {
    if (isChecked(panel, IDC_ISTASK)) {
        hideToTray(window);
        return;
    }
    if (!isChecked(panel, IDC_NONEDIALOG) &&
        showMessage(window, L"終了しますか？", MB_ICONQUESTION | MB_YESNO) != IDYES) {
        return;
    }
    saveStateAndClose(window);
}

// What every way out stores. A failure is told unless the session is ending: no one is there to
// read a box then, and a box would only hold up the end of the session.
void storeState(HWND window, bool tellFailures) {
    auto tell = [&](const wchar_t* text) {
        if (tellFailures) {
            showMessage(window, text, MB_ICONERROR);
        }
    };
    if (isChecked(panel, IDC_SAVEINI)) {
        refreshSettingsFromPanel();
        if (!saveSettings()) {
            tell(L"ファイルの書き込みに失敗しました。");
        }
    }
    if (!storeSaveFolder()) {
        tell(L"ファイルの書き込みに失敗しました。");
    }
    // The box as it stands decides: the record may still hold its state from start-up.
    if (isChecked(panel, IDC_ASMEMO)) {
        takeMemoFromPanel();
        // A memo the file already holds is left as it is on disk, whatever its encoding.
        if (!memoUnchangedSinceStored() && !storeMemo()) {
            tell(L"メモの保存に失敗しました。");
        }
    }
}

void storeAndEnd(HWND window, bool tellFailures) {
    storeState(window, tellFailures);
    DestroyWindow(window);
    PostQuitMessage(0);
}

void carryOut(HWND window, Ending ending) {
    switch (ending) {
    case Ending::Close:
        closeMainWindow(window);
        return;
    case Ending::Quit:
        saveStateAndClose(window);
        return;
    case Ending::SessionEnd:
        storeAndEnd(window, false);
        return;
    case Ending::None:
        return;
    }
}

// The process may be ended as soon as this message returns: a capture still running is not
// waited for, what is there now is stored, and again with the capture once it has finished.
void endSession(HWND window, WPARAM ending) {
    if (!ending) {
        return;
    }
    if (captureRunning()) {
        storeState(window, false);
    }
    requestEnding(window, Ending::SessionEnd);
}

void restoreFromTray(LPARAM mouseMessage) {
    if (mouseMessage != WM_LBUTTONDOWN) {
        return;
    }
    showFromTray();
}

// A restarted taskbar has forgotten every icon and announces itself with this message.
UINT taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void addTrayIconAgain() {
    if (hiddenInTray) {
        Shell_NotifyIconW(NIM_ADD, &trayIconData);
    }
}

// A second start of this executable file: the running window comes back and to the front, or the
// box it is showing does.
LRESULT comeForward(HWND window) {
    if (hiddenInTray) {
        showFromTray();
    } else if (IsIconic(window)) {
        ShowWindow(window, SW_RESTORE);
    }
    SetForegroundWindow(GetLastActivePopup(window));
    return TRUE;
}

// The window has a fixed size, the panel's, and no maximize box, so a maximize request (a shortcut
// set to run maximized, start /max) is turned back to that size.
void keepPanelSize(HWND window, WPARAM sizeKind) {
    if (sizeKind == SIZE_MAXIMIZED) {
        ShowWindow(window, SW_RESTORE);
    }
}

void paintNothing(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
}

}  // namespace

void registerMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_GLIMRA));
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_GLIMRA));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
    windowClass.lpszClassName = classNameText;
    RegisterClassExW(&windowClass);
}

namespace {

// The panel is laid out in dialog units, which follow its font at every DPI: the client area is
// made exactly its size, menu bar and frame added around it.
void fitToPanel(HWND window, HWND panelWindow) {
    RECT area = {};
    GetWindowRect(panelWindow, &area);
    OffsetRect(&area, -area.left, -area.top);
    AdjustWindowRectEx(&area, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, area.right - area.left, area.bottom - area.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

int createMainWindow(HINSTANCE instance, int showState) {
    mainWindow = CreateWindowExW(0, classNameText, titleText, WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, 0,
                                 kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, nullptr);
    if (!mainWindow) {
        return 0;
    }
    panel = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PANEL), mainWindow, panelDialogProc, 0);
    fitToPanel(mainWindow, panel);

    loadSettings();
    if (!loadSaveFolder()) {
        showLoadFailure(folderFileName);
    }
    if (Settings.ALMEMO) {
        if (!loadMemo()) {
            showLoadFailure(memoFileName);
        }
        SetDlgItemTextW(panel, IDC_MEMO, memoText);
    }
    takeMemoFromPanel();
    rememberMemoAsStored();
    // Set here, not when the panel is first shown: a window started minimized or maximized shows
    // its panel without telling it.
    showSettingsInPanel();

    ShowWindow(mainWindow, showState);
    // The panel is a child: the start's show state belongs to the main window alone.
    ShowWindow(panel, SW_SHOW);
    UpdateWindow(mainWindow);
    UpdateWindow(panel);
    return 1;
}

namespace {

void prepareTrayIcon(int iconId, HWND window, UINT iconNumber, const wchar_t* tip, HINSTANCE instance) {
    trayIconData = NOTIFYICONDATAW{};
    trayIconData.cbSize = sizeof(trayIconData);
    trayIconData.hWnd = window;
    trayIconData.uID = iconNumber;
    trayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIconData.uCallbackMessage = kTrayCallbackMessage;
    trayIconData.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
    copyText(trayIconData.szTip, ARRAYSIZE(trayIconData.szTip), tip);
}

}  // namespace

void saveStateAndClose(HWND window) {
    storeAndEnd(window, true);
}

void requestEnding(HWND window, Ending ending) {
    if (captureRunning()) {
        deferredEnding = ending > deferredEnding ? ending : deferredEnding;
        return;
    }
    carryOut(window, ending);
}

void carryOutDeferredEnding() {
    Ending ending = deferredEnding;
    deferredEnding = Ending::None;
    // The automatic end after the capture may have closed the window already.
    if (IsWindow(mainWindow)) {
        carryOut(mainWindow, ending);
    }
}

namespace {

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        prepareTrayIcon(IDI_GLIMRA, window, kTrayIconId, titleText, appInstance);
        return 0;
    case WM_PAINT:
        paintNothing(window);
        return 0;
    case WM_CLOSE:
        requestEnding(window, Ending::Close);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        endSession(window, wParam);
        return 0;
    case WM_SIZE:
        keepPanelSize(window, wParam);
        return 0;
    case WM_DESTROY:
        removeTrayIcon();
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        return handleCommand(window, wParam, lParam);
    case kTrayCallbackMessage:
        restoreFromTray(lParam);
        return 0;
    default:
        if (message == taskbarCreatedMessage()) {
            addTrayIconAgain();
            return 0;
        }
        if (isSecondStartMessage(message)) {
            return comeForward(window);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace
