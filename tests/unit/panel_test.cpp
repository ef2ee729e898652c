// The control panel in-process: boxes shown from the settings, and the memo's own Tab and F2 keys
// delivered through the same dialog keyboard handling as the program's message loop.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "app.h"
#include "ids.h"
#include "process_state.h"
#include "text.h"
#include "ui.h"
#include "message_boxes.h"
#include "memo_file.h"
#include "save_folder.h"
#include "settings.h"

namespace {

class PanelTest : public testing::Test {
protected:
    void SetUp() override {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        startProcess(instance);
        appInstance = instance;
        host_ = CreateWindowExW(0, L"STATIC", L"panel host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 500,
                                nullptr, nullptr, instance, nullptr);
        mainWindow = host_;
        panel = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PANEL), host_, panelDialogProc, 0);
        memo_ = GetDlgItem(panel, IDC_MEMO);
    }
    void TearDown() override {
        DestroyWindow(host_);
        panel = nullptr;
        mainWindow = nullptr;
    }

    // Keys go through IsDialogMessageW first, as in the program's loop.
    void press(UINT key) {
        PostMessageW(memo_, WM_KEYDOWN, key, 1);
        PostMessageW(memo_, WM_KEYUP, key, 0xC0000001);
        pump();
    }
    void pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(panel, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    std::wstring memoText() {
        wchar_t text[256] = {};
        GetWindowTextW(memo_, text, 256);
        return text;
    }
    void focusMemo() {
        ShowWindow(panel, SW_SHOW);
        SetForegroundWindow(host_);
        SetFocus(memo_);
        pump();
    }

    HWND host_ = nullptr;
    HWND memo_ = nullptr;
};

namespace {
struct BoxField {
    int controlId;
    int SettingsRecord::*field;
};
const BoxField kCheckBoxSettings[] = {
    {IDC_TRIMING, &SettingsRecord::TRIMING},       {IDC_ALTER, &SettingsRecord::ALTER},
    {IDC_NONESCS, &SettingsRecord::NONESCS},       {IDC_JPEGPIC, &SettingsRecord::JPEGPIC},
    {IDC_PNGPIC, &SettingsRecord::PNGPIC},         {IDC_CONSTANT, &SettingsRecord::CONSTANT},
    {IDC_SAVEINI, &SettingsRecord::SAVEINI},       {IDC_POPWINDOW, &SettingsRecord::POPWINDOW},
    {IDC_NONEDIALOG, &SettingsRecord::NONEDIALOG}, {IDC_NONEIMG, &SettingsRecord::NONEIMG},
    {IDC_AUTOEND, &SettingsRecord::AUTOEND},       {IDC_USEBG, &SettingsRecord::USEBG},
    {IDC_ISTASK, &SettingsRecord::ISTASK},         {IDC_ALMEMO, &SettingsRecord::ALMEMO},
    {IDC_ASMEMO, &SettingsRecord::ASMEMO},
};
}  // namespace

TEST_F(PanelTest, ShowingThePanelSetsEveryBoxFromTheSettingsAndLocksThePlaceholders) {
    Settings = SettingsRecord{};
    int value = 0;
    for (const BoxField& box : kCheckBoxSettings) {
        Settings.*box.field = (value++ % 2);
    }
    ShowWindow(panel, SW_SHOW);
    value = 0;
    for (const BoxField& box : kCheckBoxSettings) {
        EXPECT_EQ(value++ % 2 == 1, isChecked(panel, box.controlId)) << box.controlId;
    }
    for (int id : {IDC_TRIMING, IDC_ALTER, IDC_POPWINDOW}) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, id))) << id;
    }
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_NONESCS)));
}

TEST_F(PanelTest, TabInTheMemoAppendsATabAtTheEndAndKeepsTheFocus) {
    SetWindowTextW(memo_, L"abc\r\ndef");
    focusMemo();
    ASSERT_EQ(memo_, GetFocus());
    SendMessageW(memo_, EM_SETSEL, 2, 2);

    press(VK_TAB);

    EXPECT_EQ(L"abc\r\ndef\t", memoText());
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(memo_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(9u, start);
    EXPECT_EQ(9u, end);
    EXPECT_EQ(memo_, GetFocus());
}

TEST_F(PanelTest, F2InTheMemoAnnouncesTheSearchBoxAndChangesNothing) {
    SetWindowTextW(memo_, L"memo");
    focusMemo();
    MessageBoxRecorder recorder;

    press(VK_F2);

    ASSERT_EQ(1u, recorder.boxes().size());
    EXPECT_EQ(L"検索ボックスを実装予定。", recorder.boxes()[0].text);
    EXPECT_EQ(L"Glimra Ver 3.00", recorder.boxes()[0].caption);
    EXPECT_EQ(BoxIcon::Information, recorder.boxes()[0].icon);
    EXPECT_EQ(L"memo", memoText());
}

TEST_F(PanelTest, MemoGetsItsOwnProcedureBackWhenItLosesTheFocus) {
    WNDPROC own = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(memo_, GWLP_WNDPROC));
    focusMemo();
    EXPECT_EQ(reinterpret_cast<WNDPROC>(memoEditProc), reinterpret_cast<WNDPROC>(GetWindowLongPtrW(memo_, GWLP_WNDPROC)));

    SetFocus(GetDlgItem(panel, IDC_CAPTURE_SCREEN));
    pump();

    EXPECT_EQ(own, reinterpret_cast<WNDPROC>(GetWindowLongPtrW(memo_, GWLP_WNDPROC)));
    SetWindowTextW(memo_, L"x");
    press(VK_TAB);
    EXPECT_EQ(L"x", memoText());
}

}  // namespace
