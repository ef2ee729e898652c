// The window picker: lists the visible top-level windows worth capturing, by title in Z order,
// and ends with the handle of the one the user confirms, or 0.
#include "window_picker.h"

#include <dwmapi.h>

#include "ids.h"
#include "process_state.h"
#include "system_calls.h"
#include "text.h"
#include "ui.h"

WindowEntry windowTable[kWindowTableRows];

namespace {

// The desktop and its gadgets.
const wchar_t* const kSkippedClasses[] = {L"SideBar_HTMLHostWindow", L"BasicWindow", L"Progman"};
// The Start button; the picker itself is passed over by its caption, as its template gives it.
const wchar_t kStartButtonTitle[] = L"スタート";

bool isOneOf(const wchar_t* text, const wchar_t* const* names, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (lstrcmpW(text, names[i]) == 0) {
            return true;
        }
    }
    return false;
}

// Windows on another virtual desktop and suspended Store apps are visible yet cloaked: no one can
// see them. Where the system cannot tell, nothing counts as cloaked.
bool isCloaked(HWND window) {
    DWORD cloaked = 0;
    return queryWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof(cloaked)) && cloaked != 0;
}

// Reads the title only for windows whose class passed; false for a window not worth listing.
bool readListableTitle(HWND window, const wchar_t* pickerCaption, wchar_t* title) {
    if (!IsWindowVisible(window) || isCloaked(window) || window == mainWindow) {
        return false;
    }
    wchar_t className[kWindowTitleCapacity] = {};
    GetClassNameW(window, className, kWindowTitleCapacity);
    if (isOneOf(className, kSkippedClasses, ARRAYSIZE(kSkippedClasses))) {
        return false;
    }
    GetWindowTextW(window, title, kWindowTitleCapacity);
    return title[0] != L'\0' && lstrcmpW(title, kStartButtonTitle) != 0 && lstrcmpW(title, pickerCaption) != 0;
}

void reportNothingListed(HWND dialog) {
    showMessage(dialog, IDS_NOTHING_TO_PICK, MB_ICONINFORMATION);
    EndDialog(dialog, 0);
}

void refreshList(HWND dialog) {
    if (!fillWindowList(dialog)) {
        reportNothingListed(dialog);
    }
    showMessage(dialog, IDS_LIST_REFRESHED, MB_ICONINFORMATION);
}

// Right after a fill nothing is selected (LB_ERR): that ends like Cancel, and no position
// outside the table is ever read.
void chooseSelectedWindow(HWND dialog) {
    LRESULT position = SendDlgItemMessageW(dialog, IDC_WINDOW_LIST, LB_GETCURSEL, 0, 0);
    HWND chosen = nullptr;
    if (position >= 0 && position < kWindowTableRows) {
        chosen = windowTable[position].window;
    }
    EndDialog(dialog, reinterpret_cast<INT_PTR>(chosen));
}

void handlePickerCommand(HWND dialog, int id) {
    switch (id) {
    case IDOK:
        chooseSelectedWindow(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, 0);
        break;
    case IDC_REFRESH:
        refreshList(dialog);
        break;
    default:
        break;
    }
}

// The walk's table so far, and the caption a window of the picker itself bears.
struct Walk {
    int count;
    wchar_t pickerCaption[kWindowTitleCapacity];
};

// One window of the walk into the next row; false, which ends the walk, once the table is full.
BOOL CALLBACK addListableWindow(HWND window, LPARAM walkState) {
    Walk& walk = *reinterpret_cast<Walk*>(walkState);
    wchar_t title[kWindowTitleCapacity] = {};
    if (readListableTitle(window, walk.pickerCaption, title)) {
        WindowEntry& row = windowTable[walk.count];
        copyText(row.title, kWindowTitleCapacity, title);
        row.window = window;
        row.index = walk.count;
        ++walk.count;
    }
    return walk.count < kWindowTableRows;
}

}  // namespace

// The system walks the windows from the very top of the Z order, so an always-on-top window is
// listed too; a window closed meanwhile is never reached, as it could be by stepping from window
// to window.
int fillWindowList(HWND dialog) {
    ZeroMemory(windowTable, sizeof(windowTable));
    HWND list = GetDlgItem(dialog, IDC_WINDOW_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);

    Walk walk = {};
    GetWindowTextW(dialog, walk.pickerCaption, kWindowTitleCapacity);
    EnumWindows(addListableWindow, reinterpret_cast<LPARAM>(&walk));
    for (int row = 0; row < walk.count; ++row) {
        SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(windowTable[row].title));
    }
    return walk.count > 0 ? 1 : 0;
}

INT_PTR CALLBACK windowPickerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        if (!fillWindowList(dialog)) {
            reportNothingListed(dialog);
        }
        return TRUE;
    case WM_COMMAND:
        handlePickerCommand(dialog, LOWORD(wParam));
        return FALSE;
    default:
        return FALSE;
    }
}
