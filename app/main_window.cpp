// Start-up, the main window's frame messages, the notification icon and the exit routine.
#include "app.h"

#include "ids.h"
#include "memo_file.h"
#include "process_state.h"
#include "save_folder.h"
#include "settings.h"
#include "text.h"
#include "ui.h"

HWND panel;
NOTIFYICONDATAW trayIconData;

static_assert(sizeof(NOTIFYICONDATAW) == 956, "the tray record is the full current size");

namespace {

constexpr UINT kTrayCallbackMessage = WM_USER + 10;  // 1034
constexpr UINT kTrayIconId = 0;

// The size the window is created with, until the panel inside it gives the real one.
constexpr int kMainWindowWidth = 620;
constexpr int kMainWindowHeight = 400;

// Set while the window is hidden with its icon in the notification area.
bool hiddenInTray = false;

void showLoadFailure(const wchar_t* fileName) {
    wchar_t text[kPathCapacity];
    formatText(text, kPathCapacity, L"%ls%ls%ls%ls", L"\"", fileName, L"\"", L"の読み込みに失敗しました。");
    showMessage(mainWindow, text, MB_ICONERROR);
}

void hideToTray(HWND window) {
    Shell_NotifyIconW(NIM_ADD, &trayIconData);
    ShowWindow(window, SW_HIDE);
    hiddenInTray = true;
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

void restoreFromTray(LPARAM mouseMessage) {
    if (mouseMessage != WM_LBUTTONDOWN) {
        return;
    }
    ShowWindow(mainWindow, SW_SHOW);
    Shell_NotifyIconW(NIM_DELETE, &trayIconData);
    hiddenInTray = false;
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

    ShowWindow(mainWindow, showState);
    ShowWindow(panel, showState);
    UpdateWindow(mainWindow);
    UpdateWindow(panel);
    return 1;
}

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

void saveStateAndClose(HWND window) {
    if (isChecked(panel, IDC_SAVEINI)) {
        refreshSettingsFromPanel();
        saveSettings();
    }
    if (!storeSaveFolder()) {
        showMessage(window, L"ファイルの書き込みに失敗しました。", MB_ICONERROR);
    }
    if (Settings.ASMEMO) {
        takeMemoFromPanel();
        // A memo the file already holds is left as it is on disk, whatever its encoding.
        if (!memoUnchangedSinceStored() && !storeMemo()) {
            showMessage(window, L"メモの保存に失敗しました。", MB_ICONERROR);
        }
    }
    DestroyWindow(window);
    PostQuitMessage(0);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        prepareTrayIcon(IDI_GLIMRA, window, kTrayIconId, titleText, appInstance);
        return 0;
    case WM_PAINT:
        paintNothing(window);
        return 0;
    case WM_CLOSE:
        closeMainWindow(window);
        return 0;
    case WM_DESTROY:
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
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
