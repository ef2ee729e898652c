// Starting Glimra from its three files and ending it in each way, checked on the files it leaves.
#include <gtest/gtest.h>

#include <memory>

#include "driver.h"
#include "e2e_files.h"
#include "resources/ids.h"

namespace {

const wchar_t kExitQuestion[] = L"終了しますか？";

std::string defaultFolderBytes(const GlimraRun& run) { return utf16Bytes(run.exeFolder() + L"image\\"); }

void expectPanelShows(GlimraRun& run, const std::vector<Setting>& settings) {
    for (const Setting& setting : settings) {
        if (setting.checkBox) {
            EXPECT_EQ(setting.value != 0 ? BST_CHECKED : BST_UNCHECKED, run.checkState(setting.checkBox))
                << "check box " << setting.checkBox << " (" << setting.key << ")";
        }
    }
}

// A file held open without sharing, as another program would hold it.
class LockedFile {
public:
    explicit LockedFile(const std::wstring& path)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {
        EXPECT_NE(INVALID_HANDLE_VALUE, handle_);
    }
    ~LockedFile() { release(); }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    void release() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

private:
    HANDLE handle_;
};

}  // namespace

TEST(Closing, FirstStartAndYesStoresTheDefaultsInThreeFiles) {
    GlimraRun run;
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    expectPanelShows(run, defaultSettings());
    for (int id : {IDC_TRIMING, IDC_ALTER, IDC_POPWINDOW}) {
        EXPECT_FALSE(run.isEnabled(id)) << "check box " << id << " stays disabled";
    }
    for (int id : {IDC_NONESCS, IDC_JPEGPIC, IDC_SAVEINI, IDC_ISTASK, IDC_ALMEMO, IDC_ASMEMO}) {
        EXPECT_TRUE(run.isEnabled(id)) << "check box " << id;
    }
    EXPECT_EQ(L"", run.memo());

    run.close();
    run.expectBoxes({question(kExitQuestion, IDYES)});
    EXPECT_EQ(0u, run.waitForExit());

    EXPECT_EQ(settingsFileText(defaultSettings()), run.readFile(L"glimra.ini"));
    EXPECT_EQ(defaultFolderBytes(run), run.readFile(L"dirInfo.dat"));
    EXPECT_TRUE(run.hasFile(L"memo.txt"));
    EXPECT_EQ("", run.readFile(L"memo.txt"));

    // The same files as other programs read them.
    EXPECT_EQ(settingsAsParsed(defaultSettings()), parseWithPython(run.path(L"glimra.ini")));
    EXPECT_EQ(narrow(run.exeFolder() + L"image\\"), convertWithIconv(run.path(L"dirInfo.dat"), "UTF-16LE"));
}

TEST(Closing, NoToTheQuestionKeepsRunningAndStoresNothing) {
    GlimraRun run;
    std::string settings = settingsFileText(settingsWith({{"PICNUM", 41}, {"JPEGPIC", 1}}));
    std::string folder = utf16Bytes(L"C:\\shots");
    run.writeFile(L"glimra.ini", settings);
    run.writeFile(L"dirInfo.dat", folder);
    run.writeFile(L"memo.txt", kShiftJisMemo);
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.setChecked(IDC_PNGPIC, true);
    run.setMemo(L"変更したメモ");

    run.close();
    run.expectBoxes({question(kExitQuestion, IDNO)});
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.running());
    EXPECT_TRUE(run.mainWindowVisible());
    EXPECT_EQ(settings, run.readFile(L"glimra.ini"));
    EXPECT_EQ(folder, run.readFile(L"dirInfo.dat"));
    EXPECT_EQ(kShiftJisMemo, run.readFile(L"memo.txt"));

    run.close();
    run.expectBoxes({question(kExitQuestion, IDYES)});
    EXPECT_EQ(0u, run.waitForExit());
    EXPECT_EQ(settingsFileText(settingsWith({{"PICNUM", 41}, {"JPEGPIC", 1}, {"PNGPIC", 1}})),
              run.readFile(L"glimra.ini"));
}

TEST(Closing, NoConfirmationBoxEndsWithoutAQuestion) {
    GlimraRun run;
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.setChecked(IDC_NONEDIALOG, true);
    run.close();
    EXPECT_EQ(0u, run.waitForExit());
    EXPECT_EQ(settingsFileText(settingsWith({{"NONEDIALOG", 1}})), run.readFile(L"glimra.ini"));
    EXPECT_EQ(defaultFolderBytes(run), run.readFile(L"dirInfo.dat"));
}

