// The end-to-end driver: Glimra3.exe started in a folder of its own and driven from outside as a
// user would, its windows and message boxes read across processes, its files read from disk and,
// under Wine, checked with Linux tools that no one here wrote. Included by the scenarios only.
#ifndef GLIMRA_E2E_DRIVER_H
#define GLIMRA_E2E_DRIVER_H

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ids.h"

namespace fs = std::filesystem;
constexpr DWORD kBoundMs = 20000;  // no wait for Glimra lasts longer
inline std::wstring glimraExe;     // from the command line

// What the driver opens is owned, with the function that frees it.
template <typename H, typename Free>
using Owned = std::unique_ptr<std::remove_pointer_t<H>, Free>;
using Handle = Owned<HANDLE, decltype(&CloseHandle)>;
inline Handle own(HANDLE handle) { return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle, &CloseHandle); }

inline void pump(DWORD milliseconds) {  // the driver's own windows paint and answer meanwhile
    MSG message;
    for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;
         MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT)) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
}
template <typename Done>
bool waitFor(Done done, DWORD bound = kBoundMs) {
    for (DWORD start = GetTickCount(); !done(); pump(20)) {
        if (GetTickCount() - start > bound) return false;
    }
    return true;
}

inline std::string utf8(const std::wstring& text) { return fs::path(text).u8string(); }  // any text, not only paths
inline std::string utf16le(const std::wstring& text) {  // no terminator, as dirInfo.dat holds a path
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}
inline std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
inline void writeFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
inline Handle holdFile(const std::wstring& path) {  // without sharing, as another program holds it
    return own(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}
inline std::vector<std::wstring> namesIn(const fs::path& folder) {  // sorted
    std::vector<std::wstring> names;
    std::error_code missing;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, missing))
        names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}
inline std::wstring scratchName() {
    static int count = 0;
    return fs::temp_directory_path() / (L"glimra-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                        std::to_wstring(++count));
}
inline Handle launch(std::wstring line, const wchar_t* folder, DWORD* processId) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info)) return own(nullptr);
    CloseHandle(info.hThread);
    *processId = info.dwProcessId;
    return own(info.hProcess);
}

// Linux tools, run by /bin/sh from inside Wine; a native Windows run has none.
inline FARPROC wineToUnix() { return GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name"); }
inline bool underWine() { return wineToUnix() != nullptr; }
inline std::string unixPath(const std::wstring& path) {  // quoted for the shell
    auto toUnix = reinterpret_cast<char*(CDECL*)(const wchar_t*)>(reinterpret_cast<void*>(wineToUnix()));
    auto release = [](char* name) { HeapFree(GetProcessHeap(), 0, name); };
    Owned<char*, decltype(release)> name(toUnix ? toUnix(path.c_str()) : nullptr, release);
    return "'" + std::string(name ? name.get() : "") + "'";
}
// Native programs started from Wine give no handle to wait on: the script leaves its status in a
// file, written last and polled for. The result is stdout and stderr; a bad status fails.
inline std::string runUnix(const std::string& command) {
    const std::wstring base = scratchName();
    const std::string out = unixPath(base + L".out"), status = unixPath(base + L".rc");
    writeFile(base + L".sh", "(" + command + ") >" + out + " 2>&1; echo $? >" + status + "new; mv " + status + "new " + status);
    std::string line = "/bin/sh " + unixPath(base + L".sh");
    std::replace(line.begin(), line.end(), '\'', '"');  // Windows command lines quote with "
    DWORD shell = 0;
    launch(std::wstring(line.begin(), line.end()), nullptr, &shell);
    const bool done = waitFor([&] { return fs::exists(base + L".rc"); }, 60000);
    const std::string output = readFile(base + L".out");
    EXPECT_TRUE(done && readFile(base + L".rc") == "0\n") << command << "\n" << output;
    for (const wchar_t* end : {L".sh", L".out", L".rc"}) fs::remove(base + end);
    return output;
}

inline LRESULT ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kBoundMs, &result);
    return static_cast<LRESULT>(result);
}
inline std::wstring windowText(HWND window) {  // WM_GETTEXT is carried across processes
    std::wstring text(static_cast<size_t>(ask(window, WM_GETTEXTLENGTH)) + 1, L'\0');
    text.resize(static_cast<size_t>(ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}
// Top-level windows of a class, topmost first: of one process, or of any but the driver's.
inline std::vector<HWND> windowsOf(DWORD processId, const wchar_t* className, bool hiddenToo = false) {
    std::vector<HWND> found;
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD owner = 0;
        wchar_t name[64] = {};
        GetWindowThreadProcessId(window, &owner);
        GetClassNameW(window, name, 64);
        if ((processId ? owner == processId : owner != GetCurrentProcessId()) && (hiddenToo || IsWindowVisible(window)) &&
            !wcscmp(name, className))
            found.push_back(window);
    }
    return found;
}
// Closes, as the user would, the Notepad that shows this file; false when none came.
inline bool closeNotepad(const std::wstring& file) {
    HWND shown = nullptr;
    waitFor([&] {
        for (HWND notepad : windowsOf(0, L"Notepad")) shown = windowText(notepad).find(file) == 0 ? notepad : shown;
        return shown != nullptr;
    });
    return shown && PostMessageW(shown, WM_CLOSE, 0, 0);
}

using Pixels = std::vector<uint32_t>;
// Pixels, as 0xRRGGBB from the top row down, of what draw puts into a fresh 32-bit bitmap.
template <typename Draw>
Pixels drawn(int width, int height, Draw draw) {
    const BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    Owned<HDC, decltype(&DeleteDC)> memory(CreateCompatibleDC(nullptr), &DeleteDC);
    Owned<HBITMAP, decltype(&DeleteObject)> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0),
                                                   &DeleteObject);
    if (!memory || !bitmap) return {};
    HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    draw(memory.get());
    GdiFlush();
    Pixels pixels(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + width * height);
    SelectObject(memory.get(), previous);
    for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}
