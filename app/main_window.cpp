// Start-up, the main window's frame messages, the notification icon and the exit routine.
#include "app.h"

#include "capture.h"
#include "ids.h"
#include "memo_file.h"
#include "process_state.h"
#include "save_folder.h"
#include "settings.h"
#include "system_calls.h"
#include "ui.h"

HWND panel;

namespace {

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr UINT kTrayIconId = 0;

// The size the window is created with, until the panel inside it gives the real one.
constexpr int kMainWindowWidth = 620;
constexpr int kMainWindowHeight = 400;

// A file over its limit is told first, then that it was not read.
void tellLoadFailure(FileRead read, const wchar_t* fileName) {
    if (read == FileRead::Read) {
        return;
    }
    if (read == FileRead::TooLarge) {
        showMessage(mainWindow, IDS_FILE_TOO_LARGE, MB_ICONERROR);
    }
    showMessage(mainWindow, IDS_LOAD_FAILED, MB_ICONERROR, fileName);
}

// The way out asked for while a capture ran, carried out once it has finished.
Ending deferredEnding = Ending::None;

void closeMainWindow(HWND window) {
    if (isChecked(panel, IDC_ISTASK)) {
        hideToTray(window);
        return;
    }
    if (!isChecked(panel, IDC_NONEDIALOG) &&
        showMessage(window, IDS_CONFIRM_END, MB_ICONQUESTION | MB_YESNO) != IDYES) {
        return;
    }
    saveStateAndClose(window);
}

// What every way out stores; true when everything reached its file. A failure is told unless the
// session is ending: no one is there to read a box then, and a box would only hold up the end of
// the session.
bool storeState(HWND window, bool tellFailures) {
    bool stored = true;
    auto tell = [&](UINT text) {
        stored = false;
        if (tellFailures) {
            showMessage(window, text, MB_ICONERROR);
        }
    };
    if (isChecked(panel, IDC_SAVEINI)) {
        refreshSettingsFromPanel();
        if (!saveSettings()) {
            tell(IDS_WRITE_FAILED);
        }
    }
    if (!storeSaveFolder()) {
        tell(IDS_WRITE_FAILED);
    }
    // The box as it stands decides: the record may still hold its state from start-up.
    if (isChecked(panel, IDC_ASMEMO)) {
        takeMemoFromPanel();
        // A memo the file already holds is left as it is on disk, whatever its encoding. One too
        // long for the file says so first: no retry can store it until it is shortened.
        if (!memoUnchangedSinceStored() && !storeMemo()) {
            if (!memoFitsItsFile()) {
                tell(IDS_FILE_TOO_LARGE);
            }
            tell(IDS_MEMO_STORE_FAILED);
        }
    }
    return stored;
}

// The store every way out makes; after a failed one the user is asked whether to end, and No keeps
// the program running as it was, memo and boxes included, so the file can be freed and the ending
// tried again. Without telling (the session's end) it always ends.
void storeAndEndUnlessKept(HWND window, bool tellFailures) {
    if (!storeState(window, tellFailures) && tellFailures &&
        showMessage(window, IDS_CONFIRM_END, MB_ICONQUESTION | MB_YESNO) != IDYES) {
        return;
    }
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
        storeAndEndUnlessKept(window, false);
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

// A second start of an executable in this folder: the running window comes back and to the front,
// or the box it is showing does.
LRESULT comeForward(HWND window) {
    if (hiddenInTray()) {
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

    // Without GDI+ the program still runs: captures to BMP need none of it.
    if (!gdiplus()) {
        showMessage(mainWindow, IDS_LOAD_FAILED, MB_ICONERROR, kGdiplusLibrary);
    }
    tellLoadFailure(loadSettings(), settingsFileName);
    tellLoadFailure(loadSaveFolder(), folderFileName);
    // What captures killed while writing left in the save folder goes before the next one.
    removeImageTemporariesIn(saveFolder);
    if (Settings.ALMEMO) {
        tellLoadFailure(loadMemo(), memoFileName);
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

// Messages above WM_USER, registered ones too, are dropped on their way from a process of lower
// integrity to an elevated window: the taskbar, or a second start from a normal prompt, could not
// reach a copy run as administrator.
int allowMessagesFromOtherLevels(HWND window) {
    int allowed = 0;
    for (UINT message : {taskbarCreatedMessage(), secondStartMessage()}) {
        if (message && allowMessageFromOtherLevels(window, message)) {
            ++allowed;
        }
    }
    return allowed;
}

void saveStateAndClose(HWND window) {
    storeAndEndUnlessKept(window, true);
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
        allowMessagesFromOtherLevels(window);
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
    case WM_TRAY_CALLBACK:
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
