// State files that another program holds for a moment, and replacements that never meet a leftover.
#include <thread>

#include "held_files.h"
#include "new_file.h"
#include "support.h"

namespace {

// How another program has the file: open, sharing it with no one or with readers (let go after a
// while or once the test is done), read-only, a folder in its place, or no file at all.
enum Way { Unshared, SharedWithReaders, ReadOnly, FolderInItsPlace, Missing };

struct HoldFor {
    HoldFor(const std::wstring& path, DWORD ms, Way way) {
        if (way == Unshared) file = hold(path);
        if (way == SharedWithReaders)
            file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0));
        EXPECT_EQ(way == Unshared || way == SharedWithReaders, file.valid()) << "no hold";
        letGo = std::thread([this, ms] { WaitForSingleObject(done.get(), ms), file.reset(); });
    }
    ~HoldFor() { SetEvent(done.get()), letGo.join(); }
    ScopedFile file;
    ScopedHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::thread letGo;
};

}  // namespace

using HeldFiles = Glimra;

// Held for 300 ms, each load and store is done; for 5 s, it fails within the bound. A read-only
// file, a folder in its place, a reader that shares it or no file is not waited for.
TEST_F(HeldFiles, AStateFileHeldForAMomentIsWaitedForAndOneHeldLongerFailsWithinTheBound) {
    auto memoFile = [] { return readFile(kMemoFile); };
    auto memoLoaded = [] { return utf8(memoText); };
    auto storeMemoText = [] { return setMemo(L"stored"), storeMemo(); };
    auto saveCounter = [] { return Settings.sequenceCounter = 41, saveSettings(); };
    auto iniStart = [] { return readFile(kIni).substr(0, 28); };
    auto loadCounter = [] { return loadSettings(), 1; };
    auto counterLoaded = [] { return std::to_string(Settings.PICNUM); };
    auto readMemo = [] { return int(loadMemo() == FileRead::Read); };
    // A folder that takes no new files refuses a file that is not there with the error a hold gives.
    auto refusedNotThere = [] {
        return int(retryWhileHeld(kIni.c_str(), [] { return SetLastError(ERROR_ACCESS_DENIED), false; }));
    };
    const std::string counter = "[HISTORY]\r\nPICNUM=7\r\n";
    const struct { const char* what; std::wstring path; DWORD holdMs; Way way; int (*run)(); int result;
                   std::string (*seen)(); std::string expected; } rows[] = {
        {.what = "memo stored", .path = kMemoFile, .holdMs = 300, .way = Unshared, .run = storeMemoText, .result = 1,
         .seen = memoFile, .expected = "stored"},
        {.what = "memo stored, read-only", .path = kMemoFile, .holdMs = 0, .way = ReadOnly, .run = storeMemoText,
         .result = 0, .seen = memoFile, .expected = "old"},
        {.what = "memo loaded", .path = kMemoFile, .holdMs = 300, .way = Unshared, .run = readMemo, .result = 1,
         .seen = memoLoaded, .expected = "old"},
        {.what = "memo loaded beside another reader", .path = kMemoFile, .holdMs = 5000, .way = SharedWithReaders,
         .run = readMemo, .result = 1, .seen = memoLoaded, .expected = "old"},
        {.what = "memo loaded, a folder of that name", .path = kMemoFile, .holdMs = 0, .way = FolderInItsPlace,
         .run = readMemo, .result = 0, .seen = memoLoaded, .expected = ""},
        {.what = "settings saved", .path = kIni, .holdMs = 300, .way = Unshared, .run = saveCounter, .result = 1,
         .seen = iniStart, .expected = "[HISTORY]\r\nPICNUM=41\r\n[MODE]"},
        {.what = "settings saved", .path = kIni, .holdMs = 5000, .way = Unshared, .run = saveCounter, .result = 0,
         .seen = iniStart, .expected = counter},
        {.what = "settings loaded", .path = kIni, .holdMs = 300, .way = Unshared, .run = loadCounter, .result = 1,
         .seen = counterLoaded, .expected = "7"},
        {.what = "settings loaded, no file", .path = kIni, .holdMs = 0, .way = Missing, .run = loadCounter, .result = 1,
         .seen = counterLoaded, .expected = "0"},
        {.what = "access refused, no file", .path = kIni, .holdMs = 0, .way = Missing, .run = refusedNotThere,
         .result = 0, .seen = counterLoaded, .expected = "0"}};
    auto writeAll = [&] { return writeFile(kMemoFile, "old") && writeFile(kIni, counter); };
    ASSERT_TRUE(writeAll());
    const Names folder = namesIn(fs::path(besideExe(L"")));
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.what << ", held " << row.holdMs << " ms");
        ASSERT_TRUE(writeAll());
        loadMemo();  // a file not read is never stored in the run
        setMemo(L"");
        Settings = SettingsRecord{};
        if (row.way == ReadOnly) SetFileAttributesW(row.path.c_str(), FILE_ATTRIBUTE_READONLY);
        if (row.way == FolderInItsPlace || row.way == Missing) DeleteFileW(row.path.c_str());
        if (row.way == FolderInItsPlace) CreateDirectoryW(row.path.c_str(), nullptr);
        Boxes boxes;
        const DWORD start = GetTickCount();
        const int result = (HoldFor(row.path, row.holdMs, row.way), row.run());
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(row.result, result);
        EXPECT_EQ(row.expected, row.seen());
        EXPECT_LT(took, row.way == Unshared ? kHoldWaitMs + 2000 : kHoldWaitMs / 2) << "an endless or a needless wait";
        EXPECT_TRUE(boxes.seen.empty());
        SetFileAttributesW(row.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(row.path.c_str());
        ASSERT_TRUE(writeAll());
        EXPECT_EQ(folder, namesIn(fs::path(besideExe(L"")))) << "a file left beside them";
    }
}

