// Broad scenarios, each one or two starts of Glimra3.exe driven as a user would drive it and
// checked on the windows it shows and the files it leaves.
#include <cstdio>
#include <cstdlib>

#include "driver.h"

using Names = std::vector<std::wstring>;
static Handle hold(const std::wstring& path) {  // without sharing, as another program may hold a file
    return own(CreateFileW(&path[0], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}
static const std::string kMemo = "\x83\x81\x83\x82";  // "メモ" in code page 932

static Box question(const std::wstring& text, int answer) { return {text, Icon::Question, {IDYES, IDNO}, answer}; }
static Box information(const std::wstring& text) { return {text, Icon::Information}; }

TEST(FirstStart, ShowsTheDefaultsAsksBeforeEndingAndHidesInTheTrayWhenTicked) {
    Glimra glimra;
    ASSERT_TRUE(glimra.start());
    EXPECT_EQ((std::vector<int>{1009, 1010, 1015, 1025, 1024}), glimra.boxes());
    EXPECT_EQ((std::vector<int>{1003, 1004, 1011}), glimra.boxes(true));
    glimra.close({question(L"終了しますか？", IDNO)});
    EXPECT_TRUE(IsWindowVisible(glimra.main));
    glimra.tick({IDC_ISTASK});
    glimra.close();
    EXPECT_FALSE(IsWindowVisible(glimra.main));
    glimra.send(WM_USER + 10, 0, WM_RBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(glimra.main)) << "only the left button brings the window back";
    EXPECT_EQ("", glimra.read(L"glimra.ini") + glimra.read(L"dirInfo.dat") + glimra.read(L"memo.txt")) << "stored";
    glimra.send(WM_USER + 10, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(glimra.main));

    glimra.tick({IDC_ISTASK}, false);
    glimra.close({question(L"終了しますか？", IDYES)});
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ((Names{L"Glimra3.exe", L"dirInfo.dat", L"glimra.ini", L"memo.txt"}), namesIn(glimra.folder));
    EXPECT_EQ(utf16le(glimra.path(L"image\\")), glimra.read(L"dirInfo.dat"));
}

TEST(StoredState, HandSetValuesAndACodePage932MemoAreShownAndWrittenBack) {
    if (!underWine()) GTEST_SKIP() << "iconv and python3 check the files";
    Glimra glimra({{L"glimra.ini", "[HISTORY]\r\nPICNUM=41\r\n[MODE]\r\nTRIMING=1\r\nJPEGPIC=0\r\n[SETTING]\r\n"
                                   "NONEDIALOG=7\r\n[IMG]\r\nQUALITY=80\r\n[X]\r\nY=kept\r\n"}},
                  {L"image"});
    runUnix("printf 'スクショのメモ ～①' | iconv -f UTF-8 -t CP932 >" + unixPath(glimra.path(L"memo.txt")));
    ASSERT_TRUE(glimra.start());
    EXPECT_EQ((std::vector<int>{1003, 1009, 1010, 1012, 1015, 1025, 1024}), glimra.boxes());
    EXPECT_EQ("スクショのメモ ～①", utf8(glimra.memo()));
    glimra.tick({IDC_PNGPIC});
    glimra.setMemo(L"書き換えたメモ ②");
    glimra.capture();
    EXPECT_EQ(0u, glimra.end(WM_CLOSE, 0));
    EXPECT_EQ("1 1 0 1 42 80 kept\n", runUnix("python3 -c \"import configparser, sys; c = configparser.ConfigParser(); "
                                              "c.read(sys.argv[1]); m = c['MODE']; print(c['SETTING']['NONEDIALOG'], "
                                              "m['TRIMING'], m['JPEGPIC'], m['PNGPIC'], c['HISTORY']['PICNUM'], "
                                              "c['IMG']['QUALITY'], c['X']['Y'])\" " +
                                              unixPath(glimra.path(L"glimra.ini"))));
    EXPECT_EQ("書き換えたメモ ②", runUnix("iconv -f CP932 -t UTF-8 " + unixPath(glimra.path(L"memo.txt"))));
}

TEST(SaveSettingsOff, QuitKeepsTheSettingsFileTheNextStartNumbersFromItAndEndsItselfWithItsCounterStored) {
    const std::string settings = "[HISTORY]\r\nPICNUM=5\r\n[SETTING]\r\nISTASK=1\r\n";
    Glimra glimra({{L"glimra.ini", settings}}, {L"image"});
    ASSERT_TRUE(glimra.start());
    glimra.tick({IDC_SAVEINI}, false);
    glimra.capture();
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));  // never asks, never hides
    EXPECT_EQ(settings, glimra.read(L"glimra.ini"));

    ASSERT_TRUE(glimra.start());
    glimra.tick({IDC_AUTOEND});
    glimra.press(IDC_CAPTURE_SCREEN);
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ("[HISTORY]\r\nPICNUM=6\r\n", glimra.read(L"glimra.ini").substr(0, 21));
}

