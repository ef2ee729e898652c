// The control panel: check boxes shown from the settings, the two capture buttons, the automatic
// end, and the memo's own Tab and F2 keys.
#include <windows.h>

#include "app/app.h"
#include "capture/capture.h"
#include "common/ui.h"
#include "dialogs/dialogs.h"
#include "state/state.h"

namespace {

// The memo edit's own procedure, held only while memoEditProc stands in for it (memo focused).
WNDPROC previousMemoEditProc;

void showPanel(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDC_TRIMING), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_ALTER), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_POPWINDOW), FALSE);
    showSettingsInPanel();
}

// The automatic end stores the state first, as every other ending does: otherwise the next run
// numbers from the old counter and writes over this run's images.
void endAfterCaptureIfSet() {
    if (!Settings.AUTOEND) {
        return;
    }
    saveStateAndClose(mainWindow);
    PostQuitMessage(0);
}

void captureScreen() {
    captureAndSave(GetDesktopWindow(), L"mode:desktop");
    endAfterCaptureIfSet();
}

void captureChosenWindow(HWND dialog) {
    HWND chosen = reinterpret_cast<HWND>(
        DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_WINDOW_PICKER), dialog, windowPickerProc, 0));
    if (!chosen) {
        return;
    }
    ShowWindow(chosen, SW_RESTORE);
    SetForegroundWindow(chosen);
    waitMilliseconds(kWindowCaptureWaitMs);
    captureAndSave(chosen, L"mode:free");
    SetForegroundWindow(mainWindow);
    endAfterCaptureIfSet();
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

void appendTabAtEnd(HWND edit) {
    int length = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, length, length);
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"\t"));
}

void handlePanelCommand(HWND dialog, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDC_CAPTURE_SCREEN:
        captureScreen();
        return;
    case IDC_CAPTURE_WINDOW:
        captureChosenWindow(dialog);
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

INT_PTR CALLBACK panelDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        // The settings are loaded after the panel exists; the boxes are set when it is shown.
        return TRUE;
    case WM_SHOWWINDOW:
        showPanel(dialog);
        return FALSE;
    case WM_COMMAND:
        handlePanelCommand(dialog, wParam, lParam);
        return FALSE;
    default:
        return FALSE;
    }
}

LRESULT CALLBACK memoEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_TAB) {
        appendTabAtEnd(edit);
        return 0;
    }
    if (message == WM_KEYDOWN && wParam == VK_F2) {
        showMessage(edit, L"検索ボックスを実装予定。", MB_ICONINFORMATION);
        return 0;
    }
    return CallWindowProcW(previousMemoEditProc, edit, message, wParam, lParam);
}
