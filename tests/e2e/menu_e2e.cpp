// Every menu command sent to the running Glimra, with its dialogs driven and its boxes answered,
// checked on the files, folders and shortcuts it leaves.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "driver.h"
#include "driver_screen.h"
#include "driver_unix.h"
#include "e2e_files.h"
#include "resources/ids.h"

namespace {

const wchar_t kShortcutMade[] = L"ショートカットの作成に成功しました。";

void endWithoutQuestion(GlimraRun& run) {
    run.setChecked(IDC_NONEDIALOG, true);
    run.close();
    EXPECT_EQ(0u, run.waitForExit());
}

// Waits until the chooser shows this folder selected: it settles on its first folder a moment
// after it appears, and a selection made before that would be undone.
bool waitForSelection(GlimraRun& run, HWND chooser, const std::wstring& label) {
    DWORD started = GetTickCount();
    while (GetTickCount() - started < kWaitMs) {
        if (chooserSelection(run.process(), chooser) == label) {
            return true;
        }
        pumpMessages(20);
    }
    ADD_FAILURE() << "the folder chooser selects \"" << narrow(chooserSelection(run.process(), chooser))
                  << "\", not \"" << narrow(label) << "\"";
    return false;
}

std::wstring lastName(const std::wstring& folder) {
    std::wstring name = folder;
    if (!name.empty() && name.back() == L'\\') {
        name.pop_back();
    }
    return name.substr(name.find_last_of(L'\\') + 1);
}

// Opens the folder chooser with a menu command, checks that it opens on initialFolder, and
// confirms it on folder, or cancels it when folder is empty.
void chooseFolder(GlimraRun& run, int command, const std::wstring& initialFolder, const std::wstring& folder) {
    readFoldersOnTheWay(initialFolder);
    readFoldersOnTheWay(folder);
    run.menu(command);
    HWND chooser = run.waitForFolderBrowser();
    ASSERT_TRUE(chooser);
    ASSERT_TRUE(waitForSelection(run, chooser, lastName(initialFolder)));
    if (folder.empty()) {
        PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    if (folder != initialFolder) {
        // The path travels by pointer, so it must live in Glimra's own memory.
        RemoteText path(run.process(), folder);
        ASSERT_NE(0, path.address());
        DWORD_PTR result = 0;
        SendMessageTimeoutW(chooser, BFFM_SETSELECTIONW, TRUE, path.address(), SMTO_NORMAL, 10000, &result);
        ASSERT_TRUE(waitForSelection(run, chooser, lastName(folder)));
    }
    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

std::wstring desktopShortcut() {
    wchar_t desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOP, TRUE);
    return std::wstring(desktop) + L"\\Glimra3.lnk";
}

// What lnkinfo (liblnk) reads from a shortcut file.
std::string lnkinfo(const std::wstring& path) {
    UnixResult result = runUnix("lnkinfo " + shellQuote(unixPath(path)));
    EXPECT_EQ(0, result.status) << result.output;
    return result.output;
}

void expectShortcutToGlimra(const std::wstring& link, const GlimraRun& run) {
    ASSERT_TRUE(fileExists(link)) << narrow(link);
    std::string info = lnkinfo(link);
    SCOPED_TRACE(info);
    EXPECT_NE(std::string::npos, info.find("Local path\t\t\t: " + narrow(run.exeFolder()) + "Glimra3.exe\n"));
    EXPECT_NE(std::string::npos, info.find("Description\t\t\t: \n"));
    // lnkinfo 20181227 prints 0 for any show command, so the header field (offset 0x3C, four
    // bytes little-endian) is read here: SW_SHOWNORMAL.
    std::string bytes = readBytes(link);
    ASSERT_GE(bytes.size(), 0x40u);
    EXPECT_EQ(std::string("\x01\x00\x00\x00", 4), bytes.substr(0x3C, 4));
}

ExpectedBox informationQuestion(const std::wstring& text, int answer) {
    return {text, BoxIcon::Information, {IDYES, IDNO}, answer};
}

}  // namespace

TEST(Menu, QuitEndsWithoutAQuestionEvenWithTheTrayBoxTicked) {
    GlimraRun run;
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.setChecked(IDC_ISTASK, true);
    run.menu(IDM_QUIT);
    EXPECT_EQ(0u, run.waitForExit());
    EXPECT_EQ(settingsFileText(settingsWith({{"ISTASK", 1}})), run.readFile(L"glimra.ini"));
    EXPECT_EQ(utf16Bytes(run.exeFolder() + L"image\\"), run.readFile(L"dirInfo.dat"));
}

TEST(Menu, GreyedCommandsAndTheAltSAcceleratorDoNothing) {
    GlimraRun run;
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    for (int id : {IDM_NEW_FOLDER, IDM_JPEG_QUALITY, IDM_START_MENU_ADD, IDM_START_MENU_REMOVE, IDM_ACCEL_ALT_S}) {
        run.menu(id);
    }
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.mainWindowVisible());
    EXPECT_FALSE(run.hasFile(L"image"));
    EXPECT_FALSE(fileExists(desktopShortcut()));
    endWithoutQuestion(run);
    EXPECT_EQ(settingsFileText(settingsWith({{"NONEDIALOG", 1}})), run.readFile(L"glimra.ini"));
}

