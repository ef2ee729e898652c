// Broad scenarios, each one or two starts of Glimra3.exe, checked on the windows it shows and the files it leaves.
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "driver.h"

static const std::string kMemo = "\x83\x81\x83\x82";  // "メモ" in code page 932

static bool trayIcon(HWND window, DWORD action) {  // on Glimra's notification icon, as the taskbar has it
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window;
    return Shell_NotifyIconW(action, &icon);
}

TEST(FirstStart, ShowsTheDefaultsAsksBeforeEndingHidesInTheTrayAndTakesOverEverySecondStartInItsFolder) {
    Glimra glimra;
    fs::copy_file(glimraExe, glimra.path(L"Glimra3 - コピー.exe"));
    const MappedDrive drive(glimra.folder);  // first: Wine names a folder's volume after the drive nearest to it
    ASSERT_TRUE(glimra.start());
    EXPECT_EQ((Names{L"Glimra3 - コピー.exe", L"Glimra3.exe", L"dirInfo.dat", L"memo.txt"}), namesIn(glimra.folder))
        << "the first start's empty files";
    EXPECT_EQ((std::vector<int>{IDC_CONSTANT, IDC_SAVEINI, IDC_USEBG, IDC_ALMEMO, IDC_ASMEMO}), glimra.boxes());
    EXPECT_EQ((std::vector<int>{IDC_TRIMING, IDC_ALTER, IDC_POPWINDOW}), glimra.boxes(true));
    glimra.close({question(L"終了しますか？", IDNO)});
    EXPECT_TRUE(IsWindowVisible(glimra.main));
    glimra.tick({IDC_ISTASK});
    glimra.close();
    EXPECT_FALSE(IsWindowVisible(glimra.main));
    // A restarted taskbar has lost every icon and says so: Glimra's comes back while it is hidden.
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    EXPECT_TRUE(trayIcon(glimra.main, NIM_DELETE)) << "no icon";
    glimra.send(taskbarCreated, 0, 0);
    EXPECT_TRUE(trayIcon(glimra.main, NIM_MODIFY)) << "the icon was not added again";
    glimra.send(WM_TRAY_CALLBACK, 0, WM_RBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(glimra.main)) << "only the left button brings the window back";
    EXPECT_EQ("", glimra.read(L"glimra.ini") + glimra.read(L"dirInfo.dat") + glimra.read(L"memo.txt")) << "stored";
    glimra.send(WM_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(glimra.main));
    glimra.send(taskbarCreated, 0, 0);
    EXPECT_FALSE(trayIcon(glimra.main, NIM_MODIFY)) << "an icon for a window that is shown";

    // A renamed copy, or this one by another drive letter, brings the window back and ends; another folder's runs.
    ASSERT_FALSE(drive.letter.empty()) << "no drive letter could be mapped";
    const std::pair<std::wstring, bool> secondStarts[] = {{glimra.path(L"Glimra3 - コピー.exe"), true},
                                                          {drive.letter + L"\\Glimra3.exe", false}};
    for (const auto& [exe, tray] : secondStarts) {
        SCOPED_TRACE(utf8(exe));
        tray ? glimra.close() : void(ShowWindow(glimra.main, SW_MINIMIZE));
        ScopedHandle second = launch(L"\"" + exe + L"\"", nullptr);
        DWORD code = 1;
        EXPECT_TRUE(WaitForSingleObject(second.get(), kBoundMs) == WAIT_OBJECT_0 &&
                    GetExitCodeProcess(second.get(), &code) && code == 0);
        TerminateProcess(second.get(), 1);  // a second copy left running would hold the folder
        EXPECT_TRUE(IsWindowVisible(glimra.main) && !IsIconic(glimra.main)) << (tray ? "in the tray" : "minimized");
    }
    EXPECT_TRUE(Glimra().start() && glimra.running());

    glimra.tick({IDC_ISTASK}, false);
    glimra.close({question(L"終了しますか？", IDYES)});
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ((Names{L"Glimra3 - コピー.exe", L"Glimra3.exe", L"dirInfo.dat", L"glimra.ini", L"memo.txt"}),
              namesIn(glimra.folder));
    EXPECT_EQ(utf16le(glimra.path(L"image\\")), glimra.read(L"dirInfo.dat"));
}

