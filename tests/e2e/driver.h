// Glimra3.exe run in a folder of its own and driven from outside as a user would, its files checked by Linux tools.
#ifndef GLIMRA_E2E_DRIVER_H
#define GLIMRA_E2E_DRIVER_H

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <optional>

#include "../shared.h"
#include "ids.h"

inline std::wstring glimraExe;  // from the command line

// Top-level windows of a class, topmost first: of one process, or of any but the driver's.
inline std::vector<HWND> windowsOf(DWORD processId, const wchar_t* className, bool hiddenToo = false) {
    std::vector<HWND> found;
    for (HWND window : topLevelWindows()) {
        DWORD owner = 0;
        wchar_t name[64] = {};
        GetWindowThreadProcessId(window, &owner);
        GetClassNameW(window, name, 64);
        const bool ofProcess = processId ? owner == processId : owner != GetCurrentProcessId();
        if (ofProcess && !wcscmp(name, className) && (hiddenToo || IsWindowVisible(window))) found.push_back(window);
    }
    return found;
}
// A 32-bit top-down bitmap whose pixels are 0xRRGGBB, the top byte unused.
using Pixels = std::vector<uint32_t>;
inline ScopedGdiObject bitmap(int width, int height, uint32_t** bits) {
    const BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    return ScopedGdiObject(CreateDIBSection(0, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(bits), 0, 0));
}
template <typename Draw>
Pixels drawn(int width, int height, Draw draw) {  // the pixels that draw leaves in a fresh bitmap
    uint32_t* bits = nullptr;
    const ScopedMemoryDC memory(CreateCompatibleDC(nullptr));
    const ScopedGdiObject target = bitmap(width, height, &bits);
    if (!memory || !target) return {};
    {
        const ScopedSelection selected(memory.get(), target.get());
        draw(memory.get());
        GdiFlush();
    }
    Pixels pixels(bits, bits + width * height);
    for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}
inline Pixels grab(const RECT& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    return drawn(width, height, [&](HDC target) {
        const ScopedWindowDC screen(nullptr, GetDC(nullptr));
        BitBlt(target, 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
    });
}

enum class Icon { Error, Warning, Information, Question, Glimra, Other };
inline const char* const kIconNames[] = {"error", "warning", "information", "question", "Glimra's", "other"};
// A box's icon told by its pixels, against each candidate drawn over its background: icon handles do not cross.
inline Icon iconOf(HWND box) {
    static const ScopedIcon glimraIcon(ExtractIconW(nullptr, glimraExe.c_str(), 0));
    const HICON icons[] = {LoadIconW(nullptr, IDI_ERROR), LoadIconW(nullptr, IDI_WARNING),
                           LoadIconW(nullptr, IDI_INFORMATION), LoadIconW(nullptr, IDI_QUESTION), glimraIcon.get()};
    HWND control = nullptr;  // the static that shows the icon
    while ((control = FindWindowExW(box, control, L"Static", nullptr)) &&
           (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {}
    RECT rect = {};
    GetWindowRect(control, &rect);
    const RECT all = {0, 0, rect.right - rect.left, rect.bottom - rect.top};
    int found = 0;
    waitFor([&] {  // the box may not have painted at first sight, nor soon on a busy machine
        const Pixels shown = grab(rect);
        const COLORREF background = shown.empty() ? 0 : RGB(shown[0] >> 16, shown[0] >> 8 & 0xFF, shown[0] & 0xFF);
        const ScopedGdiObject brush(CreateSolidBrush(background));
        auto draw = [&](HDC target) {
            FillRect(target, &all, static_cast<HBRUSH>(brush.get()));
            DrawIconEx(target, 0, 0, icons[found], all.right, all.bottom, 0, nullptr, DI_NORMAL);
        };
        for (found = 0; found < 5 && shown != drawn(all.right, all.bottom, draw);) ++found;
        return found < 5;
    });
    return Icon(found);
}

struct Box {  // a message box as the user sees it, and the button that answers it
    std::wstring text;
    Icon icon;
    std::vector<int> buttons = {IDOK};
    int answer = IDOK;
    std::wstring caption = L"Glimra Ver 3.00";
};
// A dialog of Glimra's other than a message box, once shown: it exists, still hidden, while its
// WM_INITDIALOG fills it.
inline HWND dialog(const wchar_t* caption) {
    HWND found = nullptr;
    EXPECT_TRUE(waitFor([&] { return (found = FindWindowW(L"#32770", caption)) && IsWindowVisible(found); }))
        << utf8(caption);
    return found;
}
inline Box question(const std::wstring& text, int answer) { return {text, Icon::Question, {IDYES, IDNO}, answer}; }
inline Box information(const std::wstring& text) { return {text, Icon::Information}; }
inline Box error(const std::wstring& text) { return {text, Icon::Error}; }
inline const Box kWriteFailed = error(L"ファイルの書き込みに失敗しました。");
inline void answer(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(box, button)));
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(box); })) << "the box stayed after its answer";
}

