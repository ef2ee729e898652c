// The sequence-number dialog, run modally and driven from the hook, and the window picker's list.
#include "support.h"

#include <commctrl.h>

#include <thread>

#include "ids.h"
#include "sequence_dialog.h"
#include "shell_services.h"
#include "ui.h"
#include "window_picker.h"

namespace {

ScopedWindow window(const wchar_t* className, const wchar_t* title, DWORD style = WS_VISIBLE, DWORD exStyle = 0) {
    const WNDCLASSW windowClass = {0, DefWindowProcW, 0, 0, GetModuleHandleW(nullptr), 0, 0, 0, 0, className};
    RegisterClassW(&windowClass);
    return ScopedWindow(CreateWindowExW(WS_EX_TOOLWINDOW | exStyle, className, title, WS_POPUP | style,
                                       0, 0, 50, 50, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
}

}  // namespace

using Dialogs = Glimra;

// A field left as it was keeps a counter beyond what it can show; an emptied one keeps it too.
TEST_F(Dialogs, SequenceDialogShowsTheCounterWithinRangeAndStoresOnlyAValidNumberTyped) {
    InitCommonControls();
    // Typed on the keyboard, the field takes four digits; set as a paste would, it takes any text.
    enum Entry { Set, Keyed };
    const struct { int counter; Entry way; const wchar_t* typed; int button; const wchar_t* shown; int stored; } rows[] = {
        {42, Set, nullptr, IDOK, L"42", 42}, {12000, Set, nullptr, IDOK, L"9999", 12000}, {42, Set, L"10000", IDOK, L"42", 42},
        {42, Set, L"0", IDOK, L"42", 0}, {42, Set, L"7", IDCANCEL, L"42", 42}, {70000, Set, nullptr, IDOK, L"9999", 70000},
        {12000, Set, L"500", IDOK, L"9999", 500}, {41, Set, L"", IDOK, L"41", 41}, {41, Set, L"12a", IDOK, L"41", 41},
        {12000, Set, L"", IDOK, L"9999", 12000}, {42, Keyed, L"12345", IDOK, L"42", 1234}};
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        Settings.sequenceCounter = row.counter;
        std::wstring shown;
        Boxes boxes;
        boxes.onDialog = [&](HWND dialog) {
            shown = windowText(GetDlgItem(dialog, IDC_SEQUENCE_EDIT));
            HWND field = GetDlgItem(dialog, IDC_SEQUENCE_EDIT);
            if (row.typed && row.way == Set) SetWindowTextW(field, row.typed);
            if (row.way == Keyed) SendMessageW(field, EM_SETSEL, 0, -1);
            for (const wchar_t* key = row.way == Keyed ? row.typed : L""; *key; ++key) SendMessageW(field, WM_CHAR, *key, 0);
            PostMessageW(dialog, WM_COMMAND, row.button, 0);
        };
        EXPECT_EQ(row.button == IDOK, DialogBoxW(nullptr, MAKEINTRESOURCEW(IDD_SEQUENCE), nullptr, sequenceDialogProc));
        EXPECT_EQ(row.shown, shown);
        EXPECT_EQ(row.stored, Settings.sequenceCounter);
    }
}

// An always-on-top window of ours stands at the very top of the Z order.
TEST_F(Dialogs, WindowPickerListsVisibleTitledWindowsInZOrderFromTheTopAndNoOthers) {
    const ScopedWindow ours[] = {
        window(L"GlimraTest", L"Second"), window(L"GlimraTest", L"Hidden", 0), window(L"GlimraTest", L""),
        window(L"GlimraTest", L"スタート"), window(L"GlimraTest", L"取得可能なプロセス"),
        window(L"Progman", L"Program Manager"), window(L"BasicWindow", L"Gadget"),
        window(L"SideBar_HTMLHostWindow", L"Sidebar"), window(L"GlimraTest", L"Main"), window(L"GlimraTest", L"First"),
        window(L"GlimraTest", L"Top", WS_VISIBLE, WS_EX_TOPMOST)};
    mainWindow = ours[8].get();
    Boxes boxes;  // an empty list's box is answered, so that fault fails here rather than hangs
    const ScopedWindow picker(CreateDialogW(nullptr, MAKEINTRESOURCEW(IDD_WINDOW_PICKER), nullptr, windowPickerProc));
    EXPECT_EQ(1, fillWindowList(picker.get()));  // again, now that the dialog has shown nothing
    std::vector<std::wstring> ourRows;
    int row = 0;
    for (; row < kWindowTableRows && windowTable[row].window; ++row) {
        wchar_t shown[kWindowTitleCapacity] = {};
        SendDlgItemMessageW(picker.get(), IDC_WINDOW_LIST, LB_GETTEXT, row, reinterpret_cast<LPARAM>(shown));
        EXPECT_EQ(row, windowTable[row].index);
        EXPECT_STREQ(windowTable[row].title, shown);
        for (const ScopedWindow& ourWindow : ours)
            if (ourWindow.get() == windowTable[row].window) ourRows.push_back(windowTable[row].title);
    }
    EXPECT_EQ(row, SendDlgItemMessageW(picker.get(), IDC_WINDOW_LIST, LB_GETCOUNT, 0, 0));
    EXPECT_EQ((std::vector<std::wstring>{L"Top", L"First", L"Second"}), ourRows);
}

// A box whose stored value was neither 0 nor 1 may stand indeterminate: it still counts as ticked.
TEST_F(Dialogs, CheckBoxReadsAsTickedInEveryStateButUnchecked) {
    const ScopedWindow host(CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 99, 99, nullptr, nullptr, nullptr, nullptr));
    CreateWindowW(L"BUTTON", L"", WS_CHILD | BS_AUTO3STATE, 0, 0, 90, 20, host.get(), HMENU(IDC_NONEDIALOG), 0, 0);
    const std::pair<int, bool> rows[] = {{BST_UNCHECKED, false}, {BST_CHECKED, true}, {BST_INDETERMINATE, true}};
    for (const auto& [state, ticked] : rows) {
        setChecked(host.get(), IDC_NONEDIALOG, state);
        EXPECT_EQ(ticked, isChecked(host.get(), IDC_NONEDIALOG)) << state;
    }
}

// Every error of the shell without a code of its own is one code, told apart from success.
TEST_F(Dialogs, DocumentOpenerTellsAFileNoProgramOpensFromAMissingOne) {
    Scratch folder;
    ASSERT_TRUE(writeFile(folder / L"notes.glimra-none", "x"));
    Boxes boxes;
    EXPECT_EQ(kOpenFailedOther, openDocument((folder / L"notes.glimra-none").c_str(), nullptr));
    EXPECT_EQ(kOpenFileNotFound, openDocument((folder / L"missing.txt").c_str(), nullptr));
    EXPECT_TRUE(boxes.seen.empty());
}

// A shortcut's start of COM, refused on a thread whose COM is of another kind, leaves the caller's running.
TEST(Shortcut, UndoesOnlyTheComItStarted) {
    bool stillMultithreaded = false;
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        { const ScopedCoInitialize shortcutsOwn; }
        APTTYPE kind = APTTYPE_CURRENT;
        APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
        stillMultithreaded = CoGetApartmentType(&kind, &qualifier) == S_OK && kind == APTTYPE_MTA;
        CoUninitialize();
    }).join();
    EXPECT_TRUE(stillMultithreaded);
}
