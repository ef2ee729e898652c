// The control panel: its check boxes bound to the settings record and its memo edit to the memo,
// the two capture buttons, the automatic end, and the memo's own Tab and F2 keys.
#include "app.h"

#include <cwchar>

#include "capture.h"
#include "ids.h"
#include "memo_file.h"
#include "process_state.h"
#include "screen_area.h"
#include "settings.h"
#include "ui.h"
#include "window_picker.h"

namespace {

// The chosen window gets this long to come to the front and repaint before the capture.
constexpr DWORD kWindowCaptureWaitMs = 700;

// The fifteen check boxes with their fields, in the order every reader and writer goes through them.
struct CheckBoxSetting {
    int controlId;
    int SettingsRecord::*field;
};
#define NO_CHECK_BOX(field, section, defaultValue)
#define CHECK_BOX(field, section, defaultValue, box) {box, &SettingsRecord::field},
const CheckBoxSetting kCheckBoxSettings[] = {GLIMRA_SETTINGS(NO_CHECK_BOX, CHECK_BOX)};
#undef NO_CHECK_BOX
#undef CHECK_BOX

// The memo edit's own procedure, held only while memoEditProc stands in for it (memo focused).
WNDPROC previousMemoEditProc;

// A capture's picker and boxes run message loops of their own: a capture command arriving there
// is ignored, and a close waits for the capture to finish.
bool capturing;

// The automatic end stores the state first, as every other ending does: otherwise the next run
// numbers from the old counter and writes over this run's images.
void endAfterCaptureIfSet() {
    if (!Settings.AUTOEND) {
        return;
    }
    saveStateAndClose(mainWindow);
}

// The boxes are the live option values: every capture takes them into the record first.
void captureScreen() {
    refreshSettingsFromPanel();
    captureAndSave(GetDesktopWindow(), L"mode:desktop", tellCaptureNotice);
    endAfterCaptureIfSet();
}

void captureChosenWindow(HWND dialog) {
    HWND chosen = reinterpret_cast<HWND>(
        DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_WINDOW_PICKER), dialog, windowPickerProc, 0));
    if (!chosen) {
        return;
    }
    bringForward(chosen);
    waitMilliseconds(kWindowCaptureWaitMs);
    refreshSettingsFromPanel();
    captureAndSave(chosen, L"mode:free", tellCaptureNotice);
    SetForegroundWindow(mainWindow);
    endAfterCaptureIfSet();
}

// Kept on purpose: Tab lands at the end of the memo wherever the caret stands, as it always has.
void appendTabAtEnd(HWND edit) {
    int length = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, length, length);
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"\t"));
}

LRESULT CALLBACK memoEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_TAB) {
        appendTabAtEnd(edit);
        return 0;
    }
    if (message == WM_KEYDOWN && wParam == VK_F2) {
        // Kept on purpose: F2 is reserved for the search box to come, and only says so.
        showMessage(edit, IDS_SEARCH_PLANNED, MB_ICONINFORMATION);
        return 0;
    }
    return CallWindowProcW(previousMemoEditProc, edit, message, wParam, lParam);
}

void trackMemoFocus(HWND dialog, WORD notification) {
    HWND edit = GetDlgItem(dialog, IDC_MEMO);
    if (notification == EN_SETFOCUS) {
        previousMemoEditProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(memoEditProc)));
    } else if (notification == EN_KILLFOCUS && previousMemoEditProc) {
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousMemoEditProc));
        previousMemoEditProc = nullptr;
    }
}

void runCapture(HWND dialog, WORD command) {
    if (capturing) {
        return;
    }
    capturing = true;
    if (command == IDC_CAPTURE_SCREEN) {
        captureScreen();
    } else {
        captureChosenWindow(dialog);
    }
    capturing = false;
    carryOutDeferredEnding();
}

// The memo edit holds all that memo.txt may: the memo's capacity but its terminator.
void limitMemo(HWND dialog) {
    SendDlgItemMessageW(dialog, IDC_MEMO, EM_SETLIMITTEXT, kMemoCapacity - 1, 0);
}

void handlePanelCommand(HWND dialog, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDC_CAPTURE_SCREEN:
    case IDC_CAPTURE_WINDOW:
        runCapture(dialog, LOWORD(wParam));
        return;
    case IDC_MEMO:
        trackMemoFocus(dialog, HIWORD(wParam));
        break;
    default:
        break;
    }
    SendMessageW(mainWindow, WM_COMMAND, wParam, lParam);
}

}  // namespace

// Glimra's own window owns the notices: a box disables its owner, and disabling another program's
// window waits for that program, which may never answer. A text without a name ignores the path.
void tellCaptureNotice(CaptureNotice notice, const wchar_t* path) {
    static const struct {
        CaptureNotice notice;
        UINT text;
        UINT icon;
    } kNoticeBoxes[] = {
        {CaptureNotice::SaveFolderMissing, IDS_SAVE_FOLDER_MISSING, MB_ICONINFORMATION},
        {CaptureNotice::DefaultFolderMissing, IDS_DEFAULT_FOLDER_MISSING, MB_ICONINFORMATION},
        {CaptureNotice::DefaultFolderMade, IDS_SAVE_FOLDER_RESET, MB_ICONINFORMATION},
        {CaptureNotice::FolderNotMade, IDS_FOLDER_NOT_MADE, MB_ICONERROR},
        {CaptureNotice::ImageNotMade, IDS_IMAGE_NOT_MADE, MB_ICONERROR},
    };
    for (const auto& box : kNoticeBoxes) {
        if (box.notice == notice) {
            showMessage(mainWindow, box.text, box.icon, path);
            return;
        }
    }
}

void refreshSettingsFromPanel() {
    for (const CheckBoxSetting& box : kCheckBoxSettings) {
        Settings.*box.field = isChecked(panel, box.controlId) ? 1 : 0;
    }
}

// Kept on purpose: the three placeholder boxes stay disabled, their features still to come, yet
// their values are shown and stored, so files of other versions keep them.
void showSettingsInPanel() {
    EnableWindow(GetDlgItem(panel, IDC_TRIMING), FALSE);
    EnableWindow(GetDlgItem(panel, IDC_ALTER), FALSE);
    EnableWindow(GetDlgItem(panel, IDC_POPWINDOW), FALSE);
    for (const CheckBoxSetting& box : kCheckBoxSettings) {
        setChecked(panel, box.controlId, Settings.*box.field);
    }
}

bool captureRunning() {
    return capturing;
}

void takeMemoFromPanel() {
    wmemset(memoText, L'\0', kMemoCapacity);
    GetWindowTextW(GetDlgItem(panel, IDC_MEMO), memoText, kMemoCapacity);
}

INT_PTR CALLBACK panelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        // The settings are loaded after the panel exists: start-up sets the boxes.
        limitMemo(dialog);
        return TRUE;
    case WM_COMMAND:
        handlePanelCommand(dialog, wParam, lParam);
        return FALSE;
    default:
        return FALSE;
    }
}