// A borderless window of a pattern with no two pixels alike: a shifted, flipped or recoloured copy fails.
class PatternWindow {
public:
    PatternWindow(const wchar_t* title, RECT rect, bool topmost) : rect_(rect) {
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        bitmap_ = bitmap(width, height, &bits_);
        for (int x = 0, y = 0; bits_ && y < height; x = (x + 1) % width, y += !x)
            bits_[y * width + x] = uint32_t((x >> 8 | y >> 8 << 4) << 16 | (y & 0xFF) << 8 | (x & 0xFF));
        window.reset(CreateWindowExW(topmost ? WS_EX_TOPMOST : 0, L"Static", title, WS_POPUP | WS_VISIBLE | SS_BITMAP,
                                     rect.left, rect.top, width, height, nullptr, nullptr, nullptr, nullptr));
        SendMessageW(window.get(), STM_SETIMAGE, IMAGE_BITMAP, LPARAM(bitmap_.get()));
    }
    bool waitUntilOnScreen() {  // the part on the screen shows the pattern
        const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        RECT shown = {};
        IntersectRect(&shown, &rect_, &screen);
        Pixels pattern;
        for (LONG y = shown.top - rect_.top, width = rect_.right - rect_.left; y < shown.bottom - rect_.top; ++y) {
            const uint32_t* row = bits_ + y * width - rect_.left;
            pattern.insert(pattern.end(), row + shown.left, row + shown.right);
        }
        return waitFor([&] { return grab(shown) == pattern || !InvalidateRect(window.get(), nullptr, FALSE); });
    }
    const RECT rect_;
    uint32_t* bits_ = nullptr;
    ScopedGdiObject bitmap_;
    ScopedWindow window;  // gone before the bitmap it shows
};

