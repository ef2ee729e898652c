// Helpers for the fault, package and readme scenarios.
#include "e2e_extra.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "driver_screen.h"
#include "resources/ids.h"

namespace {

const wchar_t kPickerCaption[] = L"取得可能なプロセス";
constexpr int kMessageTextId = 0xFFFF;
constexpr DWORD kPollMs = 20;

bool boundPassed(DWORD started) { return GetTickCount() - started > kWaitMs; }

SeenBox readBox(HWND window) {
    SeenBox box;
    box.window = window;
    box.caption = windowText(window);
    box.text = windowText(GetDlgItem(window, kMessageTextId));
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(classOf(child).c_str(), L"Button") == 0 && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) {
            box.buttons.push_back(GetDlgCtrlID(child));
        }
    }
    box.icon = identifyBoxIcon(window);
    return box;
}

std::wstring listRow(HWND list, LRESULT row) {
    LRESULT length = std::max<LRESULT>(SendMessageW(list, LB_GETTEXTLEN, row, 0), 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

FolderProcess::FolderProcess(const std::wstring& folder) {
    std::wstring exe = folder + L"Glimra3.exe";
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &info_)) {
        ADD_FAILURE() << "cannot start " << narrow(exe) << " (error " << GetLastError() << ")";
    }
}

FolderProcess::~FolderProcess() {
    if (running()) {
        kill();
    }
    if (info_.hThread) {
        CloseHandle(info_.hThread);
    }
    if (info_.hProcess) {
        CloseHandle(info_.hProcess);
    }
}

bool FolderProcess::running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND FolderProcess::findMessageBox() const {
    for (HWND window : topLevelWindows(info_.dwProcessId, L"#32770")) {
        if (isMessageBox(window) && IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

bool FolderProcess::waitUntilShown() {
    DWORD started = GetTickCount();
    while (!boundPassed(started) && running() && !findMessageBox()) {
        if (!main_) {
            std::vector<HWND> windows = topLevelWindows(info_.dwProcessId, L"GLIMRA3");
            main_ = windows.empty() ? nullptr : windows.front();
        }
        if (main_ && !panel_) {
            panel_ = FindWindowExW(main_, nullptr, L"#32770", nullptr);
        }
        if (panel_ && IsWindowVisible(main_) && IsWindowVisible(panel_)) {
            return true;
        }
        pumpMessages(kPollMs);
    }
    HWND box = findMessageBox();
    ADD_FAILURE() << "Glimra's window was not shown" << (box ? ": " + narrow(readBox(box).text) : "");
    return false;
}

// Polled without sleeping: the capture's wait is the only chance to kill before any file.
bool FolderProcess::waitUntilHidden() {
    DWORD started = GetTickCount();
    while (IsWindowVisible(main_)) {
        if (boundPassed(started) || !running()) {
            ADD_FAILURE() << "Glimra's window was not hidden";
            return false;
        }
        Sleep(0);
    }
    return true;
}

void FolderProcess::press(int buttonId) const {
    PostMessageW(panel_, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(panel_, buttonId)));
}

void FolderProcess::close() const { PostMessageW(main_, WM_CLOSE, 0, 0); }

void FolderProcess::kill() {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, kWaitMs);
}

void FolderProcess::expectBoxes(const std::vector<ExpectedBox>& boxes) {
    for (const ExpectedBox& expected : boxes) {
        SCOPED_TRACE(narrow(expected.text));
        DWORD started = GetTickCount();
        HWND window = nullptr;
        while (!(window = findMessageBox()) && running() && !boundPassed(started)) {
            pumpMessages(kPollMs);
        }
        ASSERT_TRUE(window) << "no message box came";
        SeenBox box = readBox(window);
        EXPECT_EQ(narrow(expected.caption), narrow(box.caption));
        EXPECT_EQ(narrow(expected.text), narrow(box.text));
        EXPECT_EQ(static_cast<int>(expected.icon), static_cast<int>(box.icon));
        EXPECT_EQ(expected.buttons, box.buttons);
        box.answer(expected.answer);
    }
}

DWORD FolderProcess::waitForExit() {
    DWORD started = GetTickCount();
    while (running()) {
        if (boundPassed(started)) {
            ADD_FAILURE() << "Glimra did not end; killed";
            kill();
            return static_cast<DWORD>(-1);
        }
        if (HWND window = findMessageBox()) {
            SeenBox box = readBox(window);
            ADD_FAILURE() << "unexpected message box: " << narrow(box.text);
            box.answer(box.buttons.empty() ? IDOK : box.buttons.front());
        }
        pumpMessages(kPollMs);
    }
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

HWND chooseInPicker(GlimraRun& run, const std::wstring& title) {
    HWND picker = run.waitForDialog(kPickerCaption);
    if (!picker) {
        return nullptr;
    }
    HWND list = GetDlgItem(picker, IDC_WINDOW_LIST);
    LRESULT rows = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < rows; ++row) {
        if (listRow(list, row) == title) {
            SendMessageW(list, LB_SETCURSEL, row, 0);
            PostMessageW(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(picker, IDOK)));
            return picker;
        }
    }
    ADD_FAILURE() << "the picker does not list " << narrow(title);
    PostMessageW(picker, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return nullptr;
}

bool waitUntilDestroyed(HWND window) {
    DWORD started = GetTickCount();
    while (IsWindow(window)) {
        if (boundPassed(started)) {
            ADD_FAILURE() << "the window stayed";
            return false;
        }
        Sleep(1);
    }
    return true;
}

HeldFile::HeldFile(const std::wstring& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
    EXPECT_NE(INVALID_HANDLE_VALUE, handle_) << narrow(path);
}

void HeldFile::release() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}

std::vector<std::wstring> namesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

void expectCheckBoxes(GlimraRun& run, const std::vector<Setting>& settings) {
    for (const Setting& setting : settings) {
        if (setting.checkBox) {
            EXPECT_EQ(setting.value ? BST_CHECKED : BST_UNCHECKED, run.checkState(setting.checkBox)) << setting.key;
        }
    }
}
