// Dialog scripts run from a thread-local CBT hook; test windows use a class registered once per
// class name.
#include "dialog_script.h"

#include <commctrl.h>

#include <set>

namespace {

DialogScript* activeScript;

std::wstring classOf(HWND window) {
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, 256);
    return buffer;
}

const wchar_t* registerTestClass(const wchar_t* name) {
    static std::set<std::wstring> registered;
    const wchar_t* className = name ? name : L"GlimraTestWindow";
    if (registered.insert(className).second) {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = className;
        RegisterClassExW(&windowClass);
    }
    return className;
}

}  // namespace

DialogScript::DialogScript(Match match, std::deque<Step> steps) : match_(std::move(match)), steps_(std::move(steps)) {
    activeScript = this;
    hook_ = SetWindowsHookExW(WH_CBT, hookProc, nullptr, GetCurrentThreadId());
}

DialogScript::~DialogScript() {
    if (hook_) {
        UnhookWindowsHookEx(hook_);
    }
    activeScript = nullptr;
}

LRESULT CALLBACK DialogScript::hookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && activeScript && !activeScript->steps_.empty()) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (classOf(window) == L"#32770" && activeScript->match_(window)) {
            Step step = std::move(activeScript->steps_.front());
            activeScript->steps_.pop_front();
            ++activeScript->stepsRun_;
            step(window);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DialogScript::Match dialogWithControl(int id) {
    return [id](HWND dialog) { return GetDlgItem(dialog, id) != nullptr; };
}

DialogScript::Match folderDialog() {
    return [](HWND dialog) { return FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr) != nullptr; };
}

std::wstring selectedFolderName(HWND browseDialog) {
    HWND tree = FindWindowExW(browseDialog, nullptr, L"SysTreeView32", nullptr);
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

void pressButton(HWND dialog, int id) { PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

std::wstring controlText(HWND dialog, int id) {
    wchar_t buffer[1024] = {};
    GetDlgItemTextW(dialog, id, buffer, 1024);
    return buffer;
}

TestWindow::TestWindow(const std::wstring& title, const wchar_t* className, bool visible, DWORD extendedStyle) {
    window_ = CreateWindowExW(extendedStyle, registerTestClass(className), title.c_str(),
                              WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10, 10, 200, 100, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
}

TestWindow::~TestWindow() {
    if (window_) {
        DestroyWindow(window_);
    }
}
