// Message boxes are read through their controls: the text control has id 0xFFFF, the buttons
// are the Button children, and the icon is the static that holds one of the system icons.
#include "message_boxes.h"

namespace {

MessageBoxRecorder* activeRecorder;
constexpr int kMessageTextId = 0xFFFF;

std::wstring windowText(HWND window) {
    wchar_t buffer[4096] = {};
    GetWindowTextW(window, buffer, 4096);
    return buffer;
}

std::wstring className(HWND window) {
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, 256);
    return buffer;
}

struct ChildScan {
    RecordedBox* box;
};

BoxIcon iconOf(HICON icon) {
    if (!icon) {
        return BoxIcon::None;
    }
    if (icon == LoadIconW(nullptr, IDI_INFORMATION)) return BoxIcon::Information;
    if (icon == LoadIconW(nullptr, IDI_QUESTION)) return BoxIcon::Question;
    if (icon == LoadIconW(nullptr, IDI_WARNING)) return BoxIcon::Warning;
    if (icon == LoadIconW(nullptr, IDI_ERROR)) return BoxIcon::Error;
    return BoxIcon::Other;
}

BOOL CALLBACK scanChild(HWND child, LPARAM data) {
    RecordedBox* box = reinterpret_cast<ChildScan*>(data)->box;
    std::wstring kind = className(child);
    if (_wcsicmp(kind.c_str(), L"Button") == 0 && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) {
        box->buttons.push_back(windowText(child));
    } else if (_wcsicmp(kind.c_str(), L"Static") == 0 && GetDlgCtrlID(child) != kMessageTextId) {
        HICON icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        if (icon && box->icon == BoxIcon::None) {
            box->icon = iconOf(icon);
        }
    }
    return TRUE;
}

}  // namespace

// A dialog's label may also have id 0xFFFF (-1); a message box has no edit or up-down control.
bool isMessageBox(HWND window) {
    if (className(window) != L"#32770" || GetDlgItem(window, kMessageTextId) == nullptr) {
        return false;
    }
    return FindWindowExW(window, nullptr, L"Edit", nullptr) == nullptr &&
           FindWindowExW(window, nullptr, L"msctls_updown32", nullptr) == nullptr &&
           FindWindowExW(window, nullptr, L"ListBox", nullptr) == nullptr;
}

RecordedBox readMessageBox(HWND window) {
    RecordedBox box;
    box.caption = windowText(window);
    box.text = windowText(GetDlgItem(window, kMessageTextId));
    box.owner = GetWindow(window, GW_OWNER);
    ChildScan scan{&box};
    EnumChildWindows(window, scanChild, reinterpret_cast<LPARAM>(&scan));
    return box;
}

MessageBoxRecorder::MessageBoxRecorder(std::deque<int> answers) : answers_(std::move(answers)) {
    activeRecorder = this;
    hook_ = SetWindowsHookExW(WH_CBT, hookProc, nullptr, GetCurrentThreadId());
}

MessageBoxRecorder::~MessageBoxRecorder() {
    if (hook_) {
        UnhookWindowsHookEx(hook_);
    }
    activeRecorder = nullptr;
}

std::vector<std::wstring> MessageBoxRecorder::texts() const {
    std::vector<std::wstring> result;
    for (const RecordedBox& box : boxes_) {
        result.push_back(box.text);
    }
    return result;
}

LRESULT CALLBACK MessageBoxRecorder::hookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeRecorder) {
        activeRecorder->onActivate(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxRecorder::onActivate(HWND window) {
    if (!isMessageBox(window)) {
        return;
    }
    // A box is activated more than once when focus moves; record it once.
    if (GetPropW(window, L"GlimraTestSeen")) {
        return;
    }
    SetPropW(window, L"GlimraTestSeen", reinterpret_cast<HANDLE>(1));
    boxes_.push_back(readMessageBox(window));
    int answer = 0;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else {
        answer = GetDlgItem(window, IDYES) ? IDYES : IDOK;
    }
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}