TEST(LoadFailures, AreReportedInOrderAndTheFilesNotReadAreKept) {
    Glimra glimra({{L"dirInfo.dat", std::string(999, 'd')}, {L"memo.txt", kMemo}});
    Handle held = hold(glimra.path(L"memo.txt"));
    ASSERT_TRUE(glimra.start({{L"ファイルサイズが許容限界をオーバーしています。", Icon::Error},
                              {L"\"dirInfo.dat\"の読み込みに失敗しました。", Icon::Error},
                              {L"\"memo.txt\"の読み込みに失敗しました。", Icon::Error}}));
    held.reset();
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    EXPECT_EQ(std::string(999, 'd') + kMemo, glimra.read(L"dirInfo.dat") + glimra.read(L"memo.txt"));
}

TEST(Capture, WholeScreenAndAMinimisedWindowEqualIndependentGrabsOfTheScreen) {
    if (!underWine()) GTEST_SKIP() << "xwd and ImageMagick check the images";
    PatternWindow target(L"被写体", {1100, 700, 1201, 761}, false);  // odd width: rows need padding
    Glimra glimra({}, {L"image"});
    ASSERT_TRUE(glimra.start());
    glimra.tick({IDC_JPEGPIC, IDC_PNGPIC});
    {
        PatternWindow cover(L"cover", {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, true);
        ASSERT_TRUE(cover.waitUntilOnScreen());
        SetCursorPos(1150, 730);  // over the driver's windows: Wine draws no cursor of another process
        // Grabbed first: once Glimra shows its window again, X may stack it above the cover.
        runUnix("xwd -root -silent -out " + unixPath(glimra.path(L"image\\screen.xwd")));
        glimra.capture();
    }
    ASSERT_TRUE(target.waitUntilOnScreen());
    ShowWindow(target.window, SW_MINIMIZE);
    glimra.press(IDC_CAPTURE_WINDOW);
    const Names rows = glimra.pick(L"被写体");
    glimra.expect({});
    EXPECT_EQ(1, std::count(rows.begin(), rows.end(), L"被写体"));
    EXPECT_EQ(0, std::count(rows.begin(), rows.end(), L"Glimra Ver 3.00"));
    EXPECT_EQ(glimra.main, GetForegroundWindow());
    EXPECT_EQ((Names{L"img1.bmp", L"img1.jpg", L"img1.png", L"img2.bmp", L"img2.jpg", L"img2.png", L"screen.xwd"}),
              namesIn(glimra.path(L"image")));
    EXPECT_EQ("JPEG 0 0 0 0\n", runUnix("cd " + unixPath(glimra.path(L"image")) + " && identify -format '%m ' img1.jpg"
                                        " && xwd -root -silent | convert xwd:- -crop 101x61+1100+700 window.bmp && for"
                                        " i in 1.bmp:screen.xwd 1.png:screen.xwd 2.bmp:window.bmp 2.png:window.bmp; do "
                                        "compare -metric AE img${i%:*} ${i#*:} null: 2>&1; echo; done | xargs"));
}

TEST(Interrupted, KilledDuringTheCaptureWaitStartsAgainQuietlyNumbersOnAndReportsFilesHeldAtTheEnd) {
    Glimra glimra({{L"glimra.ini", "[HISTORY]\r\nPICNUM=20\r\n"}, {L"memo.txt", kMemo}}, {L"shots"});
    writeFile(glimra.path(L"dirInfo.dat"), utf16le(glimra.path(L"shots")));
    const std::string stored = glimra.read(L"glimra.ini") + glimra.read(L"dirInfo.dat") + glimra.read(L"memo.txt");
    ASSERT_TRUE(glimra.start());
    glimra.press(IDC_CAPTURE_SCREEN);
    EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(glimra.main); }));
    glimra.kill();
    EXPECT_EQ(stored, glimra.read(L"glimra.ini") + glimra.read(L"dirInfo.dat") + glimra.read(L"memo.txt"));

    ASSERT_TRUE(glimra.start());  // fails on any box
    EXPECT_EQ(L"メモ", glimra.memo());
    glimra.capture();
    EXPECT_EQ(Names{L"img21.bmp"}, namesIn(glimra.path(L"shots")));
    glimra.setMemo(L"changed");
    {
        Handle heldFolder = hold(glimra.path(L"dirInfo.dat")), heldMemo = hold(glimra.path(L"memo.txt"));
        EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT, {{L"ファイルの書き込みに失敗しました。", Icon::Error},
                                                      {L"メモの保存に失敗しました。", Icon::Error}}));
    }
    EXPECT_EQ(utf16le(glimra.path(L"shots")) + kMemo, glimra.read(L"dirInfo.dat") + glimra.read(L"memo.txt"));
}