TEST(Closing, UntickedSaveSettingsLeavesTheSettingsFileButWritesTheFolderFile) {
    GlimraRun run;
    // Written as the profile functions write, so that any rewrite would show in the bytes.
    std::string settings = "; kept by hand\r\n[SETTING]\r\nNONEIMG=1\r\n[MODE]\r\nPNGPIC=1\r\n[OTHER]\r\nX=y\r\n";
    run.writeFile(L"glimra.ini", settings);
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    EXPECT_EQ(BST_CHECKED, run.checkState(IDC_NONEIMG));
    EXPECT_EQ(BST_CHECKED, run.checkState(IDC_PNGPIC));
    run.setChecked(IDC_SAVEINI, false);
    run.setChecked(IDC_JPEGPIC, true);
    run.close();
    run.expectBoxes({question(kExitQuestion, IDYES)});
    EXPECT_EQ(0u, run.waitForExit());
    EXPECT_EQ(settings, run.readFile(L"glimra.ini"));
    EXPECT_EQ(defaultFolderBytes(run), run.readFile(L"dirInfo.dat"));
}

TEST(Closing, TrayBoxHidesTheWindowAndALeftClickOnTheIconShowsItAgain) {
    GlimraRun run;
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.setChecked(IDC_ISTASK, true);
    run.close();
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.running());
    EXPECT_FALSE(run.mainWindowVisible());
    EXPECT_FALSE(run.hasFile(L"glimra.ini"));
    EXPECT_EQ("", run.readFile(L"dirInfo.dat"));

    run.sendToMain(WM_USER + 10, 0, WM_RBUTTONDOWN);
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_FALSE(run.mainWindowVisible()) << "only a left-button press brings the window back";
    run.sendToMain(WM_USER + 10, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.mainWindowVisible());

    run.setChecked(IDC_ISTASK, false);
    run.close();
    run.expectBoxes({question(kExitQuestion, IDYES)});
    EXPECT_EQ(0u, run.waitForExit());
    EXPECT_EQ(settingsFileText(defaultSettings()), run.readFile(L"glimra.ini"));
}

TEST(Startup, CheckBoxesShowTheStoredValuesAndTheSaveWritesThemBackAsTicks) {
    GlimraRun run;
    // Any non-zero value counts as on; a file that exists keeps its own order and extra keys.
    std::string settings =
        "[SETTING]\r\nISTASK=0\r\nSAVEINI=1\r\nPOPWINDOW=-1\r\nNONEDIALOG=0\r\nNONEIMG=1\r\nAUTOEND=0\r\nUSEBG=0\r\n"
        "ALMEMO=1\r\nASMEMO=0\r\nTHEME=dark\r\n"
        "[MODE]\r\nTRIMING=7\r\nALTER=1\r\nNONESCS=0\r\nJPEGPIC=1\r\nPNGPIC=0\r\nCONSTANT=0\r\n"
        "[IMG]\r\nQUALITY=80\r\n[HISTORY]\r\nPICNUM=9999\r\n";
    run.writeFile(L"glimra.ini", settings);
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    expectPanelShows(run, settingsWith({{"TRIMING", 1}, {"ALTER", 1}, {"JPEGPIC", 1}, {"CONSTANT", 0},
                                        {"POPWINDOW", 1}, {"NONEIMG", 1}, {"USEBG", 0}, {"ASMEMO", 0}}));
    for (int id : {IDC_TRIMING, IDC_ALTER, IDC_POPWINDOW}) {
        EXPECT_FALSE(run.isEnabled(id)) << "check box " << id;
    }
    run.close();
    run.expectBoxes({question(kExitQuestion, IDYES)});
    EXPECT_EQ(0u, run.waitForExit());
    EXPECT_EQ(
        "[SETTING]\r\nISTASK=0\r\nSAVEINI=1\r\nPOPWINDOW=1\r\nNONEDIALOG=0\r\nNONEIMG=1\r\nAUTOEND=0\r\nUSEBG=0\r\n"
        "ALMEMO=1\r\nASMEMO=0\r\nTHEME=dark\r\n"
        "[MODE]\r\nTRIMING=1\r\nALTER=1\r\nNONESCS=0\r\nJPEGPIC=1\r\nPNGPIC=0\r\nCONSTANT=0\r\n"
        "[IMG]\r\nQUALITY=80\r\n[HISTORY]\r\nPICNUM=9999\r\n",
        run.readFile(L"glimra.ini"));
}

TEST(Startup, MemoComesFromTheCodePage932FileAndGoesBackToIt) {
    GlimraRun run;
    run.writeFile(L"memo.txt", kShiftJisMemo);
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    EXPECT_EQ(narrow(kMemoText), narrow(run.memo()));

    run.setMemo(std::wstring(kMemoText) + L"\r\n三行目");
    run.setChecked(IDC_NONEDIALOG, true);
    run.close();
    EXPECT_EQ(0u, run.waitForExit());
    EXPECT_EQ(std::string(kShiftJisMemo) + "\r\n\x8e\x4f\x8d\x73\x96\xda", run.readFile(L"memo.txt"));
    EXPECT_EQ(std::string(kMemoUtf8) + "\r\n\xe4\xb8\x89\xe8\xa1\x8c\xe7\x9b\xae",
              convertWithIconv(run.path(L"memo.txt"), "CP932"));
}

