// Records the message boxes that the code under test shows on this thread, and answers them.
#ifndef GLIMRA_TEST_MESSAGE_BOXES_H
#define GLIMRA_TEST_MESSAGE_BOXES_H

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

enum class BoxIcon { None, Information, Question, Warning, Error, Other };

struct RecordedBox {
    std::wstring caption;
    std::wstring text;
    std::vector<std::wstring> buttons;  // button texts in creation order
    BoxIcon icon = BoxIcon::None;
    HWND owner = nullptr;
};

// While alive, every message box (dialog class #32770 with the message-text control) activated
// on the creating thread is read and then answered: with the next queued answer (IDYES, IDNO,
// IDOK, IDCANCEL), or IDOK/IDYES when the queue is empty. Other dialogs are left alone.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(std::deque<int> answers = {});
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    const std::vector<RecordedBox>& boxes() const { return boxes_; }
    std::vector<std::wstring> texts() const;
    void answerNext(int id) { answers_.push_back(id); }

private:
    static LRESULT CALLBACK hookProc(int code, WPARAM wParam, LPARAM lParam);
    void onActivate(HWND box);

    HHOOK hook_ = nullptr;
    std::deque<int> answers_;
    std::vector<RecordedBox> boxes_;
};

// Reads the parts of a message box window (works across processes for text and buttons).
RecordedBox readMessageBox(HWND box);
bool isMessageBox(HWND window);

#endif