TEST(Menu, ResetFolderMakesTheImageFolderWhenMissingAndStoresIt) {
    for (bool imageFolder : {false, true}) {
        SCOPED_TRACE(imageFolder ? "image folder present" : "image folder missing");
        GlimraRun run;
        std::wstring image = run.exeFolder() + L"image\\";
        run.writeFile(L"dirInfo.dat", utf16Bytes(L"C:\\elsewhere"));
        if (imageFolder) {
            run.makeFolder(L"image");
        }
        run.start();
        ASSERT_TRUE(run.waitUntilShown());
        run.menu(IDM_RESET_FOLDER);
        std::vector<ExpectedBox> boxes;
        if (!imageFolder) {
            boxes.push_back(information(image + L"が存在しなかったため、新たに作成しました。"));
        }
        boxes.push_back(information(L"保存先を初期化しました。"));
        run.expectBoxes(boxes);
        EXPECT_TRUE(run.waitUntilIdle());
        EXPECT_TRUE(GetFileAttributesW(image.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
        endWithoutQuestion(run);
        EXPECT_EQ(utf16Bytes(image), run.readFile(L"dirInfo.dat"));
    }
}

// The sequence dialog: the number typed, the button pressed, the image the next capture writes.
struct SequenceCase {
    const wchar_t* typed;
    int button;
    const wchar_t* image;
    int storedCounter;
};

TEST(Menu, SequenceDialogSetsTheNumberOfTheNextCapture) {
    const SequenceCase cases[] = {
        {L"41", IDOK, L"img42.bmp", 42},
        {L"0", IDOK, L"img1.bmp", 1},
        {L"7", IDCANCEL, L"img4.bmp", 4},
        {L"12345", IDOK, L"img4.bmp", 4},  // out of range: the position shown at opening stays
    };
    for (const SequenceCase& c : cases) {
        SCOPED_TRACE(narrow(c.typed));
        GlimraRun run;
        run.writeFile(L"glimra.ini", settingsFileText(settingsWith({{"PICNUM", 3}})));
        run.makeFolder(L"image");
        run.start();
        ASSERT_TRUE(run.waitUntilShown());
        run.menu(IDM_SET_SEQUENCE);
        HWND dialog = run.waitForDialog(L"連番の設定");
        ASSERT_TRUE(dialog);
        HWND field = GetDlgItem(dialog, IDC_SEQUENCE_EDIT);
        EXPECT_EQ(L"3", windowText(field));
        DWORD_PTR result = 0;
        SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed), SMTO_NORMAL, 10000, &result);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, c.button)));
        ASSERT_TRUE(run.waitUntilIdle());
        run.press(IDC_CAPTURE_SCREEN);
        ASSERT_TRUE(run.waitUntilIdle());
        EXPECT_TRUE(run.hasFile(std::wstring(L"image\\") + c.image));
        endWithoutQuestion(run);
        EXPECT_EQ(settingsFileText(settingsWith({{"PICNUM", c.storedCounter}, {"NONEDIALOG", 1}})),
                  run.readFile(L"glimra.ini"));
    }
}

TEST(Menu, ResetSequenceNumbersTheNextCaptureOne) {
    GlimraRun run;
    run.writeFile(L"glimra.ini", settingsFileText(settingsWith({{"PICNUM", 41}})));
    run.makeFolder(L"image");
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.menu(IDM_RESET_SEQUENCE);
    run.expectBoxes({information(L"リセットしました。")});
    run.press(IDC_CAPTURE_SCREEN);
    ASSERT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.hasFile(L"image\\img1.bmp"));
    endWithoutQuestion(run);
    EXPECT_EQ(settingsFileText(settingsWith({{"PICNUM", 1}, {"NONEDIALOG", 1}})), run.readFile(L"glimra.ini"));
}

