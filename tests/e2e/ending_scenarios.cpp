// An ending that asks before it loses what it could not store, and waits out a file held for a moment.
#include "driver.h"

// A store that fails at an ending the user is there for is followed by the question; No keeps the
// program as it was, the typed memo too, so the file can be freed and the ending tried again.
TEST(FailedStore, AtAnEndingAsksWhetherToEndAndNoKeepsTheWindowAndTheMemoUntilItIsStored) {
    Glimra glimra({{L"glimra.ini", "[HISTORY]\r\nPICNUM=41\r\n"}, {L"memo.txt", "old memo"}}, {L"image"});
    ASSERT_TRUE(glimra.start());
    glimra.setMemo(L"typed memo");
    ScopedFile held = hold(glimra.path(L"glimra.ini"));  // at the end after a capture, whose number stays
    glimra.tick({IDC_AUTOEND});
    glimra.press(IDC_CAPTURE_SCREEN);
    glimra.expect({error(L"ファイルの書き込みに失敗しました。"), question(L"終了しますか？", IDNO)});
    EXPECT_TRUE(glimra.running() && IsWindowVisible(glimra.main));
    EXPECT_EQ(L"typed memo", glimra.memo());
    glimra.tick({IDC_AUTOEND}, false);
    glimra.setMemo(L"memo at Quit");
    held = hold(glimra.path(L"memo.txt"));  // for half a second, as an antivirus would: waited out without a box
    SendNotifyMessageW(glimra.main, WM_COMMAND, IDM_QUIT, 0);
    Sleep(500);
    EXPECT_TRUE(glimra.running()) << "it did not wait";
    held.reset();
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ("memo at Quit", glimra.read(L"memo.txt"));
    EXPECT_EQ("[HISTORY]\r\nPICNUM=42\r\n", glimra.read(L"glimra.ini").substr(0, 22));
    EXPECT_EQ(std::vector<std::wstring>{L"img42.bmp"}, namesIn(glimra.path(L"image")));
}