TEST(StoredState, HandSetValuesAndACodePage932MemoAreShownEditedWithTabAndF2AndWrittenBack) {
    if (!underWine()) GTEST_SKIP() << "iconv and python3 check the files";
    Glimra glimra({{L"glimra.ini", "[HISTORY]\r\nPICNUM=41\r\n[MODE]\r\nTRIMING=1\r\nJPEGPIC=0\r\n[SETTING]\r\n"
                                   "NONEDIALOG=7\r\n[IMG]\r\nQUALITY=80\r\n[X]\r\nY=kept\r\n"}}, {L"image"});
    runUnix("printf 'スクショのメモ ～①' | iconv -f UTF-8 -t CP932 >" + unixPath(glimra.path(L"memo.txt")));
    ASSERT_TRUE(glimra.start());
    EXPECT_EQ((std::vector<int>{IDC_TRIMING, IDC_CONSTANT, IDC_SAVEINI, IDC_NONEDIALOG, IDC_USEBG, IDC_ALMEMO, IDC_ASMEMO}), glimra.boxes());
    EXPECT_EQ("スクショのメモ ～①", utf8(glimra.memo()));
    glimra.tick({IDC_PNGPIC});
    glimra.setMemo(L"書き換えたメモ ②");
    // In the focused memo Tab appends wherever the caret is, which follows it, and the focus stays; F2 only tells.
    HWND memo = GetDlgItem(glimra.panel, IDC_MEMO), box = nullptr;
    GUITHREADINFO input = {sizeof(input), 0, 0, 0, 0, 0, 0, 0, {}};
    ask(glimra.panel, WM_NEXTDLGCTL, WPARAM(memo), TRUE);
    ask(memo, EM_SETSEL, 0, 0);
    PostMessageW(memo, WM_KEYDOWN, VK_TAB, 0);
    glimra.expect({});
    EXPECT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(memo, 0), &input) && input.hwndFocus == memo) << "moved";
    EXPECT_EQ(MAKELONG(10, 10), ask(memo, EM_GETSEL));
    PostMessageW(memo, WM_KEYDOWN, VK_F2, 0);
    EXPECT_TRUE(waitFor([&] { return (box = FindWindowW(L"#32770", L"Glimra Ver 3.00")) != nullptr; }));
    EXPECT_EQ(glimra.main, GetWindow(box, GW_OWNER));
    glimra.expect({information(L"検索ボックスを実装予定。")});
    EXPECT_EQ("書き換えたメモ ②\t", utf8(glimra.memo()));
    glimra.capture();
    EXPECT_EQ(0u, glimra.end(WM_CLOSE, 0));
    EXPECT_EQ("1 1 0 1 42 80 kept\n", runUnix("python3 -c \"import configparser, sys; c = configparser.ConfigParser(); "
                                              "c.read(sys.argv[1]); m = c['MODE']; print(c['SETTING']['NONEDIALOG'], "
                                              "m['TRIMING'], m['JPEGPIC'], m['PNGPIC'], c['HISTORY']['PICNUM'], "
                                              "c['IMG']['QUALITY'], c['X']['Y'])\" " +
                                              unixPath(glimra.path(L"glimra.ini"))));
    EXPECT_EQ("書き換えたメモ ②\t", runUnix("iconv -f CP932 -t UTF-8 " + unixPath(glimra.path(L"memo.txt"))));
}

