// The window picker: which top-level windows it lists, in which order, and what its buttons give.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app.h"
#include "ids.h"
#include "process_state.h"
#include "dialog_script.h"
#include "folder_chooser.h"
#include "sequence_dialog.h"
#include "shell_services.h"
#include "window_picker.h"
#include "message_boxes.h"

namespace {

INT_PTR CALLBACK inertDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Dialog 109 made modeless and left hidden, to fill by hand.
class ModelessPicker {
public:
    ModelessPicker()
        : dialog_(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_WINDOW_PICKER), nullptr,
                                     inertDialogProc, 0)) {}
    ~ModelessPicker() { DestroyWindow(dialog_); }
    ModelessPicker(const ModelessPicker&) = delete;
    ModelessPicker& operator=(const ModelessPicker&) = delete;
    HWND get() const { return dialog_; }

private:
    HWND dialog_;
};

int listedCount() {
    int count = 0;
    while (count < kWindowTableRows && windowTable[count].window) {
        ++count;
    }
    return count;
}

std::vector<HWND> listedAmong(const std::vector<HWND>& ours) {
    std::vector<HWND> found;
    for (int row = 0; row < listedCount(); ++row) {
        for (HWND window : ours) {
            if (windowTable[row].window == window) {
                found.push_back(window);
            }
        }
    }
    return found;
}

int rowOf(HWND window) {
    for (int row = 0; row < kWindowTableRows; ++row) {
        if (windowTable[row].window == window) {
            return row;
        }
    }
    return -1;
}

std::wstring listText(HWND dialog, int position) {
    wchar_t text[kWindowTitleCapacity + 1] = {};
    SendDlgItemMessageW(dialog, IDC_WINDOW_LIST, LB_GETTEXT, position, reinterpret_cast<LPARAM>(text));
    return text;
}

// Rows 0 to n-1 hold the windows in Z order with their own positions, the list shows exactly
// those rows, and every row after them is zero.
void expectConsistentTable(HWND dialog) {
    int count = listedCount();
    EXPECT_EQ(count, SendDlgItemMessageW(dialog, IDC_WINDOW_LIST, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        EXPECT_EQ(row, windowTable[row].index);
        EXPECT_EQ(std::wstring(windowTable[row].title), listText(dialog, row)) << "row " << row;
    }
    WindowEntry zero = {};
    for (int row = count; row < kWindowTableRows; ++row) {
        EXPECT_EQ(0, memcmp(&zero, &windowTable[row], sizeof(zero))) << "row " << row;
    }
    HWND window = GetTopWindow(GetDesktopWindow());
    int row = 0;
    for (; window && row < count; window = GetWindow(window, GW_HWNDNEXT)) {
        if (window == windowTable[row].window) {
            ++row;
        }
    }
    EXPECT_EQ(count, row) << "rows are not in Z order";
}

void placeAtTop(HWND window, HWND where = HWND_TOP) {
    SetWindowPos(window, where, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

INT_PTR runPicker() {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_WINDOW_PICKER), nullptr,
                           windowPickerProc, 0);
}

class WindowPicker : public ::testing::Test {
protected:
    void SetUp() override {
        startProcess(GetModuleHandleW(nullptr));
        savedMainWindow_ = mainWindow;
        mainWindow = nullptr;
    }
    void TearDown() override { mainWindow = savedMainWindow_; }

private:
    HWND savedMainWindow_ = nullptr;
};

}  // namespace

TEST_F(WindowPicker, ListsWorthyWindowsTopFirstAndPassesOverTheRest) {
    ModelessPicker picker;
    TestWindow main(L"Glimra main window");
    mainWindow = main.get();
    TestWindow hidden(L"Hidden window", nullptr, false);
    TestWindow untitled(L"");
    TestWindow startButton(L"スタート");
    TestWindow otherPicker(L"取得可能なプロセス");
    TestWindow desktop(L"Program Manager", L"Progman");
    TestWindow gadget(L"Gadget", L"BasicWindow");
    TestWindow sidebar(L"Sidebar", L"SideBar_HTMLHostWindow");
    TestWindow first(L"First worthy window");
    std::wstring longTitle = L"L" + std::wstring(599, L'長');
    TestWindow longTitled(longTitle);
    TestWindow twinA(L"Twin");
    TestWindow twinB(L"Twin");
    TestWindow minimized(L"Minimized window");
    ShowWindow(minimized.get(), SW_SHOWMINNOACTIVE);
    TestWindow top(L"Topmost window", nullptr, true, WS_EX_TOPMOST);

    std::vector<HWND> zOrder = {first.get(),   main.get(),    hidden.get(),     untitled.get(), startButton.get(),
                                otherPicker.get(), desktop.get(), gadget.get(),  sidebar.get(),  longTitled.get(),
                                twinA.get(),   twinB.get(),   minimized.get()};
    for (auto window = zOrder.rbegin(); window != zOrder.rend(); ++window) {
        placeAtTop(*window);
    }
    placeAtTop(top.get(), HWND_TOPMOST);
    ASSERT_EQ(top.get(), GetTopWindow(GetDesktopWindow()));

    EXPECT_EQ(1, fillWindowList(picker.get()));

    zOrder.push_back(top.get());
    std::vector<HWND> expected = {first.get(), longTitled.get(), twinA.get(), twinB.get(), minimized.get()};
    EXPECT_EQ(expected, listedAmong(zOrder));
    EXPECT_EQ(longTitle.substr(0, 499), std::wstring(windowTable[rowOf(longTitled.get())].title));
    EXPECT_EQ(std::wstring(L"Twin"), windowTable[rowOf(twinB.get())].title);
    expectConsistentTable(picker.get());
}

