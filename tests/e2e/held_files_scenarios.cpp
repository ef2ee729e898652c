// A state file another program holds for a moment (an antivirus, a sync client) at the end of a run.
#include "driver.h"

TEST(HeldFiles, AMemoHeldForHalfASecondAtQuitIsStoredWithoutABox) {
    Glimra glimra({{L"memo.txt", "\x83\x81\x83\x82"}});
    ASSERT_TRUE(glimra.start());
    EXPECT_EQ(L"メモ", glimra.memo());
    glimra.setMemo(L"新しいメモ");
    ScopedFile held = hold(glimra.path(L"memo.txt"));
    ASSERT_TRUE(held.valid());
    SendNotifyMessageW(glimra.main, WM_COMMAND, IDM_QUIT, 0);
    Sleep(500);
    EXPECT_TRUE(glimra.running()) << "it did not wait";
    held.reset();
    EXPECT_EQ(0u, glimra.exitCode());
    EXPECT_EQ("\x90\x56\x82\xB5\x82\xA2\x83\x81\x83\x82", glimra.read(L"memo.txt"));
    EXPECT_EQ((std::vector<std::wstring>{L"Glimra3.exe", L"dirInfo.dat", L"glimra.ini", L"memo.txt"}),
              namesIn(glimra.folder));
}