TEST(SaveSettingsOff, QuitKeepsTheSettingsFileTheNextStartNumbersFromItAndEndsItselfWithItsCounterStored) {
    const std::string settings = "[HISTORY]\r\nPICNUM=5\r\n[SETTING]\r\nISTASK=1\r\nASMEMO=0\r\n";
    Glimra glimra({{L"glimra.ini", settings}}, {L"image"});
    ASSERT_TRUE(glimra.start());
    glimra.tick({IDC_SAVEINI}, false);
    glimra.capture();
    glimra.tick({IDC_ASMEMO});  // the box as it stands decides
    glimra.setMemo(L"kept");
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));  // never asks, never hides
    EXPECT_EQ(settings + "kept", glimra.read(L"glimra.ini") + glimra.read(L"memo.txt"));

    ASSERT_TRUE(glimra.start());
    glimra.tick({IDC_AUTOEND});
    glimra.press(IDC_CAPTURE_SCREEN);
    EXPECT_EQ(0u, glimra.exitCode());
    // Numbered on from the stored 5, past the first run's img6.bmp, which stays.
    EXPECT_EQ("[HISTORY]\r\nPICNUM=7\r\n", glimra.read(L"glimra.ini").substr(0, 21));
    EXPECT_EQ((Names{L"img6.bmp", L"img7.bmp"}), namesIn(glimra.path(L"image")));
}

