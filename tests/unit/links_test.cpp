// State files behind links: a store replaces the link standing at the file's name and never writes
// the file the link points at, which may lie anywhere.
#include "support.h"

using StateLinks = Glimra;

TEST_F(StateLinks, AStoreReplacesALinkAtTheFilesNameAndLeavesItsTargetAlone) {
    if (!underWine()) GTEST_SKIP() << "ln -s makes the links";
    const struct { const wchar_t* name; int (*store)(); } rows[] = {
        {L"glimra.ini", [] { return Settings.sequenceCounter = 7, saveSettings(); }},
        {L"dirInfo.dat", [] { return loadSaveFolder(), copyText(saveFolder, kPathCapacity, L"D:\\x"), storeSaveFolder(); }},
        {L"memo.txt", [] { return loadMemo(), setMemo(L"mine"), storeMemo(); }}};
    for (const auto& row : rows) {
        SCOPED_TRACE(utf8(row.name));
        Scratch outside;
        const std::string link = unixPath(besideExe(row.name));
        ASSERT_TRUE(writeFile(outside / L"target", "theirs"));
        runUnix("ln -s " + unixPath(outside / L"target") + " " + link);
        EXPECT_EQ(1, row.store());
        EXPECT_EQ("theirs", readFile(outside / L"target")) << "written through the link";
        EXPECT_EQ("", runUnix("test -L " + link + " && echo link; rm -f " + link)) << "the link is still there";
    }
}
