// Drives the modal dialogs that the code under test opens on this thread: each time a matching
// dialog is activated, the next scripted step runs on it (set a field, post a button press...).
#ifndef GLIMRA_TEST_DIALOG_SCRIPT_H
#define GLIMRA_TEST_DIALOG_SCRIPT_H

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

class DialogScript {
public:
    using Match = std::function<bool(HWND dialog)>;
    using Step = std::function<void(HWND dialog)>;

    // Steps should post their button presses (PostMessageW), so the dialog's own loop handles
    // them once the activation is over.
    DialogScript(Match match, std::deque<Step> steps);
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    int stepsRun() const { return stepsRun_; }

private:
    static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);

    HHOOK hook_ = nullptr;
    Match match_;
    std::deque<Step> steps_;
    int stepsRun_ = 0;
};

// Matches a dialog that holds a control with this id.
DialogScript::Match dialogWithControl(int id);
// Matches the shell's folder dialog (the one with the folder tree).
DialogScript::Match folderDialog();
// The name of the folder selected in the shell's folder dialog, as its tree shows it.
std::wstring selectedFolderName(HWND browseDialog);
// Posts a button press to the dialog.
void pressButton(HWND dialog, int id);
std::wstring controlText(HWND dialog, int id);

// A plain visible top-level window of a test class, destroyed with the object.
class TestWindow {
public:
    explicit TestWindow(const std::wstring& title, const wchar_t* className = nullptr, bool visible = true,
                        DWORD extendedStyle = 0);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

#endif
