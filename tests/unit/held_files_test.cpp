// State files that another program holds for a moment, and replacements that never meet a leftover.
#include "held_files.h"
#include "support.h"

namespace {

// Another program's hold on a file, let go by its own thread after the given time, or once the
// test is done with it.
class HoldFor {
    ScopedFile file_;
    const DWORD ms_;
    ScopedHandle done_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ScopedHandle thread_;

    static DWORD WINAPI letGo(void* self) {
        HoldFor* hold = static_cast<HoldFor*>(self);
        WaitForSingleObject(hold->done_.get(), hold->ms_);
        hold->file_.reset();
        return 0;
    }

public:
    // A reader that shares the file with no one ('h'), or one that shares it with other readers
    // ('s'); no one for any other way.
    HoldFor(const std::wstring& path, DWORD ms, char way)
        : file_(way == 'h'   ? hold(path).release()
                : way == 's' ? CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                           nullptr)
                             : INVALID_HANDLE_VALUE),
          ms_(ms), held(file_.valid()) {
        thread_.reset(CreateThread(nullptr, 0, letGo, this, 0, nullptr));
    }
    ~HoldFor() {
        SetEvent(done_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
    }
    HoldFor(const HoldFor&) = delete;
    HoldFor& operator=(const HoldFor&) = delete;
    const bool held;
};

}  // namespace

using HeldFiles = Glimra;

// Held (way 'h') for 300 ms, every load and store of the three files is done; held for 5 s, each
// one tried fails before the hold ends, as it would without a wait. What no wait mends is refused
// at once: a read-only file ('r'), a folder of the file's name ('f'). Another reader that shares
// the file ('s') stands in no one's way, nor does a missing file ('m').
TEST_F(HeldFiles, AStateFileHeldForAMomentIsWaitedForAndOneHeldLongerFailsWithinTheBound) {
    struct Row { const char* what; const wchar_t* name; DWORD holdMs; char way; int (*run)(); int result;
                 std::string (*seen)(); std::string expected; };
    auto memoFile = [] { return readFile(besideExe(L"memo.txt")); };
    auto iniFile = [] { return readFile(besideExe(L"glimra.ini")); };
    auto storeMemoText = [] { return setMemo(L"stored"), storeMemo(); };
    auto loadMemoText = [] { return loadMemo(); };
    auto memoLoaded = [] { return utf8(memoText); };
    auto storeFolder = [] { return chooseSaveFolder(L"E:\\"), storeSaveFolder(); };
    auto loadFolder = [] { return loadSaveFolder(); };
    auto folderLoaded = [] { return utf8(saveFolder); };
    auto folderFile = [] { return readFile(besideExe(L"dirInfo.dat")); };
    auto saveCounter = [] { return Settings.sequenceCounter = 41, saveSettings(); };
    auto loadCounter = [] { return loadSettings(), 1; };
    auto counterLoaded = [] { return std::to_string(Settings.PICNUM); };
    const std::string counter = "[HISTORY]\r\nPICNUM=7\r\n", saved = "[HISTORY]\r\nPICNUM=41\r\n[MODE]";
    const std::string folderBytes("D\0:\0\\\0", 6);
    const Row rows[] = {
        {"memo stored", L"memo.txt", 300, 'h', storeMemoText, 1, memoFile, "stored"},
        {"memo stored", L"memo.txt", 5000, 'h', storeMemoText, 0, memoFile, "old"},
        {"memo stored, read-only", L"memo.txt", 0, 'r', storeMemoText, 0, memoFile, "old"},
        {"memo loaded", L"memo.txt", 300, 'h', loadMemoText, 1, memoLoaded, "old"},
        {"memo loaded", L"memo.txt", 5000, 'h', loadMemoText, 0, memoLoaded, ""},
        {"memo loaded beside another reader", L"memo.txt", 5000, 's', loadMemoText, 1, memoLoaded, "old"},
        {"folder loaded beside another reader", L"dirInfo.dat", 5000, 's', loadFolder, 1, folderLoaded, "D:\\"},
        {"memo loaded, a folder of that name", L"memo.txt", 0, 'f', loadMemoText, 0, memoLoaded, ""},
        {"folder stored", L"dirInfo.dat", 300, 'h', storeFolder, 1, folderFile, std::string("E\0:\0\\\0", 6)},
        {"folder loaded", L"dirInfo.dat", 300, 'h', loadFolder, 1, folderLoaded, "D:\\"},
        {"settings saved", L"glimra.ini", 300, 'h', saveCounter, 1,
         [] { return readFile(besideExe(L"glimra.ini")).substr(0, 28); }, saved},
        {"settings saved", L"glimra.ini", 5000, 'h', saveCounter, 0, iniFile, counter},
        {"settings loaded", L"glimra.ini", 300, 'h', loadCounter, 1, counterLoaded, "7"},
        {"settings loaded", L"glimra.ini", 5000, 'h', loadCounter, 1, counterLoaded, "0"},
        {"settings loaded, no file", L"glimra.ini", 0, 'm', loadCounter, 1, counterLoaded, "0"}};
    auto writeAll = [&] {
        return writeFile(besideExe(L"memo.txt"), "old") && writeFile(besideExe(L"dirInfo.dat"), folderBytes) &&
               writeFile(besideExe(L"glimra.ini"), counter);
    };
    ASSERT_TRUE(writeAll());
    const std::vector<std::wstring> folder = namesIn(fs::path(besideExe(L"")));
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.what << ", held " << row.holdMs << " ms");
        const std::wstring path = besideExe(row.name);
        ASSERT_TRUE(writeAll());
        loadSaveFolder();  // a file not read is never stored in the run
        loadMemo();
        setMemo(L"");
        saveFolder[0] = L'\0';
        Settings = SettingsRecord{};
        if (row.way == 'r') SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
        if (row.way == 'f') {
            ASSERT_TRUE(DeleteFileW(path.c_str()) && CreateDirectoryW(path.c_str(), nullptr));
        }
        if (row.way == 'm') DeleteFileW(path.c_str());
        Boxes boxes;
        const DWORD start = GetTickCount();
        const bool holds = row.way == 'h';
        int result = -1;
        {
            const HoldFor held(path, row.holdMs, row.way);
            ASSERT_TRUE(held.held || (row.way != 'h' && row.way != 's'));
            result = row.run();
        }
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(row.result, result);
        EXPECT_EQ(row.expected, row.seen());
        EXPECT_LT(took, holds ? kHoldWaitMs + 2000 : kHoldWaitMs / 2) << "no end to the wait, or a wait for nothing";
        EXPECT_TRUE(boxes.seen.empty());
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(path.c_str());
        ASSERT_TRUE(writeAll());
        EXPECT_EQ(folder, namesIn(fs::path(besideExe(L"")))) << "a file left beside them";
    }
}