// Minimized or maximized, the settings are shown; the session's end stores silently; the memo takes all it may.
TEST(ShowStates, MinimizedOrMaximizedTheSettingsAreShownAndTheSessionEndStores) {
    std::string loaded, typed;  // built from lines: Wine's edit control crawls on long ones
    for (int i = 0; i < 500; ++i) (i < 400 ? loaded : typed) += std::string(98, i < 400 ? 'm' : 't') + "\r\n";
    Glimra glimra({{L"glimra.ini", "[HISTORY]\r\nPICNUM=7\r\n[MODE]\r\nTRIMING=1\r\n[SETTING]\r\nASMEMO=0\r\n"},
                   {L"memo.txt", loaded}, {L"dirInfo.dat", ""}}, {L"image"});
    auto panelFillsTheWindow = [&] {
        RECT client = {}, shown = {};
        GetClientRect(glimra.main, &client);
        GetWindowRect(glimra.panel, &shown);
        MapWindowPoints(nullptr, glimra.main, reinterpret_cast<POINT*>(&shown), 2);
        return EqualRect(&client, &shown) && !IsIconic(glimra.main) && !IsZoomed(glimra.main);
    };
    ASSERT_TRUE(glimra.start({}, SW_SHOWMINNOACTIVE));
    EXPECT_TRUE(IsIconic(glimra.main));
    EXPECT_EQ((std::vector<int>{IDC_TRIMING, IDC_CONSTANT, IDC_SAVEINI, IDC_USEBG, IDC_ALMEMO}), glimra.boxes());
    glimra.send(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(waitFor(panelFillsTheWindow));
    glimra.capture();
    glimra.capture();
    HWND memo = GetDlgItem(glimra.panel, IDC_MEMO);
    EXPECT_EQ(1023999, ask(memo, EM_GETLIMITTEXT));
    ask(memo, EM_REPLACESEL, FALSE, LPARAM(wide(typed).c_str()));
    glimra.tick({IDC_ASMEMO});
    EXPECT_EQ(TRUE, ask(glimra.main, WM_QUERYENDSESSION));
    {
        ScopedFile held = hold(glimra.path(L"dirInfo.dat"));  // its failure is not told: no one is there
        EXPECT_EQ(0u, glimra.end(WM_ENDSESSION, TRUE));
    }
    EXPECT_EQ((Names{L"img8.bmp", L"img9.bmp"}), namesIn(glimra.path(L"image")));
    EXPECT_EQ("[HISTORY]\r\nPICNUM=9\r\n", glimra.read(L"glimra.ini").substr(0, 21));
    EXPECT_TRUE(glimra.read(L"memo.txt") == typed + loaded) << glimra.read(L"memo.txt").size() << " bytes";

    const std::string stored = glimra.read(L"glimra.ini") + glimra.read(L"memo.txt");
    ASSERT_TRUE(glimra.start({}, SW_MAXIMIZE));
    EXPECT_TRUE(waitFor(panelFillsTheWindow));
    EXPECT_EQ((std::vector<int>{IDC_TRIMING, IDC_CONSTANT, IDC_SAVEINI, IDC_USEBG, IDC_ALMEMO, IDC_ASMEMO}), glimra.boxes());
    glimra.capture();
    glimra.tick({IDC_SAVEINI, IDC_ASMEMO}, false);
    glimra.setMemo(L"not kept");
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    EXPECT_EQ((Names{L"img10.bmp", L"img8.bmp", L"img9.bmp"}), namesIn(glimra.path(L"image")));
    EXPECT_TRUE(stored == glimra.read(L"glimra.ini") + glimra.read(L"memo.txt"));
}

// A settings file held through the start shows the defaults and keeps its own keys for good.
TEST(LoadFailures, AreReportedInOrderAndTheFilesNotReadAreKept) {
    const std::string settings = "[HISTORY]\r\nPICNUM=500\r\n[MODE]\r\nJPEGPIC=1\r\n[SETTING]\r\nNONEDIALOG=1\r\n";
    Glimra glimra({{L"glimra.ini", settings}, {L"dirInfo.dat", std::string(999, 'd')}, {L"memo.txt", kMemo}});
    ScopedFile heldSettings = hold(glimra.path(L"glimra.ini")), held = hold(glimra.path(L"memo.txt"));
    ASSERT_TRUE(glimra.start({error(L"\"glimra.ini\"の読み込みに失敗しました。"), error(L"ファイルサイズが許容限界をオーバーしています。"),
                              error(L"\"dirInfo.dat\"の読み込みに失敗しました。"), error(L"\"memo.txt\"の読み込みに失敗しました。")}));
    heldSettings.reset(), held.reset();
    EXPECT_EQ((std::vector<int>{IDC_CONSTANT, IDC_SAVEINI, IDC_USEBG, IDC_ALMEMO, IDC_ASMEMO}), glimra.boxes());
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    EXPECT_EQ(settings + std::string(999, 'd') + kMemo,
              glimra.read(L"glimra.ini") + glimra.read(L"dirInfo.dat") + glimra.read(L"memo.txt"));
}

TEST(Capture, ScreenAndWindowsMinimisedOffTheEdgeOrMaximisedAreTakenAsTheScreenShowsThemAndAHungMinimisedOneIsRefused) {
    if (!underWine()) GTEST_SKIP() << "xwd and ImageMagick check the images";
    PatternWindow target(L"被写体", {1100, 700, 1201, 761}, false);  // odd width: rows need padding
    const int right = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const PatternWindow away(L"画面外", {right + 100, 100, right + 500, 400}, false);  // listed, though on no screen
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
    ShowWindow(target.window.get(), SW_MINIMIZE);
    const Names rows = glimra.captureWindow(L"被写体");
    glimra.expect({});
    EXPECT_EQ(1, std::count(rows.begin(), rows.end(), L"被写体"));
    EXPECT_EQ(1, std::count(rows.begin(), rows.end(), L"画面外"));
    EXPECT_EQ(glimra.main, GetForegroundWindow());
    glimra.tick({IDC_JPEGPIC, IDC_PNGPIC}, false);
    // Out of the top left corner: X may stack Glimra's window above the driver's at any time.
    SetWindowPos(glimra.main, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    {
        PatternWindow edge(L"端", {-37, -23, 64, 38}, true);  // off the top left corner, always on top
        ASSERT_TRUE(edge.waitUntilOnScreen());
        runUnix("xwd -root -silent -out " + unixPath(glimra.path(L"image\\edge.xwd")));
        glimra.captureWindow(L"端");
        glimra.expect({});
    }
    ScopedWindow big(CreateWindowW(L"Static", L"最大化", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 90, 80, 300, 200, 0, 0, 0, 0));
    ShowWindow(big.get(), SW_MAXIMIZE);
    const ScopedHandle wake(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread sleeper([&] {  // a window of its own, minimized, then no answer until woken
        const ScopedWindow window(
            CreateWindowW(L"Static", L"応答なし", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150, 300, 200, 0, 0, 0, 0));
        ShowWindow(window.get(), SW_MINIMIZE);
        WaitForSingleObject(wake.get(), INFINITE);
    });
    HWND hung = nullptr;
    EXPECT_TRUE(waitFor([&] { return IsIconic(hung = FindWindowW(L"Static", L"応答なし")); }));
    RECT maximized = {};
    GetWindowRect(big.get(), &maximized);
    glimra.captureWindow(L"最大化");
    EXPECT_TRUE(waitFor([&] { return fs::exists(glimra.path(L"image\\img4.bmp")); })) << "not taken";
    EXPECT_TRUE(glimra.idle(1000)) << "Glimra hangs after taking the maximized window";
    // Restoring waits for the hung thread: the window is still minimized when the capture comes.
    glimra.captureWindow(L"応答なし");
    glimra.expect({{L"\"" + glimra.path(L"image\\img5.bmp") + L"\"の作成に失敗しました。", Icon::Error}});
    EXPECT_TRUE(IsIconic(hung));
    SetEvent(wake.get());
    sleeper.join();
    glimra.expect({});
    EXPECT_TRUE(IsZoomed(big.get()));
    const int32_t size[] = {maximized.right - maximized.left, maximized.bottom - maximized.top};  // biWidth, biHeight
    EXPECT_EQ(std::string(LPCSTR(size), sizeof(size)), glimra.read(L"image\\img4.bmp").substr(18, 8));
    big.reset();  // uncovers the first window for the grab below
    ASSERT_TRUE(target.waitUntilOnScreen());
    EXPECT_EQ((Names{L"edge.xwd", L"img1.bmp", L"img1.jpg", L"img1.png", L"img2.bmp", L"img2.jpg", L"img2.png",
                     L"img3.bmp", L"img4.bmp", L"screen.xwd"}), namesIn(glimra.path(L"image")));
    EXPECT_EQ("JPEG 0 0 0 0 0\n", runUnix("cd " + unixPath(glimra.path(L"image")) + " && identify -format '%m ' img1.jpg"
                                        " && xwd -root -silent | convert xwd:- -crop 101x61+1100+700 window.bmp && "
                                        "convert edge.xwd -crop 64x38+0+0 +repage -background black -gravity southeast "
                                        "-extent 101x61 edge.bmp && for i in 1.bmp:screen.xwd 1.png:screen.xwd "
                                        "2.bmp:window.bmp 2.png:window.bmp 3.bmp:edge.bmp; do compare -metric AE "
                                        "img${i%:*} ${i#*:} null: 2>&1; echo; done | xargs"));
}

// Captures asked for while one waits in its picker or boxes are ignored; a close or the session's end waits for it.
TEST(Capture, CommandsAndEndingsArrivingDuringItWaitForItToFinish) {
    PatternWindow listed(L"被写体", {0, 0, 8, 8}, false);
    Glimra glimra;
    ASSERT_TRUE(glimra.start());
    auto openDialogs = [&](UINT ending, WPARAM wParam) {  // counted once the commands are handled
        glimra.press(IDC_CAPTURE_SCREEN);
        glimra.press(IDC_CAPTURE_WINDOW);
        SendNotifyMessageW(glimra.main, ending, wParam, 0);
        ask(glimra.main, WM_NULL);
        return windowsOf(glimra.processId, L"#32770", true).size();
    };
    glimra.press(IDC_CAPTURE_WINDOW);
    HWND picker = dialog(L"取得可能なプロセス");
    EXPECT_EQ(1u, openDialogs(WM_CLOSE, 0));
    PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
    glimra.expect({question(L"終了しますか？", IDNO)});

    glimra.press(IDC_CAPTURE_SCREEN);
    EXPECT_TRUE(waitFor([&] { return !windowsOf(glimra.processId, L"#32770").empty(); }));
    EXPECT_EQ(1u, openDialogs(WM_ENDSESSION, TRUE));
    // Stored at once as well: the process may be ended as soon as the message returns.
    EXPECT_EQ("[HISTORY]\r\nPICNUM=0\r\n" + utf16le(glimra.path(L"image\\")),
              glimra.read(L"glimra.ini").substr(0, 21) + glimra.read(L"dirInfo.dat"));
    glimra.expect({information(glimra.path(L"image\\が存在しなかったため、保存先を初期化します。")),
                   information(glimra.path(L"image\\が存在しなかったため、新たに作成します。")),
                   information(L"保存先を初期化しました。")});
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ(Names{L"img1.bmp"}, namesIn(glimra.path(L"image")));
    EXPECT_EQ("[HISTORY]\r\nPICNUM=1\r\n", glimra.read(L"glimra.ini").substr(0, 21));
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
        ScopedFile heldIni = hold(glimra.path(L"glimra.ini")), heldFolder = hold(glimra.path(L"dirInfo.dat")),
               heldMemo = hold(glimra.path(L"memo.txt"));
        EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT, {kWriteFailed, kWriteFailed,
                                                      error(L"メモの保存に失敗しました。"), question(L"終了しますか？", IDYES)}));
    }
    EXPECT_EQ(stored, glimra.read(L"glimra.ini") + glimra.read(L"dirInfo.dat") + glimra.read(L"memo.txt"));
}

