// The end-to-end driver: Glimra3.exe in a scratch folder, started, watched and answered from
// another process, with every wait bounded and polling.
#include "driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "driver_screen.h"

namespace {

std::wstring glimraExe;
std::string sourceTree;

constexpr int kMessageTextId = 0xFFFF;
constexpr DWORD kPollMs = 20;
constexpr DWORD kQueryTimeoutMs = 10000;
constexpr DWORD kCommandTimeoutMs = 120000;

LRESULT query(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kQueryTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

bool processEnded(HANDLE process) { return !process || WaitForSingleObject(process, 0) != WAIT_TIMEOUT; }

HWND childOfClass(HWND parent, const wchar_t* className) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(classOf(child).c_str(), className) == 0) {
            return child;
        }
        if (HWND found = childOfClass(child, className)) {
            return found;
        }
    }
    return nullptr;
}

std::vector<int> visibleButtons(HWND box) {
    std::vector<int> ids;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(classOf(child).c_str(), L"Button") == 0 && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) {
            ids.push_back(GetDlgCtrlID(child));
        }
    }
    return ids;
}

SeenBox readBox(HWND window) {
    SeenBox box;
    box.window = window;
    box.caption = windowText(window);
    box.text = windowText(GetDlgItem(window, kMessageTextId));
    box.buttons = visibleButtons(window);
    box.icon = identifyBoxIcon(window);
    return box;
}

const char* iconName(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::None:
        return "none";
    case BoxIcon::Information:
        return "information";
    case BoxIcon::Question:
        return "question";
    case BoxIcon::Warning:
        return "warning";
    case BoxIcon::Error:
        return "error";
    default:
        return "other";
    }
}

}  // namespace

void setGlimraExecutable(const std::wstring& windowsPath) { glimraExe = windowsPath; }
void setSourceFolder(const std::string& unixPath) { sourceTree = unixPath; }
const std::string& sourceFolder() { return sourceTree; }

std::wstring windowsPathFromUnix(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return path;
}

std::string utf16Bytes(const std::wstring& text) {
    std::string bytes;
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

void pumpMessages(DWORD milliseconds) {
    DWORD started = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        DWORD passed = GetTickCount() - started;
        if (passed >= milliseconds) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - passed, QS_ALLINPUT);
    }
}

std::wstring classOf(HWND window) {
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, 256);
    return buffer;
}