TEST(Menu, SaveMemoAsksFirstAndWritesTheCodePage932File) {
    GlimraRun run;
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.setMemo(kMemoText);
    run.menu(IDM_SAVE_MEMO);
    run.expectBoxes({question(L"保存してもよろしいですか？", IDNO)});
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_EQ("", run.readFile(L"memo.txt"));

    run.menu(IDM_SAVE_MEMO);
    run.expectBoxes({question(L"保存してもよろしいですか？", IDYES), information(L"保存しました。")});
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_EQ(kShiftJisMemo, run.readFile(L"memo.txt"));

    HANDLE lock = CreateFileW(run.path(L"memo.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    run.setMemo(L"上書きされないメモ");
    run.menu(IDM_SAVE_MEMO);
    run.expectBoxes({question(L"保存してもよろしいですか？", IDYES), error(L"保存に失敗しました。")});
    EXPECT_TRUE(run.waitUntilIdle());
    CloseHandle(lock);
    EXPECT_EQ(kShiftJisMemo, run.readFile(L"memo.txt"));
    run.setMemo(kMemoText);
    endWithoutQuestion(run);
}

TEST(Menu, ChangedSaveFolderIsUsedAndStoredExactlyAsChosen) {
    GlimraRun run;
    run.makeFolder(L"first");
    run.makeFolder(L"chosen");
    std::string first = utf16Bytes(run.exeFolder() + L"first");
    run.writeFile(L"dirInfo.dat", first);
    run.start();
    ASSERT_TRUE(run.waitUntilShown());

    chooseFolder(run, IDM_CHANGE_FOLDER, run.exeFolder() + L"first", L"");
    EXPECT_TRUE(run.waitUntilIdle());
    run.press(IDC_CAPTURE_SCREEN);
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.hasFile(L"first\\img1.bmp"));

    chooseFolder(run, IDM_CHANGE_FOLDER, run.exeFolder() + L"first", run.exeFolder() + L"chosen");
    EXPECT_TRUE(run.waitUntilIdle());
    run.press(IDC_CAPTURE_SCREEN);
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.hasFile(L"chosen\\img2.bmp"));

    endWithoutQuestion(run);
    EXPECT_EQ(utf16Bytes(run.exeFolder() + L"chosen"), run.readFile(L"dirInfo.dat"));
}

TEST(Menu, DesktopShortcutIsMadeAndRemovedAfterYes) {
    std::wstring link = desktopShortcut();
    DeleteFileW(link.c_str());
    GlimraRun run;
    run.start();
    ASSERT_TRUE(run.waitUntilShown());

    run.menu(IDM_DESKTOP_SHORTCUT_REMOVE);
    run.expectBoxes({information(L"Glimra3.lnkが存在しません。\n既に削除されている可能性があります。")});

    run.menu(IDM_DESKTOP_SHORTCUT);
    run.expectBoxes({information(kShortcutMade)});
    EXPECT_TRUE(run.waitUntilIdle());
    expectShortcutToGlimra(link, run);

    run.menu(IDM_DESKTOP_SHORTCUT_REMOVE);
    run.expectBoxes({informationQuestion(L"Glimra3.lnkを削除してもよろしいですか？", IDNO)});
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(fileExists(link));

    run.menu(IDM_DESKTOP_SHORTCUT_REMOVE);
    run.expectBoxes({informationQuestion(L"Glimra3.lnkを削除してもよろしいですか？", IDYES),
                     information(L"削除に成功しました。")});
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_FALSE(fileExists(link));
    endWithoutQuestion(run);
    DeleteFileW(link.c_str());
}

TEST(Menu, ShortcutInAChosenFolderShowsItsPathThenIsMade) {
    GlimraRun run;
    run.makeFolder(L"links");
    run.start();
    ASSERT_TRUE(run.waitUntilShown());

    chooseFolder(run, IDM_FOLDER_SHORTCUT, run.exeFolder(), L"");
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_FALSE(run.hasFile(L"links\\Glimra3.lnk"));

    chooseFolder(run, IDM_FOLDER_SHORTCUT, run.exeFolder(), run.exeFolder() + L"links");
    ExpectedBox path = information(run.exeFolder() + L"links\\Glimra3.lnk");
    path.caption = L"テスト";
    run.expectBoxes({path, information(kShortcutMade)});
    EXPECT_TRUE(run.waitUntilIdle());
    expectShortcutToGlimra(run.path(L"links\\Glimra3.lnk"), run);

    // The chooser opens on the executable's folder, so confirming it as it opens puts the link there.
    chooseFolder(run, IDM_FOLDER_SHORTCUT, run.exeFolder(), run.exeFolder());
    path = information(run.exeFolder() + L"Glimra3.lnk");
    path.caption = L"テスト";
    run.expectBoxes({path, information(kShortcutMade)});
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.hasFile(L"Glimra3.lnk"));
    endWithoutQuestion(run);
}

TEST(Menu, ReadmeMissingBesideTheExecutableIsReportedWithAWarning) {
    GlimraRun run;
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.menu(IDM_README);
    run.expectBoxes({warning(L"ファイルが見つかりません。")});
    EXPECT_TRUE(run.waitUntilIdle());
    endWithoutQuestion(run);
}

TEST(Menu, AboutBoxShowsTheTitleAndTheProgramIcon) {
    GlimraRun run;
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.menu(IDM_ABOUT);
    SeenBox box = run.waitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ("バージョン情報", narrow(box.caption));
    EXPECT_EQ(0u, box.text.find(L"Glimra Ver 3.00\n\n")) << narrow(box.text);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    HMODULE program = LoadLibraryExW(run.path(L"Glimra3.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HICON icon = static_cast<HICON>(LoadImageW(program, MAKEINTRESOURCEW(IDI_GLIMRA), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    EXPECT_TRUE(boxShowsIcon(box.window, icon));
    box.answer(IDOK);
    if (icon) {
        DestroyIcon(icon);
    }
    if (program) {
        FreeLibrary(program);
    }
    EXPECT_TRUE(run.waitUntilIdle());
    endWithoutQuestion(run);
}
