// Broad scenarios, each one or two starts of Glimra3.exe driven as a user would drive it and
// checked on the windows it shows and the files it leaves.
#include <cstdio>
#include <cstdlib>

#include "driver.h"

namespace {

using Names = std::vector<std::wstring>;
const std::string kMemo = "\x83\x81\x83\x82";  // "メモ" in code page 932
const wchar_t kShortcutMade[] = L"ショートカットの作成に成功しました。";

Box question(const std::wstring& text, int answer) { return {text, Icon::Question, {IDYES, IDNO}, answer}; }
Box information(const std::wstring& text) { return {text, Icon::Information}; }

}  // namespace

TEST(FirstStart, ShowsTheDefaultsAsksBeforeEndingAndHidesInTheTrayWhenTicked) {
    Glimra glimra;
    ASSERT_TRUE(glimra.start());
    EXPECT_EQ((std::vector<int>{1009, 1010, 1015, 1025, 1024}), glimra.boxes());
    EXPECT_EQ((std::vector<int>{1003, 1004, 1011}), glimra.boxes(true));
    const Names started = namesIn(glimra.folder);
    glimra.close({question(L"終了しますか？", IDNO)});
    EXPECT_TRUE(glimra.visible());
    glimra.tick(IDC_ISTASK, true);
    glimra.close();
    EXPECT_FALSE(glimra.visible());
    glimra.send(WM_USER + 10, 0, WM_RBUTTONDOWN, {});
    EXPECT_FALSE(glimra.visible()) << "only the left button brings the window back";
    EXPECT_EQ(started, namesIn(glimra.folder));
    EXPECT_EQ("", readFile(glimra.path(L"dirInfo.dat")));
    glimra.send(WM_USER + 10, 0, WM_LBUTTONDOWN, {});
    EXPECT_TRUE(glimra.visible());

    glimra.tick(IDC_ISTASK, false);
    glimra.close({question(L"終了しますか？", IDYES)});
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ((Names{L"Glimra3.exe", L"dirInfo.dat", L"glimra.ini", L"memo.txt"}), namesIn(glimra.folder));
    EXPECT_EQ(utf16le(glimra.path(L"image\\")), readFile(glimra.path(L"dirInfo.dat")));
}

TEST(StoredState, HandSetValuesAndACodePage932MemoAreShownAndWrittenBack) {
    if (!underWine()) GTEST_SKIP() << "iconv and python3 check the files";
    Glimra glimra({{L"image\\", ""}, {L"glimra.ini", "[HISTORY]\r\nPICNUM=41\r\n[MODE]\r\nTRIMING=1\r\nJPEGPIC=0\r\n"
                                                     "[SETTING]\r\nNONEDIALOG=7\r\n[IMG]\r\nQUALITY=80\r\n[X]\r\nY=kept\r\n"}});
    runUnix("printf 'スクショのメモ ～①' | iconv -f UTF-8 -t CP932 >" + unixPath(glimra.path(L"memo.txt")));
    ASSERT_TRUE(glimra.start());
    EXPECT_EQ((std::vector<int>{1003, 1009, 1010, 1012, 1015, 1025, 1024}), glimra.boxes());
    EXPECT_EQ("スクショのメモ ～①", utf8(glimra.memo()));
    glimra.tick(IDC_PNGPIC, true);
    glimra.setMemo(L"書き換えたメモ ②");
    glimra.capture();
    glimra.close();
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ((Names{L"img42.bmp", L"img42.png"}), namesIn(glimra.path(L"image")));
    EXPECT_EQ("1 1 0 1 42 80 kept\n", runUnix("python3 -c \"import configparser, sys; c = configparser.ConfigParser(); "
                                              "c.read(sys.argv[1]); print(c['SETTING']['NONEDIALOG'], c['MODE']['TRIMING'], c['MODE']['JPEGPIC'], "
                                              "c['MODE']['PNGPIC'], c['HISTORY']['PICNUM'], c['IMG']['QUALITY'], c['X']['Y'])\" " +
                                              unixPath(glimra.path(L"glimra.ini"))));
    EXPECT_EQ("書き換えたメモ ②", runUnix("iconv -f CP932 -t UTF-8 " + unixPath(glimra.path(L"memo.txt"))));
}