TEST(Startup, AutoLoadOffStartsWithAnEmptyMemoAndLeavesTheFileAlone) {
    GlimraRun run;
    run.writeFile(L"glimra.ini", settingsFileText(settingsWith({{"ALMEMO", 0}})));
    run.writeFile(L"memo.txt", kShiftJisMemo);
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    EXPECT_EQ(L"", run.memo());
    EXPECT_EQ(BST_UNCHECKED, run.checkState(IDC_ALMEMO));
    run.close();
    run.expectBoxes({question(kExitQuestion, IDYES)});
    EXPECT_EQ(0u, run.waitForExit());
    // The memo was never shown, so an exit must not empty the file behind it.
    EXPECT_EQ(kShiftJisMemo, run.readFile(L"memo.txt"));
}

// Files that cannot be loaded: what start-up says, in order, what the memo shows, what the end
// says and what the file holds afterwards.
struct LoadCase {
    const char* name;
    const wchar_t* file;
    std::string bytes;
    bool locked;
    std::vector<ExpectedBox> startBoxes;
    size_t memoLength;
    std::wstring typedMemo;  // typed before the end, when not empty
    std::vector<ExpectedBox> endBoxes;
};

TEST(Startup, FilesThatCannotBeLoadedAreReportedAndNotOverwritten) {
    const ExpectedBox tooLarge = error(L"ファイルサイズが許容限界をオーバーしています。");
    const ExpectedBox folderFailed = error(L"\"dirInfo.dat\"の読み込みに失敗しました。");
    const ExpectedBox memoFailed = error(L"\"memo.txt\"の読み込みに失敗しました。");
    const std::wstring longFolder = L"C:\\" + std::wstring(496, L'd');  // 499 characters, 998 bytes
    std::string bigMemo;
    while (bigMemo.size() < 1024000) {
        bigMemo += std::string(98, 'm') + "\r\n";
    }
    bigMemo.resize(1024000);
    const LoadCase cases[] = {
        {"locked folder file", L"dirInfo.dat", utf16Bytes(L"C:\\shots"), true, {folderFailed}, 0, L"", {}},
        {"folder file of 999 bytes", L"dirInfo.dat", utf16Bytes(longFolder) + "x", false, {tooLarge, folderFailed},
         0, L"", {}},
        {"folder file of 998 bytes", L"dirInfo.dat", utf16Bytes(longFolder), false, {}, 0, L"", {}},
        {"locked memo file", L"memo.txt", kShiftJisMemo, true, {memoFailed}, 0, L"", {}},
        {"memo file of 1024000 bytes", L"memo.txt", bigMemo, false, {tooLarge, memoFailed}, 0, L"", {}},
        {"memo file of 1024000 bytes and a typed memo", L"memo.txt", bigMemo, false, {tooLarge, memoFailed}, 0,
         L"typed", {error(L"メモの保存に失敗しました。")}},
        {"memo file of 1023999 bytes", L"memo.txt", bigMemo.substr(0, 1023999), false, {}, 1023999, L"", {}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        GlimraRun run;
        run.writeFile(c.file, c.bytes);
        std::unique_ptr<LockedFile> lock;
        if (c.locked) {
            lock = std::make_unique<LockedFile>(run.path(c.file));
        }
        run.start();
        run.expectBoxes(c.startBoxes);
        ASSERT_TRUE(run.waitUntilShown());
        EXPECT_EQ(c.memoLength, run.memo().size());
        if (!c.typedMemo.empty()) {
            run.setMemo(c.typedMemo);
        }
        run.setChecked(IDC_NONEDIALOG, true);
        run.close();
        run.expectBoxes(c.endBoxes);
        EXPECT_EQ(0u, run.waitForExit());
        lock.reset();
        EXPECT_TRUE(run.readFile(c.file) == c.bytes) << narrow(c.file) << " was overwritten";
    }
}

TEST(Closing, FilesLockedByAnotherProgramAtTheEndAreReportedAndKept) {
    GlimraRun run;
    run.writeFile(L"dirInfo.dat", utf16Bytes(L"C:\\shots"));
    run.writeFile(L"memo.txt", kShiftJisMemo);
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.setMemo(L"typed");
    LockedFile folder(run.path(L"dirInfo.dat"));
    LockedFile memo(run.path(L"memo.txt"));
    run.setChecked(IDC_NONEDIALOG, true);
    run.close();
    run.expectBoxes({error(L"ファイルの書き込みに失敗しました。"), error(L"メモの保存に失敗しました。")});
    EXPECT_EQ(0u, run.waitForExit());
    folder.release();
    memo.release();
    EXPECT_EQ(utf16Bytes(L"C:\\shots"), run.readFile(L"dirInfo.dat"));
    EXPECT_EQ(kShiftJisMemo, run.readFile(L"memo.txt"));
    EXPECT_EQ(settingsFileText(settingsWith({{"NONEDIALOG", 1}})), run.readFile(L"glimra.ini"));
}
