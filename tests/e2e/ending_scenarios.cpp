// An ending that asks before it loses what it could not store, and waits out a file held for a moment.
#include "driver.h"

// A store that fails at an ending the user is there for is followed by the question; No keeps the
// program as it was, the typed memo too, so the file can be freed, or the memo shortened, and the
// ending tried again. The start clears what a killed store left beside the exe, and reads a save
// folder Notepad saved with its byte-order mark; the exit stores it without one.
TEST(FailedStore, AtAnEndingAsksWhetherToEndAndNoKeepsTheWindowAndTheMemoUntilItIsStored) {
    Glimra glimra({{L"glimra.ini", "[HISTORY]\r\nPICNUM=41\r\n"}, {L"memo.txt", "old memo"},
                   {L"memo.txt.03E9DC7F.tmp", "killed"}, {L"memo.txt.tmp", "not ours"}},
                  {L"shots", L"glimra.ini.0123ABCD.tmp"});
    writeFile(glimra.path(L"dirInfo.dat"), "\xFF\xFE" + utf16le(glimra.path(L"shots")));
    ASSERT_TRUE(glimra.start());
    EXPECT_EQ((std::vector<std::wstring>{L"Glimra3.exe", L"dirInfo.dat", L"glimra.ini", L"memo.txt", L"memo.txt.tmp"}),
              namesIn(glimra.folder));
    EXPECT_TRUE(fs::is_directory(glimra.path(L"glimra.ini.0123ABCD.tmp"))) << "a folder of that name removed";
    glimra.setMemo(L"typed memo");
    ScopedFile held = hold(glimra.path(L"glimra.ini"));  // at the end after a capture, whose number stays
    glimra.tick({IDC_AUTOEND});
    glimra.press(IDC_CAPTURE_SCREEN);
    glimra.expect({error(L"ファイルの書き込みに失敗しました。"), question(L"終了しますか？", IDNO)});
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
    held = hold(glimra.path(L"memo.txt"));  // for half a second, as an antivirus would: waited out without a box
    SendNotifyMessageW(glimra.main, WM_COMMAND, IDM_QUIT, 0);
    Sleep(500);
    EXPECT_TRUE(glimra.running()) << "it did not wait";
    held.reset();
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ("memo at Quit", glimra.read(L"memo.txt"));
    EXPECT_EQ("[HISTORY]\r\nPICNUM=42\r\n", glimra.read(L"glimra.ini").substr(0, 22));
    EXPECT_EQ(utf16le(glimra.path(L"shots")), glimra.read(L"dirInfo.dat"));
    EXPECT_EQ(std::vector<std::wstring>{L"img42.bmp"}, namesIn(glimra.path(L"shots")));
}