TEST(SaveSettingsOff, QuitKeepsTheSettingsFileTheNextStartNumbersFromItAndEndsItselfWithItsCounterStored) {
    const std::string settings = "[HISTORY]\r\nPICNUM=5\r\n[SETTING]\r\nISTASK=1\r\n";
    Glimra glimra({{L"image\\", ""}, {L"glimra.ini", settings}});
    ASSERT_TRUE(glimra.start());
    glimra.tick(IDC_SAVEINI, false);
    glimra.capture();
    glimra.menu(IDM_QUIT);  // never asks, never hides
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ(settings, readFile(glimra.path(L"glimra.ini")));
    EXPECT_TRUE(fs::remove(glimra.path(L"image\\img6.bmp")));

    ASSERT_TRUE(glimra.start());
    glimra.tick(IDC_AUTOEND, true);
    glimra.press(IDC_CAPTURE_SCREEN);
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ(Names{L"img6.bmp"}, namesIn(glimra.path(L"image")));
    EXPECT_EQ("[HISTORY]\r\nPICNUM=6\r\n", readFile(glimra.path(L"glimra.ini")).substr(0, 21));
}

TEST(LoadFailures, AreReportedInOrderAndTheFilesNotReadOrHeldAreKept) {
    const std::string tooLong(999, 'd');
    {
        Glimra glimra({{L"dirInfo.dat", tooLong}, {L"memo.txt", kMemo}});
        Handle held = holdFile(glimra.path(L"memo.txt"));
        ASSERT_TRUE(glimra.start({{L"ファイルサイズが許容限界をオーバーしています。", Icon::Error},
                                  {L"\"dirInfo.dat\"の読み込みに失敗しました。", Icon::Error},
                                  {L"\"memo.txt\"の読み込みに失敗しました。", Icon::Error}}));
        held.reset();
        glimra.menu(IDM_QUIT);
        EXPECT_EQ(0u, glimra.exitCode());
        EXPECT_EQ(tooLong, readFile(glimra.path(L"dirInfo.dat")));
        EXPECT_EQ(kMemo, readFile(glimra.path(L"memo.txt")));
    }
    Glimra glimra({{L"dirInfo.dat", utf16le(L"C:\\shots")}, {L"memo.txt", kMemo}});
    ASSERT_TRUE(glimra.start());
    glimra.setMemo(L"changed");
    Handle heldFolder = holdFile(glimra.path(L"dirInfo.dat")), heldMemo = holdFile(glimra.path(L"memo.txt"));
    glimra.menu(IDM_QUIT, {{L"ファイルの書き込みに失敗しました。", Icon::Error}, {L"メモの保存に失敗しました。", Icon::Error}});
    EXPECT_EQ(0u, glimra.exitCode());
    heldFolder.reset();
    heldMemo.reset();
    EXPECT_EQ(utf16le(L"C:\\shots"), readFile(glimra.path(L"dirInfo.dat")));
    EXPECT_EQ(kMemo, readFile(glimra.path(L"memo.txt")));
}