TEST_F(WindowPicker, StopsAtTwoHundredRows) {
    ModelessPicker picker;
    std::vector<std::unique_ptr<TestWindow>> windows;
    for (int i = 0; i < kWindowTableRows + 5; ++i) {
        windows.push_back(std::make_unique<TestWindow>(L"Window " + std::to_wstring(i)));
    }

    EXPECT_EQ(1, fillWindowList(picker.get()));

    EXPECT_EQ(kWindowTableRows, listedCount());
    expectConsistentTable(picker.get());
}

TEST_F(WindowPicker, OkGivesTheSelectedWindowAndNothingWithoutASelection) {
    TestWindow chosen(L"Chosen window");
    struct Case {
        const char* name;
        bool select;
        bool refreshFirst;
        int button;
        bool expectChosen;
        std::vector<std::wstring> messages;
    };
    const Case cases[] = {
        {"selected row and OK", true, false, IDOK, true, {}},
        {"OK with nothing selected", false, false, IDOK, false, {}},
        {"selected row and Cancel", true, false, IDCANCEL, false, {}},
        {"refresh, then selected row and OK", true, true, IDOK, true, {L"更新しました。"}},
        {"refresh clears the selection", false, true, IDOK, false, {L"更新しました。"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxRecorder recorder;
        HWND pickerDialog = nullptr;
        DialogScript script(dialogWithControl(IDC_WINDOW_LIST), {[&](HWND dialog) {
                                pickerDialog = dialog;
                                HWND list = GetDlgItem(dialog, IDC_WINDOW_LIST);
                                if (c.select && !c.refreshFirst) {
                                    SendMessageW(list, LB_SETCURSEL, rowOf(chosen.get()), 0);
                                }
                                if (c.refreshFirst) {
                                    pressButton(dialog, IDC_REFRESH);
                                    if (c.select) {
                                        PostMessageW(list, LB_SETCURSEL, rowOf(chosen.get()), 0);
                                    }
                                }
                                pressButton(dialog, c.button);
                            }});

        INT_PTR result = runPicker();

        EXPECT_EQ(1, script.stepsRun());
        EXPECT_EQ(c.expectChosen ? reinterpret_cast<INT_PTR>(chosen.get()) : 0, result);
        EXPECT_EQ(c.messages, recorder.texts());
        for (const RecordedBox& box : recorder.boxes()) {
            EXPECT_EQ(std::wstring(L"Glimra Ver 3.00"), box.caption);
            EXPECT_EQ(BoxIcon::Information, box.icon);
            EXPECT_EQ(pickerDialog, box.owner);
        }
    }
}

// Needs a desktop where nothing but the test's own windows is worth listing.
TEST_F(WindowPicker, TellsWhenNothingIsWorthListing) {
    {
        ModelessPicker probe;
        fillWindowList(probe.get());
        if (listedCount() > 0) {
            GTEST_SKIP() << "this desktop has windows of its own to list";
        }
    }
    {
        SCOPED_TRACE("nothing when the picker opens");
        MessageBoxRecorder recorder;
        EXPECT_EQ(0, runPicker());
        EXPECT_EQ(std::vector<std::wstring>{L"取得可能なプロセスはありません。"}, recorder.texts());
    }
    {
        SCOPED_TRACE("nothing any more on refresh");
        TestWindow onlyWindow(L"Soon hidden");
        MessageBoxRecorder recorder;
        DialogScript script(dialogWithControl(IDC_WINDOW_LIST), {[&](HWND dialog) {
                                EXPECT_EQ(1, SendDlgItemMessageW(dialog, IDC_WINDOW_LIST, LB_GETCOUNT, 0, 0));
                                ShowWindow(onlyWindow.get(), SW_HIDE);
                                pressButton(dialog, IDC_REFRESH);
                            }});
        EXPECT_EQ(0, runPicker());
        std::vector<std::wstring> expected = {L"取得可能なプロセスはありません。", L"更新しました。"};
        EXPECT_EQ(expected, recorder.texts());
        EXPECT_EQ(0, listedCount());
    }
}