// What a killed store left goes at the next start, and only that: a state file's name, a dot, eight hex
// digits, ".tmp". A store never meets another replacement, nor an earlier version's name left as a folder.
TEST_F(HeldFiles, LeftoverReplacementsGoAtStartAndNeverStandInTheWayOfAStore) {
    const Names before = namesIn(fs::path(besideExe(L""))),
                nearMisses = {L"memo.txt.03E9DC7F.tmp.bak", L"memo.txt.1234567G.tmp", L"memo.txt.123456789.tmp",
                              L"memo.txt.tmp", L"other.txt.12345678.tmp"};
    for (const wchar_t* name : {L"dirInfo.dat.FFFFFFFF.tmp", L"glimra.ini.0000abcd.tmp", L"memo.txt.03E9DC7F.tmp"})
        writeFile(besideExe(name), "killed");
    for (const std::wstring& name : nearMisses) writeFile(besideExe(name), "kept");
    ASSERT_TRUE(fs::create_directory(besideExe(L"memo.txt.12345678.tmp")));
    removeLeftoverReplacements();
    for (const std::wstring& name : nearMisses) EXPECT_TRUE(DeleteFileW(besideExe(name).c_str())) << utf8(name);
    EXPECT_TRUE(RemoveDirectoryW(besideExe(L"memo.txt.12345678.tmp").c_str())) << "a folder removed";
    EXPECT_EQ(before, namesIn(fs::path(besideExe(L"")))) << "a leftover kept, or another file gone";

    const std::wstring leftover = besideExe(L"memo.txt.tmp");
    ASSERT_TRUE(fs::create_directory(leftover));
    const NewFile another = NewFile::replacing(kMemoFile.c_str());
    ASSERT_TRUE(another);
    setMemo(L"メモ");
    EXPECT_EQ(1, storeMemo());
    EXPECT_EQ("\x83\x81\x83\x82", readFile(kMemoFile));
    EXPECT_TRUE(RemoveDirectoryW(leftover.c_str())) << "not left as it was";
}
