// State files that another program holds for a moment, and replacements that never meet a leftover.
#include "held_files.h"
#include "new_file.h"
#include "support.h"

namespace {

// Another program's hold on a file, sharing it with no one ('h') or with readers ('s'), let go by
// its own thread after ms, or once the test is done with it.
struct HoldFor {
    HoldFor(const std::wstring& path, DWORD ms, char way) : ms(ms) {
        if (way == 'h') file = hold(path);
        if (way == 's') file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0));
        EXPECT_EQ(way == 'h' || way == 's', file.valid()) << "no hold";
        thread.reset(CreateThread(nullptr, 0, letGo, this, 0, nullptr));
    }
    ~HoldFor() {
        SetEvent(done.get());
        WaitForSingleObject(thread.get(), INFINITE);
    }
    static DWORD WINAPI letGo(void* self) {
        HoldFor* holder = static_cast<HoldFor*>(self);
        WaitForSingleObject(holder->done.get(), holder->ms);
        holder->file.reset();
        return 0;
    }
    ScopedFile file;
    const DWORD ms;
    ScopedHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)}, thread;
};

}  // namespace

using HeldFiles = Glimra;

// Held ('h') for 300 ms, each load and store is done; for 5 s, it fails within the bound. A read-only
// file ('r'), a folder of its name ('f'), a reader that shares it ('s') or no file ('m') is not waited for.
TEST_F(HeldFiles, AStateFileHeldForAMomentIsWaitedForAndOneHeldLongerFailsWithinTheBound) {
    auto memoFile = [] { return readFile(besideExe(L"memo.txt")); };
    auto memoLoaded = [] { return utf8(memoText); };
    auto storeMemoText = [] { return setMemo(L"stored"), storeMemo(); };
    auto saveCounter = [] { return Settings.sequenceCounter = 41, saveSettings(); };
    auto iniStart = [] { return readFile(besideExe(L"glimra.ini")).substr(0, 28); };
    auto loadCounter = [] { return loadSettings(), 1; };
    auto counterLoaded = [] { return std::to_string(Settings.PICNUM); };
    auto readMemo = [] { return int(loadMemo() == FileRead::Read); };
    const std::string counter = "[HISTORY]\r\nPICNUM=7\r\n";
    const struct { const char* what; const wchar_t* name; DWORD holdMs; char way; int (*run)(); int result;
                   std::string (*seen)(); std::string expected; } rows[] = {
        {"memo stored", L"memo.txt", 300, 'h', storeMemoText, 1, memoFile, "stored"},
        {"memo stored, read-only", L"memo.txt", 0, 'r', storeMemoText, 0, memoFile, "old"},
        {"memo loaded", L"memo.txt", 300, 'h', readMemo, 1, memoLoaded, "old"},
        {"memo loaded beside another reader", L"memo.txt", 5000, 's', readMemo, 1, memoLoaded, "old"},
        {"memo loaded, a folder of that name", L"memo.txt", 0, 'f', readMemo, 0, memoLoaded, ""},
        {"settings saved", L"glimra.ini", 300, 'h', saveCounter, 1, iniStart, "[HISTORY]\r\nPICNUM=41\r\n[MODE]"},
        {"settings saved", L"glimra.ini", 5000, 'h', saveCounter, 0, iniStart, counter},
        {"settings loaded", L"glimra.ini", 300, 'h', loadCounter, 1, counterLoaded, "7"},
        {"settings loaded, no file", L"glimra.ini", 0, 'm', loadCounter, 1, counterLoaded, "0"}};
    auto writeAll = [&] {
        return writeFile(besideExe(L"memo.txt"), "old") && writeFile(besideExe(L"glimra.ini"), counter);
    };
    ASSERT_TRUE(writeAll());
    const std::vector<std::wstring> folder = namesIn(fs::path(besideExe(L"")));
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.what << ", held " << row.holdMs << " ms");
        const std::wstring path = besideExe(row.name);
        ASSERT_TRUE(writeAll());
        loadMemo();  // a file not read is never stored in the run
        setMemo(L"");
        Settings = SettingsRecord{};
        if (row.way == 'r') SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
        if (row.way == 'f' || row.way == 'm') DeleteFileW(path.c_str());
        if (row.way == 'f') CreateDirectoryW(path.c_str(), nullptr);
        Boxes boxes;
        const DWORD start = GetTickCount();
        const int result = (HoldFor(path, row.holdMs, row.way), row.run());
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(row.result, result);
        EXPECT_EQ(row.expected, row.seen());
        EXPECT_LT(took, row.way == 'h' ? kHoldWaitMs + 2000 : kHoldWaitMs / 2) << "an endless wait, or a needless one";
        EXPECT_TRUE(boxes.seen.empty());
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(path.c_str());
        ASSERT_TRUE(writeAll());
        EXPECT_EQ(folder, namesIn(fs::path(besideExe(L"")))) << "a file left beside them";
    }
}