// One Glimra3.exe: a copy in a scratch folder removed afterwards, or the program where it lies.
class Glimra {
    std::optional<Scratch> scratch_;  // none where the program lies

public:
    explicit Glimra(const std::vector<std::pair<std::wstring, std::string>>& files = {},
                    const std::vector<std::wstring>& folders = {})
        : scratch_(std::in_place), folder(scratch_->path + L"\\") {
        fs::copy_file(glimraExe, path(L"Glimra3.exe"));
        for (const auto& [name, bytes] : files) writeFile(path(name), bytes);
        for (const std::wstring& name : folders) fs::create_directory(path(name));
    }
    explicit Glimra(const std::wstring& exeFolder) : folder(exeFolder) {}
    ~Glimra() { kill(); }  // before the scratch folder goes
    std::wstring path(const std::wstring& name) const { return folder + name; }
    std::string read(const std::wstring& name) const { return readFile(path(name)); }
    bool start(const std::vector<Box>& startBoxes = {}, int show = -1) {  // the boxes come before the window
        kill();
        main = panel = nullptr;
        process_ = launch(L"\"" + path(L"Glimra3.exe") + L"\"", folder.c_str(), &processId, show);
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
        for (int id : {IDC_TRIMING, IDC_ALTER, IDC_NONESCS, IDC_JPEGPIC, IDC_PNGPIC, IDC_CONSTANT, IDC_SAVEINI,
                       IDC_POPWINDOW, IDC_NONEDIALOG, IDC_NONEIMG, IDC_AUTOEND, IDC_USEBG, IDC_ISTASK, IDC_ALMEMO,
                       IDC_ASMEMO})
            if (disabled ? !IsWindowEnabled(GetDlgItem(panel, id)) : ask(GetDlgItem(panel, id), BM_GETCHECK))
                ids.push_back(id);
        return ids;
    }
    void tick(std::initializer_list<int> ids, bool on = true) const {
        for (int id : ids) ask(GetDlgItem(panel, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED);
    }
    std::wstring memo() const { return windowText(GetDlgItem(panel, IDC_MEMO)); }
    void setMemo(const std::wstring& text) const { ask(GetDlgItem(panel, IDC_MEMO), WM_SETTEXT, 0, LPARAM(&text[0])); }
    // Commands are sent without waiting, so the driver stays free to answer what they show.
    void send(UINT message, WPARAM wParam, LPARAM lParam, const std::vector<Box>& boxes = {}) {
        SendNotifyMessageW(main, message, wParam, lParam);
        expect(boxes);
    }
    void menu(int id, const std::vector<Box>& boxes = {}) { send(WM_COMMAND, WPARAM(id), 0, boxes); }
    void close(const std::vector<Box>& boxes = {}) { send(WM_CLOSE, 0, 0, boxes); }
    DWORD end(UINT message, WPARAM wParam, const std::vector<Box>& boxes = {}) {  // the exit code
        return send(message, wParam, 0, boxes), exitCode();
    }
    void press(int id) const { SendNotifyMessageW(panel, WM_COMMAND, WPARAM(id), 0); }  // the panel passes menu ids on
    void capture() { press(IDC_CAPTURE_SCREEN); expect({}); }
    // Waits for each box in order, checks and answers it; then for Glimra to be idle.
    void expect(const std::vector<Box>& boxes) {
        for (const Box& want : boxes) {
            SCOPED_TRACE(utf8(want.text));
            HWND box = nullptr;
            waitFor([&] { return (box = openWindow(true)) || !running() || (main && idle()); });
            std::vector<int> buttons;
            for (HWND b = FindWindowExW(box, 0, L"Button", 0); box && b; b = FindWindowExW(box, b, L"Button", 0))
                if (IsWindowVisible(b)) buttons.push_back(GetDlgCtrlID(b));
            EXPECT_EQ(utf8(want.caption), utf8(windowText(box))) << "no box?";
            EXPECT_EQ(utf8(want.text), utf8(windowText(GetDlgItem(box, 0xFFFF))));
            EXPECT_STREQ(kIconNames[int(want.icon)], kIconNames[int(box ? iconOf(box) : Icon::Other)]);
            EXPECT_EQ(want.buttons, buttons);
            answer(box, want.answer);
        }
        EXPECT_TRUE(!main || waitFor([&] { return noBox() && idle(); })) << "Glimra stayed busy";
    }
    std::vector<std::wstring> captureWindow(const std::wstring& title) const {  // the picker's rows; title chosen
        press(IDC_CAPTURE_WINDOW);
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
    // Opens the folder chooser with a command, chooses the folder and answers with the button.
    void chooseFolder(int command, const std::wstring& chosen, const std::vector<Box>& boxes, int button = IDOK) {
        // Wine's chooser finds folders by ids holding their access time: read and dated ahead, they keep them.
        const std::string walk = "; until [ $p = / ]; do ls $p; touch -a -d tomorrow $p; p=$(dirname $p); done";
        if (underWine()) runUnix("p=" + unixPath(chosen) + walk);
        press(command);
        HWND chooser = nullptr, tree = nullptr;
        waitFor([&] { return (chooser = openWindow(false)) && (tree = FindWindowExW(chooser, 0, WC_TREEVIEWW, 0)); });
        auto selected = [&] { return ask(tree, TVM_GETNEXTITEM, TVGN_CARET); };
        const LRESULT opened = waitFor(selected) ? selected() : 0;
        // The path is carried by a pointer, so it is written into Glimra's own memory.
        void* remote = VirtualAllocEx(process_.get(), nullptr, (chosen.size() + 1) * 2, MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(process_.get(), remote, chosen.c_str(), (chosen.size() + 1) * 2, nullptr);
        ask(chooser, BFFM_SETSELECTIONW, TRUE, LPARAM(remote));
        EXPECT_TRUE(waitFor([&] { return selected() != opened; })) << "not chosen: " << utf8(chosen);
        PostMessageW(chooser, WM_COMMAND, button, 0);
        expect(boxes);
        VirtualFreeEx(process_.get(), remote, 0, MEM_RELEASE);
    }
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

    // Idle once a posted message (the memo's modified flag, unread by Glimra) is handled with no dialog about.
    bool idle(DWORD bound = kBoundMs) const {
        HWND memo = GetDlgItem(panel, IDC_MEMO);
        DWORD_PTR before = 0, now = 0;
        auto flag = [&](DWORD_PTR& into) { return SendMessageTimeoutW(memo, EM_GETMODIFY, 0, 0, 0, 50, &into); };
        waitFor([&] { return !IsWindow(memo) || flag(before); });
        PostMessageW(memo, EM_SETMODIFY, !before, 0);
        const bool handled = waitFor([&] { return !IsWindow(memo) || (flag(now) && now != before); }, bound);
        return handled && !openWindow(false, true);
    }

    const std::wstring folder;  // with a trailing backslash
    HWND main = nullptr, panel = nullptr;
    DWORD processId = 0;

private:
    // Glimra's dialogs but the panel; the message boxes have a label 0xFFFF and no edit, list or tree.
    HWND openWindow(bool messageBox, bool hiddenToo = false) const {
        for (HWND window : windowsOf(processId, L"#32770", hiddenToo)) {
            auto has = [&](const wchar_t* className) { return FindWindowExW(window, 0, className, 0) != nullptr; };
            const bool box = GetDlgItem(window, 0xFFFF) && !has(L"Edit") && !has(L"ListBox") && !has(WC_TREEVIEWW);
            if (window != panel && (box || !messageBox)) return window;
        }
        return nullptr;
    }
    bool noBox() const {  // a box shown fails and is answered
        HWND box = openWindow(true);
        EXPECT_FALSE(box) << "unexpected box: " << utf8(windowText(GetDlgItem(box, 0xFFFF)));
        return !box || (answer(box, GetDlgItem(box, IDYES) ? IDYES : IDOK), false);
    }
    ScopedHandle process_;
};

// A drive letter onto a folder, as subst makes one; Wine takes no subst: its drives are links in its prefix.
struct MappedDrive {
    explicit MappedDrive(const std::wstring& folder) {
        for (wchar_t free = L'Q'; free <= L'Y' && letter.empty(); ++free) {
            const std::wstring name = {free, L':'};
            if (GetLogicalDrives() & 1u << (free - L'A')) continue;
            if (underWine() ? link(name, "ln -sfn " + unixPath(folder)) : DefineDosDeviceW(0, name.c_str(), folder.c_str()))
                letter = name;
        }
    }
    ~MappedDrive() {
        if (!letter.empty()) underWine() ? link(letter, "rm") : DefineDosDeviceW(DDD_REMOVE_DEFINITION, letter.c_str(), 0);
    }
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;
    static bool link(const std::wstring& drive, const std::string& command) {  // on the prefix's entry for the drive
        const std::string entry = "/dosdevices/" + std::string(1, char(drive[0] - L'A' + 'a')) + ":";
        return runUnix(command + " \"$(dirname $(realpath " + unixPath(L"C:\\") + "))" + entry + "\"") == "";
    }
    std::wstring letter;  // "Q:"; empty when none could be made
};

#endif