// A failed store at an ending the user is there for is followed by the question; No keeps the program
// as it was, typed memo too, so the file can be freed or the memo shortened. The start clears leftovers.
TEST(FailedStore, AtAnEndingAsksWhetherToEndAndNoKeepsTheWindowAndTheMemoUntilItIsStored) {
    Glimra glimra({{L"glimra.ini", "[HISTORY]\r\nPICNUM=41\r\n"}, {L"memo.txt", "old memo"},
                   {L"memo.txt.03E9DC7F.tmp", "killed"}}, {L"shots"});
    writeFile(glimra.path(L"dirInfo.dat"), "\xFF\xFE" + utf16le(glimra.path(L"shots")));  // as Notepad saves it
    ASSERT_TRUE(glimra.start());
    EXPECT_EQ((Names{L"Glimra3.exe", L"dirInfo.dat", L"glimra.ini", L"memo.txt"}), namesIn(glimra.folder));
    glimra.setMemo(L"typed memo");
    ScopedFile held = hold(glimra.path(L"glimra.ini"));  // at the end after a capture, whose number stays
    glimra.tick({IDC_AUTOEND});
    glimra.press(IDC_CAPTURE_SCREEN);
    glimra.expect({kWriteFailed, question(L"終了しますか？", IDNO)});
    EXPECT_TRUE(glimra.running() && IsWindowVisible(glimra.main));
    EXPECT_EQ(L"typed memo", glimra.memo());
    glimra.tick({IDC_AUTOEND}, false);
    held.reset();
    std::wstring tooLong;  // 1,050,000 bytes in UTF-8, the only form that holds the euro sign
    for (int line = 0; line < 3500; ++line) tooLong += std::wstring(98, L'€') + L"\r\n";
    glimra.setMemo(tooLong);
    glimra.menu(IDM_QUIT, {error(L"ファイルサイズが許容限界をオーバーしています。"), error(L"メモの保存に失敗しました。"),
                           question(L"終了しますか？", IDNO)});
    EXPECT_TRUE(glimra.memo() == tooLong) << "the memo was lost";
    glimra.setMemo(L"memo at Quit");
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    EXPECT_EQ("memo at Quit", glimra.read(L"memo.txt"));
    EXPECT_EQ("[HISTORY]\r\nPICNUM=42\r\n", glimra.read(L"glimra.ini").substr(0, 22));
    EXPECT_EQ(utf16le(glimra.path(L"shots")), glimra.read(L"dirInfo.dat"));
    EXPECT_EQ(std::vector<std::wstring>{L"img42.bmp"}, namesIn(glimra.path(L"shots")));
}