std::wstring windowText(HWND window) {
    if (!window) {
        return std::wstring();
    }
    LRESULT length = query(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = query(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(std::max<LRESULT>(0, std::min<LRESULT>(copied, length))));
    return text;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM data) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && (!search->className || classOf(window) == search->className)) {
        search->found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> topLevelWindows(DWORD processId, const wchar_t* className) {
    WindowSearch search{processId, className, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RemoteText::RemoteText(HANDLE process, const std::wstring& text) : process_(process) {
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    address_ = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (address_ && !WriteProcessMemory(process, address_, text.c_str(), bytes, nullptr)) {
        VirtualFreeEx(process, address_, 0, MEM_RELEASE);
        address_ = nullptr;
    }
}

RemoteText::~RemoteText() {
    if (address_) {
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
}

std::wstring treeItemLabel(HANDLE process, HWND tree, LPARAM item) {
    if (!item) {
        return std::wstring();
    }
    constexpr int kLabelCapacity = 260;
    struct Request {
        TVITEMW item;
        wchar_t label[kLabelCapacity];
    };
    Request* remote = static_cast<Request*>(
        VirtualAllocEx(process, nullptr, sizeof(Request), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote) {
        return std::wstring();
    }
    Request request = {};
    request.item.mask = TVIF_TEXT;
    request.item.hItem = reinterpret_cast<HTREEITEM>(item);
    request.item.pszText = remote->label;
    request.item.cchTextMax = kLabelCapacity;
    std::wstring label;
    if (WriteProcessMemory(process, remote, &request, sizeof(request), nullptr) &&
        query(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote)) &&
        ReadProcessMemory(process, remote, &request, sizeof(request), nullptr)) {
        request.label[kLabelCapacity - 1] = L'\0';
        label = request.label;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return label;
}

std::wstring chooserSelection(HANDLE process, HWND chooser) {
    HWND tree = childOfClass(chooser, L"SysTreeView32");
    return treeItemLabel(process, tree, query(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void readFoldersOnTheWay(const std::wstring& path) {
    if (path.empty()) {
        return;
    }
    // A last-access time a day ahead is never moved by a read (relatime moves it only when it is
    // not newer than the last change), so the chooser's ids stay the same however often it reads.
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ahead;
    ahead.LowPart = now.dwLowDateTime;
    ahead.HighPart = now.dwHighDateTime;
    ahead.QuadPart += 24ULL * 60 * 60 * 10000000;
    FILETIME later = {ahead.LowPart, ahead.HighPart};
    size_t end = 0;
    do {
        end = path.find(L'\\', end + 1);
        std::wstring folder = path.substr(0, end);
        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            while (FindNextFileW(find, &entry)) {
            }
            FindClose(find);
        }
        std::wstring target = folder.size() == 2 ? folder + L"\\" : folder;
        HANDLE handle = CreateFileW(target.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            SetFileTime(handle, nullptr, &later, nullptr);
            CloseHandle(handle);
        }
    } while (end != std::wstring::npos && end + 1 < path.size());
}

ExpectedBox information(const std::wstring& text) { return {text, BoxIcon::Information, {IDOK}, IDOK}; }
ExpectedBox error(const std::wstring& text) { return {text, BoxIcon::Error, {IDOK}, IDOK}; }
ExpectedBox warning(const std::wstring& text) { return {text, BoxIcon::Warning, {IDOK}, IDOK}; }
ExpectedBox question(const std::wstring& text, int answer) {
    return {text, BoxIcon::Question, {IDYES, IDNO}, answer};
}

void SeenBox::answer(int id) const {
    if (!window) {
        return;
    }
    if (std::find(buttons.begin(), buttons.end(), id) == buttons.end()) {
        ADD_FAILURE() << "answering \"" << narrow(text) << "\" with button " << id << ", which it does not show";
    }
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
    DWORD started = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - started > kWaitMs) {
            ADD_FAILURE() << "the box \"" << narrow(text) << "\" stayed after its answer";
            return;
        }
        pumpMessages(kPollMs);
    }
}

// A message sent to one of Glimra's windows from a thread of its own, so that the driver's
// thread stays free while Glimra handles it (a handler may show boxes and run dialogs).
struct GlimraRun::PendingSend {
    HWND target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    HANDLE thread = nullptr;

    static DWORD WINAPI run(void* data) {
        PendingSend* send = static_cast<PendingSend*>(data);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(send->target, send->message, send->wParam, send->lParam, SMTO_NORMAL, kCommandTimeoutMs,
                            &result);
        return 0;
    }
    bool done() const { return !thread || WaitForSingleObject(thread, 0) != WAIT_TIMEOUT; }
};

GlimraRun::GlimraRun() : scratch_(L"e2e") {
    if (!CopyFileW(glimraExe.c_str(), path(L"Glimra3.exe").c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy " << narrow(glimraExe) << " (error " << GetLastError() << ")";
    }
}

GlimraRun::~GlimraRun() {
    if (processInfo_.hProcess && running()) {
        kill();
    }
    for (auto& send : pending_) {
        if (send->thread) {
            WaitForSingleObject(send->thread, 5000);
            CloseHandle(send->thread);
        }
    }
    if (processInfo_.hThread) {
        CloseHandle(processInfo_.hThread);
    }
    if (processInfo_.hProcess) {
        CloseHandle(processInfo_.hProcess);
    }
}

void GlimraRun::writeFile(const std::wstring& name, const std::string& bytes) const {
    EXPECT_TRUE(writeBytes(path(name), bytes)) << "cannot write " << narrow(name);
}

void GlimraRun::makeFolder(const std::wstring& name) const {
    EXPECT_TRUE(CreateDirectoryW(path(name).c_str(), nullptr)) << "cannot make " << narrow(name);
}

void GlimraRun::start() {
    std::wstring exe = path(L"Glimra3.exe");
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, scratch_.path().c_str(),
                        &startup, &processInfo_)) {
        ADD_FAILURE() << "cannot start " << narrow(exe) << " (error " << GetLastError() << ")";
    }
}

bool GlimraRun::running() const { return !processEnded(processInfo_.hProcess); }

bool GlimraRun::mainWindowVisible() const { return main_ && IsWindowVisible(main_); }

bool GlimraRun::waitUntilShown() {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < kWaitMs) {
        if (!running()) {
            ADD_FAILURE() << "Glimra ended before its window was shown";
            return false;
        }
        if (findMessageBox()) {
            failOnBox("start-up");
            continue;
        }
        if (!main_) {
            std::vector<HWND> windows = topLevelWindows(processId(), L"GLIMRA3");
            main_ = windows.empty() ? nullptr : windows.front();
        }
        if (main_ && !panel_) {
            panel_ = FindWindowExW(main_, nullptr, L"#32770", nullptr);
        }
        if (main_ && panel_ && IsWindowVisible(main_) && IsWindowVisible(panel_)) {
            return true;
        }
        pumpMessages(kPollMs);
    }
    ADD_FAILURE() << "Glimra's window was not shown within " << kWaitMs << " ms";
    return false;
}

DWORD GlimraRun::waitForExit() {
    DWORD started = GetTickCount();
    while (running()) {
        if (GetTickCount() - started > kWaitMs) {
            ADD_FAILURE() << "Glimra did not end within " << kWaitMs << " ms; killed";
            kill();
            return static_cast<DWORD>(-1);
        }
        if (findMessageBox()) {
            failOnBox("the wait for the end");
            continue;
        }
        pumpMessages(kPollMs);
    }
    DWORD code = 0;
    GetExitCodeProcess(processInfo_.hProcess, &code);
    return code;
}

void GlimraRun::kill() {
    TerminateProcess(processInfo_.hProcess, 1);
    WaitForSingleObject(processInfo_.hProcess, 5000);
}

void GlimraRun::setChecked(int id, bool checked) const {
    query(GetDlgItem(panel_, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int GlimraRun::checkState(int id) const { return static_cast<int>(query(GetDlgItem(panel_, id), BM_GETCHECK, 0, 0)); }

bool GlimraRun::isEnabled(int id) const { return IsWindowEnabled(GetDlgItem(panel_, id)) != FALSE; }

std::wstring GlimraRun::memo() const { return windowText(GetDlgItem(panel_, 1021)); }

void GlimraRun::setMemo(const std::wstring& text) const {
    query(GetDlgItem(panel_, 1021), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void GlimraRun::sendToMain(UINT message, WPARAM wParam, LPARAM lParam) {
    auto send = std::make_unique<PendingSend>();
    send->target = main_;
    send->message = message;
    send->wParam = wParam;
    send->lParam = lParam;
    send->thread = CreateThread(nullptr, 0, PendingSend::run, send.get(), 0, nullptr);
    pending_.push_back(std::move(send));
}

void GlimraRun::close() { sendToMain(WM_CLOSE, 0, 0); }

void GlimraRun::menu(int commandId) { sendToMain(WM_COMMAND, MAKEWPARAM(commandId, 0), 0); }

void GlimraRun::press(int buttonId) {
    auto send = std::make_unique<PendingSend>();
    send->target = panel_;
    send->message = WM_COMMAND;
    send->wParam = MAKEWPARAM(buttonId, BN_CLICKED);
    send->lParam = reinterpret_cast<LPARAM>(GetDlgItem(panel_, buttonId));
    send->thread = CreateThread(nullptr, 0, PendingSend::run, send.get(), 0, nullptr);
    pending_.push_back(std::move(send));
}

bool GlimraRun::waitUntilIdle() {
    DWORD started = GetTickCount();
    for (;;) {
        bool allDone = std::all_of(pending_.begin(), pending_.end(), [](const auto& send) { return send->done(); });
        if (allDone) {
            return true;
        }
        if (GetTickCount() - started > kWaitMs) {
            ADD_FAILURE() << "Glimra was still busy with a command after " << kWaitMs << " ms";
            return false;
        }
        if (findMessageBox()) {
            failOnBox("a command");
            continue;
        }
        pumpMessages(kPollMs);
    }
}

HWND GlimraRun::findMessageBox() const {
    for (HWND window : topLevelWindows(processId(), L"#32770")) {
        if (isMessageBox(window) && IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

void GlimraRun::failOnBox(const char* during) {
    SeenBox box = readBox(findMessageBox());
    ADD_FAILURE() << "unexpected message box during " << during << ": [" << narrow(box.caption) << "] "
                  << narrow(box.text);
    bool hasOk = std::find(box.buttons.begin(), box.buttons.end(), IDOK) != box.buttons.end();
    box.answer(hasOk ? IDOK : IDYES);
}

SeenBox GlimraRun::waitForMessageBox() {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < kWaitMs) {
        HWND window = findMessageBox();
        if (window) {
            return readBox(window);
        }
        if (!running()) {
            ADD_FAILURE() << "Glimra ended without showing the message box waited for";
            return SeenBox();
        }
        bool commandsDone = !pending_.empty() &&
                            std::all_of(pending_.begin(), pending_.end(), [](const auto& send) { return send->done(); });
        if (commandsDone && !findMessageBox()) {
            ADD_FAILURE() << "Glimra finished its commands without showing the message box waited for";
            return SeenBox();
        }
        pumpMessages(kPollMs);
    }
    ADD_FAILURE() << "no message box within " << kWaitMs << " ms";
    return SeenBox();
}

void GlimraRun::expectBoxes(const std::vector<ExpectedBox>& boxes) {
    for (size_t i = 0; i < boxes.size(); ++i) {
        const ExpectedBox& expected = boxes[i];
        SCOPED_TRACE("message box " + std::to_string(i + 1) + ": " + narrow(expected.text));
        SeenBox box = waitForMessageBox();
        if (!box) {
            return;
        }
        EXPECT_EQ(narrow(expected.caption), narrow(box.caption));
        EXPECT_EQ(narrow(expected.text), narrow(box.text));
        EXPECT_STREQ(iconName(expected.icon), iconName(box.icon));
        EXPECT_EQ(expected.buttons, box.buttons);
        box.answer(expected.answer);
    }
}

HWND GlimraRun::waitForDialog(const std::wstring& caption) {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < kWaitMs) {
        for (HWND window : topLevelWindows(processId(), L"#32770")) {
            if (!isMessageBox(window) && IsWindowVisible(window) && windowText(window) == caption) {
                return window;
            }
        }
        if (findMessageBox()) {
            failOnBox("the wait for a dialog");
            continue;
        }
        if (!running()) {
            break;
        }
        pumpMessages(kPollMs);
    }
    ADD_FAILURE() << "no dialog \"" << narrow(caption) << "\" within " << kWaitMs << " ms";
    return nullptr;
}

HWND GlimraRun::waitForFolderBrowser() {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < kWaitMs) {
        for (HWND window : topLevelWindows(processId(), L"#32770")) {
            if (IsWindowVisible(window) && childOfClass(window, L"SysTreeView32")) {
                return window;
            }
        }
        if (findMessageBox()) {
            failOnBox("the wait for the folder chooser");
            continue;
        }
        if (!running()) {
            break;
        }
        pumpMessages(kPollMs);
    }
    ADD_FAILURE() << "no folder chooser within " << kWaitMs << " ms";
    return nullptr;
}