inline Pixels grab(const RECT& rect) {
    return drawn(rect.right - rect.left, rect.bottom - rect.top, [&](HDC target) {
        auto release = [](HDC screen) { ReleaseDC(nullptr, screen); };
        Owned<HDC, decltype(release)> screen(GetDC(nullptr), release);
        BitBlt(target, 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen.get(), rect.left, rect.top, SRCCOPY);
    });
}

enum class Icon { Error, Warning, Information, Question, Glimra, Other };
inline const char* const kIconNames[] = {"error", "warning", "information", "question", "Glimra's", "other"};
// A box's icon told by the pixels of its icon control, compared with each candidate drawn by the
// driver over the same background: icon handles do not cross processes under Wine.
inline Icon iconOf(HWND box) {
    static Owned<HMODULE, decltype(&FreeLibrary)> program(
        LoadLibraryExW(glimraExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), &FreeLibrary);
    static Owned<HICON, decltype(&DestroyIcon)> glimraIcon(
        HICON(LoadImageW(program.get(), MAKEINTRESOURCEW(IDI_GLIMRA), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)), &DestroyIcon);
    const HICON icons[] = {LoadIconW(nullptr, IDI_ERROR), LoadIconW(nullptr, IDI_WARNING),
                           LoadIconW(nullptr, IDI_INFORMATION), LoadIconW(nullptr, IDI_QUESTION), glimraIcon.get()};
    HWND control = FindWindowExW(box, nullptr, L"Static", nullptr);
    while (control && (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        control = FindWindowExW(box, control, L"Static", nullptr);
    RECT rect = {};
    GetWindowRect(control, &rect);
    // The box may not have painted at first sight: what it shows twice in a row, not blank, it shows.
    Pixels shown, previous;
    waitFor([&] {
        previous = std::exchange(shown, grab(rect));
        return shown.empty() || (shown == previous && shown != Pixels(shown.size(), shown[0]));
    });
    const RECT all = {0, 0, rect.right - rect.left, rect.bottom - rect.top};
    Owned<HBRUSH, decltype(&DeleteObject)> background(
        CreateSolidBrush(shown.empty() ? 0 : RGB(shown[0] >> 16, shown[0] >> 8 & 0xFF, shown[0] & 0xFF)), &DeleteObject);
    for (int i = 0; i < 5; ++i) {
        if (shown == drawn(all.right, all.bottom, [&](HDC target) {
                FillRect(target, &all, background.get());
                DrawIconEx(target, 0, 0, icons[i], all.right, all.bottom, 0, nullptr, DI_NORMAL);
            }))
            return Icon(i);
    }
    return Icon::Other;
}

struct Box {  // a message box as the user sees it, and the button that answers it
    std::wstring text;
    Icon icon;
    std::vector<int> buttons = {IDOK};
    int answer = IDOK;
    std::wstring caption = L"Glimra Ver 3.00";
};
inline void answer(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(box); })) << "the box stayed after its answer";
}