TEST(Capture, WholeScreenAndAMinimisedWindowEqualIndependentGrabsOfTheScreen) {
    if (!underWine()) GTEST_SKIP() << "xwd and ImageMagick check the images";
    PatternWindow target(L"被写体", {1100, 700, 1201, 761}, false);  // odd width: rows need padding
    Glimra glimra({{L"image\\", ""}});
    ASSERT_TRUE(glimra.start());
    glimra.tick(IDC_JPEGPIC, true);
    glimra.tick(IDC_PNGPIC, true);
    {
        PatternWindow cover(L"cover", {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, true);
        ASSERT_TRUE(cover.waitUntilOnScreen());
        SetCursorPos(1150, 730);  // over the driver's windows: Wine draws no cursor of another process
        // Grabbed first: once Glimra shows its window again, X may stack it above the cover.
        runUnix("xwd -root -silent -out " + unixPath(glimra.path(L"screen.xwd")));
        glimra.capture();
    }
    ASSERT_TRUE(target.waitUntilOnScreen());
    ShowWindow(target.window, SW_MINIMIZE);
    glimra.press(IDC_CAPTURE_WINDOW);
    const Names rows = glimra.pick(L"被写体");
    glimra.expect({});
    EXPECT_NE(rows.end(), std::find(rows.begin(), rows.end(), L"被写体"));
    EXPECT_EQ(rows.end(), std::find(rows.begin(), rows.end(), L"Glimra Ver 3.00"));
    EXPECT_FALSE(IsIconic(target.window));
    EXPECT_EQ(glimra.main, GetForegroundWindow());
    EXPECT_EQ((Names{L"img1.bmp", L"img1.jpg", L"img1.png", L"img2.bmp", L"img2.jpg", L"img2.png"}),
              namesIn(glimra.path(L"image")));
    EXPECT_EQ("0\n0\nJPEG\n0\n0\n", runUnix("cd " + unixPath(glimra.path(L"image")) + " && for i in 1.bmp 1.png; do "
                                          "compare -metric AE img$i ../screen.xwd null: 2>&1; echo; done; identify -format "
                                          "'%m\n' img1.jpg; xwd -root -silent | convert xwd:- -crop 101x61+1100+700 +repage "
                                          "window.bmp && for i in 2.bmp 2.png; do compare -metric AE img$i window.bmp null: "
                                          "2>&1; echo; done"));
}

TEST(Interrupted, KilledDuringTheCaptureWaitStartsAgainQuietlyAndNumbersOn) {
    const std::string settings = "[HISTORY]\r\nPICNUM=20\r\n";
    Glimra glimra({{L"shots\\", ""}, {L"glimra.ini", settings}, {L"memo.txt", kMemo}});
    writeFile(glimra.path(L"dirInfo.dat"), utf16le(glimra.path(L"shots")));
    ASSERT_TRUE(glimra.start());
    glimra.press(IDC_CAPTURE_SCREEN);
    EXPECT_TRUE(waitFor([&] { return !glimra.visible(); }));
    glimra.kill();
    EXPECT_EQ(settings, readFile(glimra.path(L"glimra.ini")));
    EXPECT_EQ(utf16le(glimra.path(L"shots")), readFile(glimra.path(L"dirInfo.dat")));
    EXPECT_EQ(kMemo, readFile(glimra.path(L"memo.txt")));
    EXPECT_EQ(Names{}, namesIn(glimra.path(L"shots")));

    ASSERT_TRUE(glimra.start());  // fails on any box
    EXPECT_EQ(L"メモ", glimra.memo());
    glimra.capture();
    EXPECT_EQ(Names{L"img21.bmp"}, namesIn(glimra.path(L"shots")));
}

TEST(Menu, EveryCommandShowsItsBoxesAndLeavesItsFiles) {
    Glimra glimra({{L"chosen\\", ""}, {L"links\\", ""}});
    const std::wstring image = glimra.path(L"image\\");
    ASSERT_TRUE(glimra.start());
    glimra.menu(IDM_RESET_FOLDER, {information(image + L"が存在しなかったため、新たに作成しました。"),
                                   information(L"保存先を初期化しました。")});
    SendNotifyMessageW(glimra.main, WM_COMMAND, IDM_SET_SEQUENCE, 0);
    HWND sequence = glimra.dialog(L"連番の設定");
    SendMessageW(GetDlgItem(sequence, IDC_SEQUENCE_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"42"));
    PostMessageW(sequence, WM_COMMAND, IDOK, 0);
    glimra.expect({});
    glimra.capture();
    EXPECT_EQ(Names{L"img43.bmp"}, namesIn(image));
    glimra.menu(IDM_RESET_SEQUENCE, {information(L"リセットしました。")});
    glimra.chooseFolder(IDM_CHANGE_FOLDER, image, glimra.path(L"chosen"));
    glimra.expect({});

    wchar_t desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOP, TRUE);
    const std::wstring desktopLink = desktop + std::wstring(L"\\Glimra3.lnk");
    glimra.menu(IDM_DESKTOP_SHORTCUT, {information(kShortcutMade)});
    // lnkinfo prints 0 for every show command: the header's field at 0x3C tells SW_SHOWNORMAL.
    EXPECT_EQ(std::string("\x01\x00\x00\x00", 4), readFile(desktopLink).substr(0x3C, 4));
    if (underWine()) {
        EXPECT_NE(std::string::npos, runUnix("lnkinfo " + unixPath(desktopLink))
                                         .find("Local path\t\t\t: " + utf8(glimra.folder) + "Glimra3.exe\n"));
    }
    glimra.chooseFolder(IDM_FOLDER_SHORTCUT, glimra.folder, glimra.path(L"links"));
    glimra.expect({{glimra.path(L"links\\Glimra3.lnk"), Icon::Information, {IDOK}, IDOK, L"テスト"},
                   information(kShortcutMade)});
    EXPECT_EQ(Names{L"Glimra3.lnk"}, namesIn(glimra.path(L"links")));
    glimra.menu(IDM_DESKTOP_SHORTCUT_REMOVE, {{L"Glimra3.lnkを削除してもよろしいですか？", Icon::Information, {IDYES, IDNO}, IDYES},
                                              information(L"削除に成功しました。")});
    glimra.menu(IDM_DESKTOP_SHORTCUT_REMOVE, {information(L"Glimra3.lnkが存在しません。\n既に削除されている可能性があります。")});

    glimra.menu(IDM_README, {{L"ファイルが見つかりません。", Icon::Warning}});
    writeFile(glimra.path(L"readme.txt"), "Glimra readme\r\n");
    glimra.menu(IDM_README);
    EXPECT_TRUE(closeNotepad(L"readme.txt")) << "the readme did not open";
    glimra.menu(IDM_ABOUT, {{L"Glimra Ver 3.00\n\nGlimra Project\n\nhttps://glimra.example/", Icon::Glimra, {IDOK}, IDOK,
                             L"バージョン情報"}});
    glimra.setMemo(L"menu memo");
    glimra.menu(IDM_SAVE_MEMO, {question(L"保存してもよろしいですか？", IDYES), information(L"保存しました。")});
    EXPECT_EQ("menu memo", readFile(glimra.path(L"memo.txt")));
    glimra.menu(IDM_QUIT);
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ(utf16le(glimra.path(L"chosen")), readFile(glimra.path(L"dirInfo.dat")));
    EXPECT_NE(std::string::npos, readFile(glimra.path(L"glimra.ini")).find("PICNUM=0\r\n"));
}

