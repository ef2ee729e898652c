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
        {"memo stored", kMemoFile, 300, Unshared, storeMemoText, 1, memoFile, "stored"},
        {"memo stored, read-only", kMemoFile, 0, ReadOnly, storeMemoText, 0, memoFile, "old"},
        {"memo loaded", kMemoFile, 300, Unshared, readMemo, 1, memoLoaded, "old"},
        {"memo loaded beside another reader", kMemoFile, 5000, SharedWithReaders, readMemo, 1, memoLoaded, "old"},
        {"memo loaded, a folder of that name", kMemoFile, 0, FolderInItsPlace, readMemo, 0, memoLoaded, ""},
        {"settings saved", kIni, 300, Unshared, saveCounter, 1, iniStart, "[HISTORY]\r\nPICNUM=41\r\n[MODE]"},
        {"settings saved", kIni, 5000, Unshared, saveCounter, 0, iniStart, counter},
        {"settings loaded", kIni, 300, Unshared, loadCounter, 1, counterLoaded, "7"},
        {"settings loaded, no file", kIni, 0, Missing, loadCounter, 1, counterLoaded, "0"},
        {"access refused, no file", kIni, 0, Missing, refusedNotThere, 0, counterLoaded, "0"}};
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