// Wine's folder chooser finds a folder by item ids holding its access time, and a first read
// after a change moves that time; read first and dated a day ahead, the folders keep their ids.
inline void readFoldersOnTheWay(const std::wstring& path) {
    if (underWine())
        runUnix("p=" + unixPath(path) + "; while [ \"$p\" != / ]; do ls \"$p\" >/dev/null; touch -a -d tomorrow \"$p\"; "
                "p=$(dirname \"$p\"); done");
}

// A borderless window of the driver showing a pattern in which no two pixels are alike, so a
// shifted, flipped or recoloured copy cannot pass.
class PatternWindow {
public:
    PatternWindow(const wchar_t* title, RECT rect, bool topmost) : rect_(rect) {
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        const BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
        for (int at = 0; bits_ && at < width * height; ++at)
            bits_[at] = uint32_t((at % width >> 8 | at / width >> 8 << 4) << 16 | (at / width & 0xFF) << 8 | (at % width & 0xFF));
        window = CreateWindowExW(topmost ? WS_EX_TOPMOST : 0, L"Static", title, WS_POPUP | WS_VISIBLE | SS_BITMAP,
                                 rect.left, rect.top, width, height, nullptr, nullptr, nullptr, nullptr);
        SendMessageW(window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_.get()));
    }
    ~PatternWindow() { DestroyWindow(window); }
    bool waitUntilOnScreen() {
        const Pixels pattern(bits_, bits_ + (rect_.right - rect_.left) * (rect_.bottom - rect_.top));
        return waitFor([&] { return InvalidateRect(window, nullptr, FALSE) && (pump(50), grab(rect_) == pattern); });
    }
    HWND window;

private:
    RECT rect_;
    uint32_t* bits_ = nullptr;
    Owned<HBITMAP, decltype(&DeleteObject)> bitmap_{nullptr, &DeleteObject};
};

// One Glimra3.exe: a copy in a scratch folder removed afterwards, or the program where it lies.
class Glimra {
public:
    // Starting files by name and content; a name ending in a backslash is a folder.
    explicit Glimra(const std::vector<std::pair<std::wstring, std::string>>& files = {})
        : folder(scratchName() + L"\\"), scratch_(true) {
        fs::create_directory(folder);
        fs::copy_file(glimraExe, path(L"Glimra3.exe"));
        for (const auto& [name, bytes] : files) {
            if (name.back() == L'\\') fs::create_directory(path(name));
            if (name.back() != L'\\') writeFile(path(name), bytes);
        }
    }
    explicit Glimra(const std::wstring& exeFolder) : folder(exeFolder), scratch_(false) {}
    ~Glimra() {
        kill();
        std::error_code ignored;
        if (scratch_) fs::remove_all(folder, ignored);
    }
    std::wstring path(const std::wstring& name) const { return folder + name; }