// The names an earlier version used for its replacements, left as a folder and as a read-only file.
TEST_F(HeldFiles, LeftoversOfAnEarlierRunNeverStandInTheWayOfAStore) {
    const std::wstring folderLeftover = besideExe(L"dirInfo.dat.tmp"), memoLeftover = besideExe(L"memo.txt.tmp");
    ASSERT_TRUE(fs::create_directory(folderLeftover) && writeFile(memoLeftover, "left") &&
                SetFileAttributesW(memoLeftover.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(1, loadSaveFolder());
    EXPECT_EQ(1, loadMemo());
    const std::vector<std::wstring> names = namesIn(fs::path(besideExe(L"")));
    chooseSaveFolder(L"D:\\");
    setMemo(L"メモ");
    EXPECT_EQ(1, storeSaveFolder());
    EXPECT_EQ(1, storeMemo());
    EXPECT_EQ(std::string("D\0:\0\\\0", 6), readFile(besideExe(L"dirInfo.dat")));
    EXPECT_EQ("\x83\x81\x83\x82", readFile(besideExe(L"memo.txt")));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW(besideExe(L"memo.txt").c_str()) & ~FILE_ATTRIBUTE_NORMAL)
        << "read-only, or not a file";
    EXPECT_TRUE(fs::is_directory(folderLeftover));
    EXPECT_EQ("left", readFile(memoLeftover));
    EXPECT_EQ(names, namesIn(fs::path(besideExe(L""))));
    SetFileAttributesW(memoLeftover.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(memoLeftover.c_str());
    RemoveDirectoryW(folderLeftover.c_str());
}
