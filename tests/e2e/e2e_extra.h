// Helpers for the fault, package and readme scenarios: Glimra3.exe run in a folder of the
// scenario's choosing, the window picker driven from outside, files held open, folder listings.
#ifndef GLIMRA_E2E_EXTRA_H
#define GLIMRA_E2E_EXTRA_H

#include <windows.h>

#include <string>
#include <vector>

#include "driver.h"
#include "e2e_files.h"

// Glimra3.exe started in the folder that holds it, outside GlimraRun's scratch folders: the
// unpacked release, or a run to be killed before GlimraRun starts the program there again.
// Commands are posted, so the driver's thread stays free to answer the boxes they bring.
class FolderProcess {
public:
    explicit FolderProcess(const std::wstring& folder);  // with a trailing backslash
    ~FolderProcess();                                     // killed when still running
    FolderProcess(const FolderProcess&) = delete;
    FolderProcess& operator=(const FolderProcess&) = delete;

    bool waitUntilShown();   // fails on a box, an exit or the bound
    bool waitUntilHidden();  // the main window hidden, as during a capture
    void press(int buttonId) const;
    void close() const;
    void kill();
    void expectBoxes(const std::vector<ExpectedBox>& boxes);
    DWORD waitForExit();  // a box met meanwhile is a failure

private:
    bool running() const;
    HWND findMessageBox() const;

    PROCESS_INFORMATION info_ = {};
    HWND main_ = nullptr;
    HWND panel_ = nullptr;
};

// Chooses the row titled title in the picker that Glimra shows and presses OK; returns the
// picker, so that the scenario can tell when it has gone.
HWND chooseInPicker(GlimraRun& run, const std::wstring& title);

// Polls without handling the driver's own messages: a window of the driver's stays unanswered.
bool waitUntilDestroyed(HWND window);

// A file held open without sharing, as another program would hold it.
class HeldFile {
public:
    explicit HeldFile(const std::wstring& path);
    ~HeldFile() { release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    void release();

private:
    HANDLE handle_;
};

std::vector<std::wstring> namesIn(const std::wstring& folder);  // sorted, without . and ..
void expectCheckBoxes(GlimraRun& run, const std::vector<Setting>& settings);

#endif