TEST(Menu, EveryCommandShowsItsBoxesAndLeavesItsFiles) {
    Glimra glimra({}, {L"chosen"});
    ASSERT_TRUE(glimra.start());
    glimra.menu(IDM_RESET_FOLDER, {information(glimra.path(L"image\\が存在しなかったため、新たに作成しました。")),
                                   information(L"保存先を初期化しました。")});
    SendNotifyMessageW(glimra.main, WM_COMMAND, IDM_SET_SEQUENCE, 0);
    HWND sequence = dialog(L"連番の設定");
    SendMessageW(GetDlgItem(sequence, IDC_SEQUENCE_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"42"));
    PostMessageW(sequence, WM_COMMAND, IDOK, 0);
    glimra.expect({});
    glimra.capture();
    EXPECT_EQ(Names{L"img43.bmp"}, namesIn(glimra.path(L"image")));
    glimra.menu(IDM_RESET_SEQUENCE, {information(L"リセットしました。")});
    glimra.chooseFolder(IDM_CHANGE_FOLDER, glimra.path(L"chosen"), {});

    glimra.chooseFolder(IDM_FOLDER_SHORTCUT, glimra.path(L"chosen"),
                        {{glimra.path(L"chosen\\Glimra3.lnk"), Icon::Information, {IDOK}, IDOK, L"テスト"},
                         information(L"ショートカットの作成に成功しました。")});
    EXPECT_EQ(Names{L"Glimra3.lnk"}, namesIn(glimra.path(L"chosen")));
    // Under Wine the desktop is the test prefix's own folder; on Windows it is the user's, used only when asked.
    if (underWine() || std::getenv("GLIMRA_TEST_DESKTOP")) {
        wchar_t desktop[MAX_PATH] = {};
        SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOP, TRUE);
        const std::wstring link = desktop + std::wstring(L"\\Glimra3.lnk");
        if (underWine())
            runUnix("d=$(realpath " + unixPath(desktop) + "); case $d in $(realpath " + unixPath(L"C:\\") +
                    ")/*) ;; *) echo the desktop $d lies outside the prefix; exit 1;; esac");
        glimra.menu(IDM_DESKTOP_SHORTCUT, {information(L"ショートカットの作成に成功しました。")});
        // lnkinfo prints 0 for every show command: the header's field at 0x3C tells SW_SHOWNORMAL.
        EXPECT_EQ(std::string("\x01\x00\x00\x00", 4), readFile(link).substr(0x3C, 4));
        const std::string info = underWine() ? runUnix("lnkinfo " + unixPath(link)) : "";
        EXPECT_TRUE(!underWine() ||
                    info.find("Local path\t\t\t: " + utf8(glimra.folder) + "Glimra3.exe\n") != info.npos);
        glimra.menu(IDM_DESKTOP_SHORTCUT_REMOVE, {{L"Glimra3.lnkを削除してもよろしいですか？", Icon::Information,
                                                  {IDYES, IDNO}, IDYES}, information(L"削除に成功しました。")});
        glimra.menu(IDM_DESKTOP_SHORTCUT_REMOVE,
                    {information(L"Glimra3.lnkが存在しません。\n既に削除されている可能性があります。")});
    }

    glimra.menu(IDM_README, {{L"ファイルが見つかりません。", Icon::Warning}});
    writeFile(glimra.path(L"readme.txt"), "Glimra readme\r\n");
    glimra.menu(IDM_README);
    std::vector<HWND> notepads;  // only the one the program opened: any other is the user's
    EXPECT_TRUE(waitFor([&] { return !(notepads = windowsOfChildren(glimra.processId, L"Notepad")).empty(); }))
        << "the readme did not open";
    for (HWND notepad : notepads) PostMessageW(notepad, WM_CLOSE, 0, 0);
    glimra.menu(IDM_ABOUT, {{L"Glimra Ver 3.00\n\nGlimra Project\n\nhttps://glimra.example/", Icon::Glimra, {IDOK},
                             IDOK, L"バージョン情報"}});
    glimra.setMemo(L"menu memo");
    glimra.menu(IDM_SAVE_MEMO, {question(L"保存してもよろしいですか？", IDYES), information(L"保存しました。")});
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    EXPECT_EQ(utf16le(glimra.path(L"chosen")), glimra.read(L"dirInfo.dat"));
}

// Run by package_test.sh on the unpacked release, where the program lies.
TEST(Package, UnpackedProgramCapturesIntoItsOwnFolderAndStoresBesideItself) {
    if (!std::getenv("GLIMRA_IN_PLACE")) GTEST_SKIP() << "for the unpacked release only";
    Glimra glimra(glimraExe.substr(0, glimraExe.rfind(L'\\') + 1));
    ASSERT_TRUE(glimra.start());
    glimra.press(IDC_CAPTURE_SCREEN);
    glimra.expect({information(glimra.path(L"image\\が存在しなかったため、保存先を初期化します。")),
                   information(glimra.path(L"image\\が存在しなかったため、新たに作成します。")), information(L"保存先を初期化しました。")});
    EXPECT_EQ(0u, glimra.end(WM_CLOSE, 0, {question(L"終了しますか？", IDYES)}));
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) return std::fprintf(stderr, "usage: glimra_e2e <path of Glimra3.exe>\n"), 2;
    const std::string exe = argv[1];
    glimraExe = (exe[0] == '/' ? L"Z:" : L"") + std::wstring(exe.begin(), exe.end());  // unix paths lie on Z:
    std::replace(glimraExe.begin(), glimraExe.end(), L'/', L'\\');
    return RUN_ALL_TESTS();
}
