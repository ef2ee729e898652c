// The sequence-number dialog run modally and driven from the hook, and the windows of this process
// that the window picker lists.
#include "support.h"

#include <commctrl.h>

#include "ids.h"
#include "sequence_dialog.h"
#include "window_picker.h"

namespace {

INT_PTR CALLBACK inertDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

OwnedWindow window(const wchar_t* className, const wchar_t* title, DWORD style = WS_VISIBLE, DWORD extended = 0) {
    const WNDCLASSW windowClass = {0, DefWindowProcW, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr,
                                   className};
    RegisterClassW(&windowClass);
    return OwnedWindow(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | extended, className, title,
                                       WS_POPUP | style, 0, 0, 50, 50, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
}

}  // namespace

using Dialogs = Glimra;

TEST_F(Dialogs, SequenceDialogShowsTheCounterWithinRangeAndStoresOnlyAValidNumber) {
    InitCommonControls();
    const struct { int counter; const wchar_t* typed; int button; INT_PTR result; const wchar_t* shown; int stored; } rows[] = {
        {42, nullptr, IDOK, 1, L"42", 42}, {12345, nullptr, IDOK, 1, L"9999", 9999},
        {42, L"10000", IDOK, 1, L"42", 42}, {42, L"0", IDOK, 1, L"42", 0}, {42, L"7", IDCANCEL, 0, L"42", 42}};
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        Settings.sequenceCounter = row.counter;
        std::wstring shown;
        Boxes boxes;
        boxes.onDialog = [&](HWND dialog) {
            shown = textOf(GetDlgItem(dialog, IDC_SEQUENCE_EDIT));
            if (row.typed) SetDlgItemTextW(dialog, IDC_SEQUENCE_EDIT, row.typed);
            PostMessageW(dialog, WM_COMMAND, row.button, 0);
        };
        EXPECT_EQ(row.result, DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SEQUENCE), nullptr,
                                              sequenceDialogProc, 0));
        EXPECT_EQ(row.shown, shown);
        EXPECT_EQ(row.stored, Settings.sequenceCounter);
    }
}

// The window at the very top is never examined, so one of ours that is not listed is put there.
TEST_F(Dialogs, WindowPickerListsVisibleTitledWindowsInZOrderAndNoOthers) {
    OwnedWindow ours[] = {window(L"GlimraTest", L"Second"), window(L"GlimraTest", L"Hidden", 0),
                          window(L"GlimraTest", L""), window(L"GlimraTest", L"スタート"),
                          window(L"GlimraTest", L"取得可能なプロセス"), window(L"Progman", L"Program Manager"),
                          window(L"BasicWindow", L"Gadget"), window(L"SideBar_HTMLHostWindow", L"Sidebar"),
                          window(L"GlimraTest", L"Main"), window(L"GlimraTest", L"First"),
                          window(L"GlimraTest", L"Top", WS_VISIBLE, WS_EX_TOPMOST)};
    mainWindow = ours[8].get();
    ASSERT_EQ(ours[10].get(), GetTopWindow(GetDesktopWindow()));
    const OwnedWindow picker(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_WINDOW_PICKER), nullptr,
                                                inertDialog, 0));
    EXPECT_EQ(1, fillWindowList(picker.get()));
    std::vector<std::wstring> listedOfOurs;
    int rows = 0;
    for (; rows < kWindowTableRows && windowTable[rows].window; ++rows) {
        wchar_t shown[kWindowTitleCapacity] = {};
        SendDlgItemMessageW(picker.get(), IDC_WINDOW_LIST, LB_GETTEXT, rows, reinterpret_cast<LPARAM>(shown));
        EXPECT_EQ(rows, windowTable[rows].index);
        EXPECT_STREQ(windowTable[rows].title, shown);
        for (const OwnedWindow& window : ours) {
            if (window.get() == windowTable[rows].window) listedOfOurs.push_back(windowTable[rows].title);
        }
    }
    EXPECT_EQ(rows, SendDlgItemMessageW(picker.get(), IDC_WINDOW_LIST, LB_GETCOUNT, 0, 0));
    EXPECT_EQ((std::vector<std::wstring>{L"First", L"Second"}), listedOfOurs);
}