TEST(Menu, EveryCommandShowsItsBoxesAndLeavesItsFiles) {
    Glimra glimra({{L"image", ""}}, {L"chosen", L"chosen\\Glimra3.lnk"});  // a file and a folder in the way
    ASSERT_TRUE(glimra.start());
    glimra.menu(IDM_RESET_FOLDER, {{glimra.path(L"image\\を作成できませんでした。"), Icon::Error}});
    fs::remove(glimra.path(L"image"));
    glimra.menu(IDM_RESET_FOLDER, {information(glimra.path(L"image\\が存在しなかったため、新たに作成しました。")),
                                   information(L"保存先を初期化しました。")});
    auto number = [&](const wchar_t* typed, int button) {  // typed into the sequence dialog, then answered
        SendNotifyMessageW(glimra.main, WM_COMMAND, IDM_SET_SEQUENCE, 0);
        HWND sequence = dialog(L"連番の設定");
        SendMessageW(GetDlgItem(sequence, IDC_SEQUENCE_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed));
        PostMessageW(sequence, WM_COMMAND, button, 0);
        glimra.expect({});
    };
    number(L"42", IDOK);
    glimra.capture();
    EXPECT_EQ(Names{L"img43.bmp"}, namesIn(glimra.path(L"image")));
    glimra.chooseFolder(IDM_CHANGE_FOLDER, glimra.path(L"chosen"), {});
    // Cancelled, the number dialog and the chooser change nothing; after a reset the numbers start again.
    number(L"7", IDCANCEL);
    glimra.chooseFolder(IDM_CHANGE_FOLDER, glimra.path(L"image"), {}, IDCANCEL);
    glimra.capture();
    glimra.menu(IDM_RESET_SEQUENCE, {information(L"リセットしました。")});
    glimra.capture();
    EXPECT_EQ((Names{L"img1.bmp", L"img44.bmp"}), namesIn(glimra.path(L"chosen")));

    const Box linkPath = {glimra.path(L"chosen\\Glimra3.lnk"), Icon::Information, {IDOK}, IDOK, L"テスト"};
    glimra.chooseFolder(IDM_FOLDER_SHORTCUT, glimra.path(L"chosen"),
                        {linkPath, {L"ショートカットの作成に失敗しました。", Icon::Error}});
    fs::remove(glimra.path(L"chosen\\Glimra3.lnk"));
    glimra.chooseFolder(IDM_FOLDER_SHORTCUT, glimra.path(L"chosen"),
                        {linkPath, information(L"ショートカットの作成に成功しました。")});
    EXPECT_EQ((Names{L"Glimra3.lnk", L"img1.bmp", L"img44.bmp"}), namesIn(glimra.path(L"chosen")));
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
    const std::vector<HWND> users = windowsOf(0, L"Notepad");  // only the one the program opens is closed
    glimra.menu(IDM_README);
    std::vector<HWND> notepads;
    EXPECT_TRUE(waitFor([&] { return (notepads = windowsOf(0, L"Notepad")).size() > users.size(); })) << "not opened";
    for (HWND notepad : notepads)
        if (!std::count(users.begin(), users.end(), notepad)) PostMessageW(notepad, WM_CLOSE, 0, 0);
    glimra.menu(IDM_ABOUT, {{L"Glimra Ver 3.00\n\nGlimra Project\n\nhttps://glimra.example/", Icon::Glimra, {IDOK},
                             IDOK, L"バージョン情報"}});
    glimra.setMemo(L"menu memo");
    glimra.menu(IDM_SAVE_MEMO, {question(L"保存してもよろしいですか？", IDYES), information(L"保存しました。")});
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    EXPECT_EQ(utf16le(glimra.path(L"chosen")), glimra.read(L"dirInfo.dat"));
}

