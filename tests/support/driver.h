// Drives the real Glimra3.exe from outside, as a user would: a scratch folder with a copy of the
// program and its starting files, the process, its windows, its message boxes and its commands.
#ifndef GLIMRA_TEST_DRIVER_H
#define GLIMRA_TEST_DRIVER_H

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "message_boxes.h"
#include "scratch.h"

// The program under test and the source tree, given on the driver's command line.
void setGlimraExecutable(const std::wstring& windowsPath);
void setSourceFolder(const std::string& unixPath);
const std::string& sourceFolder();  // unix path, empty when not given

// "/a/b" -> "Z:\\a\\b": every unix path is reachable through drive Z: under Wine.
std::wstring windowsPathFromUnix(const std::string& unixPath);

constexpr DWORD kWaitMs = 20000;  // bound of every wait for Glimra to do something

// One message box of Glimra's, read from its window.
struct SeenBox {
    HWND window = nullptr;  // null when none came
    std::wstring caption;
    std::wstring text;
    std::vector<int> buttons;  // ids of the visible buttons, in creation order
    BoxIcon icon = BoxIcon::None;

    explicit operator bool() const { return window != nullptr; }
    // Presses the button with this id and waits until the box has gone.
    void answer(int id) const;
};

// What a scenario expects of a box, and how it answers it.
struct ExpectedBox {
    std::wstring text;
    BoxIcon icon;
    std::vector<int> buttons;
    int answer;
    std::wstring caption = L"Glimra Ver 3.00";
};
ExpectedBox information(const std::wstring& text);  // OK box with the information icon
ExpectedBox error(const std::wstring& text);
ExpectedBox warning(const std::wstring& text);
ExpectedBox question(const std::wstring& text, int answer);  // Yes/No with the question icon

class GlimraRun {
public:
    GlimraRun();
    ~GlimraRun();  // a process still running is killed; the scratch folder goes with it
    GlimraRun(const GlimraRun&) = delete;
    GlimraRun& operator=(const GlimraRun&) = delete;

    // The folder beside the executable, as Glimra sees it (with a trailing backslash).
    std::wstring exeFolder() const { return scratch_.path() + L"\\"; }
    std::wstring path(const std::wstring& name) const { return scratch_.file(name); }
    void writeFile(const std::wstring& name, const std::string& bytes) const;
    std::string readFile(const std::wstring& name) const { return readBytes(path(name)); }
    bool hasFile(const std::wstring& name) const { return fileExists(path(name)); }
    void makeFolder(const std::wstring& name) const;

    // The process.
    void start();
    bool waitUntilShown();  // main window and panel visible; fails on a box, an exit or the bound
    bool running() const;
    // Exit code once the process has ended; a process still running at the bound is killed
    // and the scenario fails. Message boxes met meanwhile are failures too.
    DWORD waitForExit();
    HWND mainWindow() const { return main_; }
    HWND panel() const { return panel_; }
    bool mainWindowVisible() const;

    // The panel's controls, through cross-process messages.
    void setChecked(int id, bool checked) const;
    int checkState(int id) const;  // BM_GETCHECK
    bool isEnabled(int id) const;
    std::wstring memo() const;
    void setMemo(const std::wstring& text) const;

    // Commands. Each is sent from a helper thread, so the driver stays free to answer the boxes
    // that the command shows; waitUntilIdle() returns once every command sent has been handled.
    void close();                   // WM_CLOSE, as from the title bar
    void menu(int commandId);       // WM_COMMAND from the menu
    void press(int buttonId);       // BN_CLICKED of a panel button
    void sendToMain(UINT message, WPARAM wParam, LPARAM lParam);
    bool waitUntilIdle();  // fails on a message box met meanwhile

    // Windows that Glimra shows.
    SeenBox waitForMessageBox();
    // Waits for each box in order, checks it and answers it.
    void expectBoxes(const std::vector<ExpectedBox>& boxes);
    HWND waitForDialog(const std::wstring& caption);  // a dialog other than a message box
    HWND waitForFolderBrowser();

    DWORD processId() const { return processInfo_.dwProcessId; }
    HANDLE process() const { return processInfo_.hProcess; }

private:
    struct PendingSend;
    HWND findMessageBox() const;
    void failOnBox(const char* during);
    void kill();

    ScratchFolder scratch_;
    PROCESS_INFORMATION processInfo_ = {};
    HWND main_ = nullptr;
    HWND panel_ = nullptr;
    std::vector<std::unique_ptr<PendingSend>> pending_;
    std::vector<HWND> answered_;
};

// Lets the driver's own windows (pattern windows) paint and answer while it waits.
void pumpMessages(DWORD milliseconds);

// Top-level windows of a process, optionally of one class.
std::vector<HWND> topLevelWindows(DWORD processId, const wchar_t* className = nullptr);
std::wstring windowText(HWND window);  // WM_GETTEXT, bounded, across processes
std::wstring classOf(HWND window);

// Writes a wide path into another process's memory, for messages that carry a pointer.
class RemoteText {
public:
    RemoteText(HANDLE process, const std::wstring& text);
    ~RemoteText();
    RemoteText(const RemoteText&) = delete;
    RemoteText& operator=(const RemoteText&) = delete;
    LPARAM address() const { return reinterpret_cast<LPARAM>(address_); }

private:
    HANDLE process_;
    void* address_ = nullptr;
};

// The label of the folder selected in the shell's folder chooser (its tree view), read through
// memory lent in the chooser's process; empty when nothing is selected.
std::wstring chooserSelection(HANDLE process, HWND chooser);

// Lists every folder from the drive down to path. Wine's folder chooser finds a folder by item ids
// that hold each folder's last-access time, and the first read of a folder changed since its last
// read moves that time (relatime), so a chooser that reads a changed folder itself may no longer
// find it; read first, and with the access time set a day ahead, the chooser's reads leave the
// times alone.
void readFoldersOnTheWay(const std::wstring& path);

// Bytes of a UTF-16LE string without terminator, as the save-folder file holds them.
std::string utf16Bytes(const std::wstring& text);

#endif