// Run by package_test.sh on the unpacked release, where the program lies.
TEST(Package, UnpackedProgramCapturesIntoItsOwnFolderAndStoresBesideItself) {
    if (!std::getenv("GLIMRA_IN_PLACE")) GTEST_SKIP() << "for the unpacked release only";
    Glimra glimra(glimraExe.substr(0, glimraExe.rfind(L'\\') + 1));
    const std::wstring image = glimra.path(L"image\\");
    ASSERT_TRUE(glimra.start());
    glimra.press(IDC_CAPTURE_SCREEN);
    glimra.expect({information(image + L"が存在しなかったため、保存先を初期化します。"),
                   information(image + L"が存在しなかったため、新たに作成します。"), information(L"保存先を初期化しました。")});
    glimra.close({question(L"終了しますか？", IDYES)});
    EXPECT_EQ(0u, glimra.exitCode());
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) return std::fprintf(stderr, "usage: glimra_e2e <path of Glimra3.exe>\n"), 2;
    const std::string exe = argv[1];
    glimraExe = (exe[0] == '/' ? L"Z:" : L"") + std::wstring(exe.begin(), exe.end());  // unix paths lie on Z:
    std::replace(glimraExe.begin(), glimraExe.end(), L'/', L'\\');
    return RUN_ALL_TESTS();
}