// A folder that takes no new files refuses a file that is not there with the error a hold gives;
// no wait mends that, so it is tried once. A file that is there may be held: it is tried again.
TEST_F(HeldFiles, AccessRefusedToAFileThatIsNotThereIsNotWaitedFor) {
    const std::wstring there = besideExe(L"memo.txt"), missing = besideExe(L"missing.txt");
    ASSERT_TRUE(writeFile(there, "old"));
    for (const std::wstring& path : {missing, there}) {
        int attempts = 0;
        EXPECT_FALSE(retryWhileHeld(path.c_str(), [&] { return ++attempts, SetLastError(ERROR_ACCESS_DENIED), false; }));
        EXPECT_EQ(path == missing, attempts == 1) << attempts << " attempts on " << utf8(path);
    }
}

// What a store killed before its move left beside the exe goes at the next start, and only that: a
// file named after a state file, a dot, eight hexadecimal digits and ".tmp". A store meanwhile
// never meets another replacement of its file, nor the name an earlier version used, left as a folder.
TEST_F(HeldFiles, LeftoverReplacementsGoAtStartAndNeverStandInTheWayOfAStore) {
    const std::vector<std::wstring> ours = {L"dirInfo.dat.FFFFFFFF.tmp", L"glimra.ini.0000abcd.tmp",
                                            L"memo.txt.03E9DC7F.tmp"},
                                    nearMisses = {L"memo.txt.03E9DC7F.tmp.bak", L"memo.txt.1234567G.tmp",
                                                  L"memo.txt.123456789.tmp", L"memo.txt.tmp", L"other.txt.12345678.tmp"};
    const std::vector<std::wstring> before = namesIn(fs::path(besideExe(L"")));
    for (const std::wstring& name : ours) writeFile(besideExe(name), "killed");
    for (const std::wstring& name : nearMisses) writeFile(besideExe(name), "kept");
    ASSERT_TRUE(fs::create_directory(besideExe(L"memo.txt.12345678.tmp")));
    removeLeftoverReplacements();
    std::vector<std::wstring> expected = before;
    expected.insert(expected.end(), nearMisses.begin(), nearMisses.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, namesIn(fs::path(besideExe(L""))));
    EXPECT_TRUE(RemoveDirectoryW(besideExe(L"memo.txt.12345678.tmp").c_str())) << "a folder removed";
    for (const std::wstring& name : nearMisses) DeleteFileW(besideExe(name).c_str());

    const std::wstring leftover = besideExe(L"memo.txt.tmp");
    ASSERT_TRUE(fs::create_directory(leftover));
    const NewFile another = NewFile::replacing(besideExe(L"memo.txt").c_str());
    ASSERT_TRUE(another);
    setMemo(L"メモ");
    EXPECT_EQ(1, storeMemo());
    EXPECT_EQ("\x83\x81\x83\x82", readFile(besideExe(L"memo.txt")));
    EXPECT_TRUE(RemoveDirectoryW(leftover.c_str())) << "not left as it was";
}