    bool start(const std::vector<Box>& startBoxes = {}) {  // the boxes come before the window
        kill();
        main = panel = nullptr;
        process_ = launch(L"\"" + path(L"Glimra3.exe") + L"\"", folder.c_str(), &processId);
        expect(startBoxes);
        waitFor([&] {
            const std::vector<HWND> mains = windowsOf(processId, L"GLIMRA3");
            panel = mains.empty() ? nullptr : FindWindowExW(main = mains[0], nullptr, L"#32770", nullptr);
            return !noBox() || !running() || IsWindowVisible(panel);
        });
        EXPECT_TRUE(running() && IsWindowVisible(panel)) << "Glimra's window was not shown";
        return running() && IsWindowVisible(panel);
    }
    std::vector<int> boxes(bool disabled = false) const {  // the check boxes ticked (or disabled), in panel order
        std::vector<int> ids;
        for (int id : {IDC_TRIMING, IDC_ALTER, IDC_NONESCS, IDC_JPEGPIC, IDC_PNGPIC, IDC_CONSTANT, IDC_SAVEINI, IDC_POPWINDOW,
                       IDC_NONEDIALOG, IDC_NONEIMG, IDC_AUTOEND, IDC_USEBG, IDC_ISTASK, IDC_ALMEMO, IDC_ASMEMO}) {
            if (disabled ? !IsWindowEnabled(GetDlgItem(panel, id)) : ask(GetDlgItem(panel, id), BM_GETCHECK) != 0)
                ids.push_back(id);
        }
        return ids;
    }
    void tick(int id, bool on) const { ask(GetDlgItem(panel, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED); }
    std::wstring memo() const { return windowText(GetDlgItem(panel, IDC_MEMO)); }
    void setMemo(const std::wstring& text) const { ask(GetDlgItem(panel, IDC_MEMO), WM_SETTEXT, 0, LPARAM(text.c_str())); }

    // Commands are sent without waiting for their end, so the driver stays free to answer what
    // they show; then each of the boxes is expected.
    void send(UINT message, WPARAM wParam, LPARAM lParam, const std::vector<Box>& boxes) {
        EXPECT_TRUE(SendNotifyMessageW(main, message, wParam, lParam)) << "message " << message << " not sent";
        expect(boxes);
    }
    void menu(int id, const std::vector<Box>& boxes = {}) { send(WM_COMMAND, WPARAM(id), 0, boxes); }
    void close(const std::vector<Box>& boxes = {}) { send(WM_CLOSE, 0, 0, boxes); }
    void press(int id) const { SendNotifyMessageW(panel, WM_COMMAND, WPARAM(id), LPARAM(GetDlgItem(panel, id))); }
    void capture() {
        press(IDC_CAPTURE_SCREEN);
        expect({});
    }
    // Waits for each box in order, checks and answers it; then for Glimra to be idle.
    void expect(const std::vector<Box>& boxes) {
        for (const Box& want : boxes) {
            SCOPED_TRACE(utf8(want.text));
            HWND box = nullptr;
            waitFor([&] { return (box = openWindow(true)) || !running() || (main && idle()); });
            std::vector<int> buttons;
            for (HWND b = FindWindowExW(box, nullptr, L"Button", nullptr); box && b; b = FindWindowExW(box, b, L"Button", nullptr))
                if (IsWindowVisible(b)) buttons.push_back(GetDlgCtrlID(b));
            EXPECT_EQ(utf8(want.caption), utf8(windowText(box))) << "no box?";
            EXPECT_EQ(utf8(want.text), utf8(windowText(GetDlgItem(box, 0xFFFF))));
            EXPECT_STREQ(kIconNames[int(want.icon)], kIconNames[int(box ? iconOf(box) : Icon::Other)]);
            EXPECT_EQ(want.buttons, buttons);
            answer(box, want.answer);
        }
        EXPECT_TRUE(!main || waitFor([&] { return noBox() && idle(); })) << "Glimra stayed busy";
    }
    HWND dialog(const std::wstring& caption) const {
        HWND found = nullptr;
        EXPECT_TRUE(waitFor([&] { return (found = openWindow(false)) && windowText(found) == caption; })) << utf8(caption);
        return found;
    }
    std::vector<std::wstring> pick(const std::wstring& title) const {  // the picker's rows; title chosen
        HWND list = GetDlgItem(dialog(L"取得可能なプロセス"), IDC_WINDOW_LIST);
        std::vector<std::wstring> rows;
        for (LRESULT row = 0, count = ask(list, LB_GETCOUNT); row < count; ++row) {
            rows.emplace_back(size_t(ask(list, LB_GETTEXTLEN, row)) + 1, L'\0');
            rows.back().resize(size_t(ask(list, LB_GETTEXT, row, LPARAM(&rows.back()[0]))));
        }
        ask(list, LB_SETCURSEL, std::find(rows.begin(), rows.end(), title) - rows.begin());
        PostMessageW(GetParent(list), WM_COMMAND, IDOK, 0);
        return rows;
    }
    // Opens the folder chooser with a command, sees it open on the initial folder, confirms chosen.
    void chooseFolder(int command, const std::wstring& initial, const std::wstring& chosen) {
        readFoldersOnTheWay(initial);
        readFoldersOnTheWay(chosen);
        SendNotifyMessageW(main, WM_COMMAND, WPARAM(command), 0);
        HWND chooser = nullptr, tree = nullptr;
        waitFor([&] { return (chooser = openWindow(false)) && (tree = FindWindowExW(chooser, nullptr, WC_TREEVIEWW, nullptr)); });
        // Pointers in the chooser's messages point into Glimra's own memory.
        struct Request {
            TVITEMW item;
            wchar_t text[MAX_PATH];
        } request = {}, *remote = static_cast<Request*>(
                            VirtualAllocEx(process_.get(), nullptr, sizeof(Request), MEM_COMMIT, PAGE_READWRITE));
        auto selected = [&](const std::wstring& folder) {  // the folder's name, before its backslash
            const size_t name = folder.find_last_of(L'\\', folder.size() - 2) + 1;
            request.item = {TVIF_TEXT, HTREEITEM(ask(tree, TVM_GETNEXTITEM, TVGN_CARET)), 0, 0, remote->text, MAX_PATH, 0, 0, 0, 0};
            return WriteProcessMemory(process_.get(), remote, &request, sizeof(request), nullptr) &&
                   ask(tree, TVM_GETITEMW, 0, LPARAM(remote)) &&
                   ReadProcessMemory(process_.get(), remote, &request, sizeof(request), nullptr) &&
                   folder.compare(name, folder.size() - 1 - name, request.text) == 0;
        };
        // It settles on its first folder a moment after it shows, undoing an earlier choice.
        EXPECT_TRUE(waitFor([&] { return selected(initial); })) << "not opened on " << utf8(initial);
        WriteProcessMemory(process_.get(), remote->text, chosen.c_str(), (chosen.size() + 1) * sizeof(wchar_t), nullptr);
        ask(chooser, BFFM_SETSELECTIONW, TRUE, LPARAM(remote->text));
        EXPECT_TRUE(waitFor([&] { return selected(chosen + L"\\"); })) << "not chosen: " << utf8(chosen);
        PostMessageW(chooser, WM_COMMAND, IDOK, 0);
        VirtualFreeEx(process_.get(), remote, 0, MEM_RELEASE);
    }
    bool visible() const { return IsWindowVisible(main); }
    bool running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
    DWORD exitCode() {  // once ended; a box meanwhile fails
        DWORD code = 0;
        EXPECT_TRUE(waitFor([&] { return noBox() && !running(); })) << "Glimra did not end";
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }
    void kill() {
        if (running()) TerminateProcess(process_.get(), 1);
        if (process_) WaitForSingleObject(process_.get(), kBoundMs);
    }

    const std::wstring folder;  // with a trailing backslash
    HWND main = nullptr;
    HWND panel = nullptr;
    DWORD processId = 0;

private:
    // Glimra's dialogs besides the panel; of those with a label of id 0xFFFF, only the message
    // boxes have no edit, list or tree.
    HWND openWindow(bool messageBox, bool hiddenToo = false) const {
        for (HWND window : windowsOf(processId, L"#32770", hiddenToo)) {
            auto has = [&](const wchar_t* className) { return FindWindowExW(window, nullptr, className, nullptr) != nullptr; };
            if (window != panel && (!messageBox || (GetDlgItem(window, 0xFFFF) && !has(L"Edit") && !has(L"ListBox") &&
                                                    !has(WC_TREEVIEWW))))
                return window;
        }
        return nullptr;
    }
    bool noBox() const {  // a box shown fails and is answered
        HWND box = openWindow(true);
        if (box) ADD_FAILURE() << "unexpected box: " << utf8(windowText(GetDlgItem(box, 0xFFFF)));
        if (box) answer(box, GetDlgItem(box, IDYES) ? IDYES : IDOK);
        return !box;
    }
    // Idle once a message posted now has been handled with no dialog of Glimra's about, shown or
    // not yet: posted messages wait while a command runs or waits for a reply, though not in a
    // modal loop. The mark is the memo's modified flag, which nothing in Glimra reads; it is asked
    // for briefly and often, so that the driver's own windows paint while Glimra is busy.
    bool idle() const {
        HWND memo = GetDlgItem(panel, IDC_MEMO);
        DWORD_PTR before = 0, now = 0;
        auto flag = [&](DWORD_PTR& into) { return SendMessageTimeoutW(memo, EM_GETMODIFY, 0, 0, SMTO_NORMAL, 50, &into); };
        waitFor([&] { return !IsWindow(memo) || flag(before); });
        PostMessageW(memo, EM_SETMODIFY, !before, 0);
        return waitFor([&] { return !IsWindow(memo) || (flag(now) && now != before); }) && !openWindow(false, true);
    }
    bool scratch_;
    Handle process_ = own(nullptr);
};

#endif