static INT_PTR CALLBACK ignoreAll(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// At the prefix's DPI, and by dpi_test.sh at 120, 144, 192; texts measured in the font of a copy of the panel.
TEST(Panel, FillsTheClientAreaAndShowsEveryLabelWholeInsideItsGroup) {
    Glimra glimra;
    ASSERT_TRUE(glimra.start());
    const ScopedModule exe(LoadLibraryExW(glimraExe.c_str(), 0, LOAD_LIBRARY_AS_DATAFILE));
    const ScopedWindow host(CreateWindowW(L"Static", 0, WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0));
    HWND copy = CreateDialogParamW(exe.get(), MAKEINTRESOURCEW(IDD_PANEL), host.get(), ignoreAll, 0);
    const ScopedMemoryDC measure(CreateCompatibleDC(nullptr));
    SelectObject(measure.get(), HGDIOBJ(ask(copy, WM_GETFONT)));
    const int dpi = GetDeviceCaps(measure.get(), LOGPIXELSY);
    const char* wanted = std::getenv("GLIMRA_DPI");
    ASSERT_EQ(wanted ? std::atoi(wanted) : dpi, dpi) << "the prefix's DPI was not set";
    auto place = [&](HWND control) {  // in the main window's client area
        RECT rect = {};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, glimra.main, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    RECT client = {}, panel = place(glimra.panel);
    GetClientRect(glimra.main, &client);
    EXPECT_TRUE(EqualRect(&client, &panel)) << dpi << " DPI: client " << client.right << "x" << client.bottom;
    std::vector<RECT> groups;
    for (HWND control = 0; (control = FindWindowExW(glimra.panel, control, L"Button", 0));)
        if ((GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) groups.push_back(place(control));
    for (HWND control = 0; (control = FindWindowExW(glimra.panel, control, L"Button", 0));) {
        const std::wstring text = windowText(control);
        const bool checkBox = (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        RECT rect = place(control), inside = {};
        SIZE size = {};
        GetTextExtentPoint32W(measure.get(), text.c_str(), int(text.size()), &size);
        // Room for the check mark and its gap as themed Windows draws them, or for a frame each side.
        const int room = rect.right - rect.left - MulDiv(checkBox ? 19 : 20, dpi, 96);
        // The one label that cannot show whole: 1016 reaches as far as its group's frame allows, and
        // the README names what it loses.
        const bool trayBox = GetDlgCtrlID(control) == IDC_ISTASK;
        const int cut = trayBox && (dpi == 120 || dpi == 192) ? 7 : 0;
        EXPECT_LE(size.cx, room + cut) << utf8(text) << " at " << dpi << " DPI";
        EXPECT_TRUE(std::any_of(groups.begin(), groups.end(), [&](const RECT& group) {
            return IntersectRect(&inside, &rect, checkBox ? &group : &client) && EqualRect(&inside, &rect);
        })) << utf8(text) << " sticks out at " << dpi << " DPI";
    }
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

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    SetProcessDPIAware();  // Glimra's windows and the screen as they are, at any DPI
    if (argc < 2) return std::fprintf(stderr, "usage: glimra_e2e <path of Glimra3.exe>\n"), 2;
    glimraExe = (argv[1][0] == L'/' ? L"Z:" : L"") + std::wstring(argv[1]);  // unix paths lie on Z:
    std::replace(glimraExe.begin(), glimraExe.end(), L'/', L'\\');
    return RUN_ALL_TESTS();
}
