// The sequence-number dialog: what it shows at opening and what OK and Cancel leave in the counter.
#include <gtest/gtest.h>

#include <string>

#include "app.h"
#include "ids.h"
#include "process_state.h"
#include "dialog_script.h"
#include "folder_chooser.h"
#include "sequence_dialog.h"
#include "shell_services.h"
#include "window_picker.h"
#include "memo_file.h"
#include "save_folder.h"
#include "settings.h"

namespace {

struct SequenceCase {
    const char* name;
    int counter;          // before opening
    const wchar_t* typed;  // field text set before the button, or none
    int button;
    std::wstring shown;  // field text at opening
    int stored;          // counter afterwards
    INT_PTR result;
};

// Opens dialog 107 the way the menu does, through the command switch, or straight from here.
INT_PTR runSequenceCase(const SequenceCase& c, bool throughMenu, std::wstring& shown) {
    Settings.sequenceCounter = c.counter;
    DialogScript script(dialogWithControl(IDC_SEQUENCE_UPDOWN), {[&](HWND dialog) {
                            shown = controlText(dialog, IDC_SEQUENCE_EDIT);
                            if (c.typed) {
                                SetDlgItemTextW(dialog, IDC_SEQUENCE_EDIT, c.typed);
                            }
                            pressButton(dialog, c.button);
                        }});
    INT_PTR result = 0;
    if (throughMenu) {
        result = handleCommand(mainWindow, MAKEWPARAM(IDM_SET_SEQUENCE, 0), 0);
    } else {
        result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SEQUENCE), nullptr,
                                 sequenceDialogProc, 0);
    }
    EXPECT_EQ(1, script.stepsRun());
    return result;
}

}  // namespace

TEST(SequenceDialog, ShowsTheCounterWithinRangeAndStoresOnlyAValidNumberOnOk) {
    const SequenceCase cases[] = {
        {"counter shown, OK keeps it", 42, nullptr, IDOK, L"42", 42, 1},
        {"new number stored", 42, L"777", IDOK, L"42", 777, 1},
        {"zero stored", 42, L"0", IDOK, L"42", 0, 1},
        {"upper bound stored", 42, L"9999", IDOK, L"42", 9999, 1},
        {"number above the range keeps the last valid position", 42, L"12345", IDOK, L"42", 42, 1},
        {"Cancel leaves the counter", 42, L"777", IDCANCEL, L"42", 42, 0},
        {"counter above the range shown as 9999", 12345, nullptr, IDOK, L"9999", 9999, 1},
        {"counter past 16 bits shown as 9999", 70000, nullptr, IDOK, L"9999", 9999, 1},
        {"counter that would be negative in 16 bits shown as 9999", 40000, nullptr, IDOK, L"9999", 9999, 1},
        {"negative counter shown as 0", -3, nullptr, IDOK, L"0", 0, 1},
        {"counter above the range left alone by Cancel", 12345, nullptr, IDCANCEL, L"9999", 12345, 0},
    };
    for (const SequenceCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring shown;
        INT_PTR result = runSequenceCase(c, false, shown);
        EXPECT_EQ(c.shown, shown);
        EXPECT_EQ(c.stored, Settings.sequenceCounter);
        EXPECT_EQ(c.result, result);
    }
}

TEST(SequenceDialog, MenuCommandOpensItAndReturnsZero) {
    startProcess(GetModuleHandleW(nullptr));
    appInstance = GetModuleHandleW(nullptr);
    TestWindow main(L"Glimra main window");
    HWND savedMainWindow = mainWindow;
    mainWindow = main.get();

    std::wstring shown;
    EXPECT_EQ(0, runSequenceCase({"menu", 5, L"321", IDOK, L"5", 321, 1}, true, shown));
    EXPECT_EQ(L"5", shown);
    EXPECT_EQ(321, Settings.sequenceCounter);

    mainWindow = savedMainWindow;
}
