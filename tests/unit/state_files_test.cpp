// The files beside the executable: bytes, limits, files held elsewhere, random content; long paths.
#include <random>

#include "support.h"

namespace {

const std::wstring kIni = besideExe(L"glimra.ini"), kFolderFile = besideExe(L"dirInfo.dat"),
                   kMemo = besideExe(L"memo.txt");

}  // namespace

using StateFiles = Glimra;

// Defaults without a file; a first save in table order, values in full; a later one keeps the file's order.
TEST_F(StateFiles, SettingsFileHoldsEveryKeyInFullAndLoadsItAsWritten) {
    loadSettings();
    EXPECT_EQ("CONSTANT=1 SAVEINI=1 USEBG=1 ALMEMO=1 ASMEMO=1 QUALITY=95", namedFields(Settings));
    Settings = settingsOf("PICNUM=5 TRIMING=1 NONESCS=7 PNGPIC=-1 CONSTANT=1 SAVEINI=1 AUTOEND=1 USEBG=1 ALMEMO=1 "
                          "QUALITY=-2147483648 sequenceCounter=10000");
    EXPECT_EQ(1, saveSettings());
    EXPECT_EQ("[HISTORY]\r\nPICNUM=10000\r\n[MODE]\r\nTRIMING=1\r\nALTER=0\r\nNONESCS=7\r\nJPEGPIC=0\r\nPNGPIC=-1\r\n"
              "CONSTANT=1\r\n[SETTING]\r\nSAVEINI=1\r\nPOPWINDOW=0\r\nNONEDIALOG=0\r\nNONEIMG=0\r\nAUTOEND=1\r\n"
              "USEBG=1\r\nISTASK=0\r\nALMEMO=1\r\nASMEMO=0\r\n[IMG]\r\nQUALITY=-2147483648\r\n",
              readFile(kIni));
    loadSettings();
    EXPECT_EQ("PICNUM=10000 TRIMING=1 NONESCS=7 PNGPIC=-1 CONSTANT=1 SAVEINI=1 AUTOEND=1 USEBG=1 ALMEMO=1 "
              "QUALITY=-2147483648 sequenceCounter=10000", namedFields(Settings));
    ASSERT_TRUE(writeFile(kIni, "[HISTORY]\r\nPICNUM=-5\r\n"));
    loadSettings();
    EXPECT_EQ("PICNUM=-5 CONSTANT=1 SAVEINI=1 USEBG=1 ALMEMO=1 ASMEMO=1 QUALITY=95", namedFields(Settings)) << "below 0";
    ASSERT_TRUE(writeFile(kIni, "; mine\r\n[SETTING]\r\nASMEMO=0\r\n[Other]\r\nk=v\r\n[HISTORY]\r\nPICNUM=41\r\n"));
    loadSettings();
    EXPECT_EQ("PICNUM=41 CONSTANT=1 SAVEINI=1 USEBG=1 ALMEMO=1 QUALITY=95 sequenceCounter=41", namedFields(Settings));
    Settings.sequenceCounter += 3;
    {
        const ScopedFile held = hold(kIni);
        EXPECT_EQ(0, saveSettings()) << "held by another program";
    }
    EXPECT_EQ("; mine\r\n[SETTING]\r\nASMEMO=0\r\n[Other]\r\nk=v\r\n[HISTORY]\r\nPICNUM=41\r\n", readFile(kIni));
    EXPECT_EQ(1, saveSettings());
    EXPECT_EQ("; mine\r\n[SETTING]\r\nASMEMO=0\r\nSAVEINI=1\r\nPOPWINDOW=0\r\nNONEDIALOG=0\r\nNONEIMG=0\r\n"
              "AUTOEND=0\r\nUSEBG=1\r\nISTASK=0\r\nALMEMO=1\r\n[Other]\r\nk=v\r\n[HISTORY]\r\nPICNUM=44\r\n[MODE]\r\n"
              "TRIMING=0\r\nALTER=0\r\nNONESCS=0\r\nJPEGPIC=0\r\nPNGPIC=0\r\nCONSTANT=1\r\n[IMG]\r\nQUALITY=95\r\n",
              readFile(kIni));
}

// A file held at load is stored over only once a folder was chosen or reset to during the run; the
// capture's fallback to the default folder is no choice.
TEST_F(StateFiles, SaveFolderIsStoredAsUtf16WithoutTerminatorOrKeptWhenItCouldNotBeRead) {
    const std::wstring image = besideExe(L"image\\");
    const std::string reset(reinterpret_cast<const char*>(image.data()), image.size() * 2);
    const struct { bool heldAtLoad; void (*change)(); std::string bytes; } steps[] = {
        {false, [] { chooseSaveFolder(L"D:\\写真\\"); }, std::string("D\0:\0\\\0\x99\x51\x1f\x77\\\0", 12)},
        {false, [] { chooseSaveFolder(L"D:\\a"); }, std::string("D\0:\0\\\0a\0", 8)},
        {true, [] { copyText(saveFolder, kPathCapacity, L"D:\\x"); }, std::string("D\0:\0\\\0a\0", 8)},
        {true, [] { chooseSaveFolder(L"D:\\x"); }, std::string("D\0:\0\\\0x\0", 8)},
        {true, [] { fallBackToDefaultSaveFolder(); }, std::string("D\0:\0\\\0x\0", 8)},
        {true, [] { useDefaultSaveFolder(); }, reset},
        {false, [] { chooseSaveFolder(L""); }, ""}};
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        Boxes boxes;
        ScopedFile held = step.heldAtLoad ? hold(kFolderFile) : ScopedFile();
        EXPECT_EQ(!step.heldAtLoad, loadSaveFolder() == FileRead::Read);
        held.reset();
        step.change();
        EXPECT_EQ(1, storeSaveFolder());
        EXPECT_EQ(step.bytes, readFile(kFolderFile));
        EXPECT_TRUE(boxes.seen.empty());
    }
}

// A file not read (too large, or holding half a character) is never written in that run. The save
// folder's file may start with Notepad's byte-order mark; it is stored without one.
TEST_F(StateFiles, SaveFolderAndMemoFilesLoadUpToTheirLimitsInEachFormAndKeepAnyOtherUnwritten) {
    const std::string mark = "\xFF\xFE", a495(990, 'a'), a499(998, 'a');  // 'a' and its zero, below
    const std::wstring image = besideExe(L"image\\"), memoLimit = std::wstring(1023997, L'm') + L'メ';
    const struct { std::wstring path; std::string bytes; FileRead read; std::wstring text; } rows[] = {
        {kFolderFile, "", FileRead::Read, image}, {kFolderFile, a495, FileRead::Read, std::wstring(495, L'a')},
        {kFolderFile, a495 + "b", FileRead::Failed, L""}, {kFolderFile, a499, FileRead::Read, std::wstring(499, L'a')},
        {kFolderFile, a499 + "b", FileRead::TooLarge, L""}, {kFolderFile, a499 + "b\0", FileRead::TooLarge, L""},
        {kFolderFile, mark, FileRead::Read, image}, {kFolderFile, mark + a499, FileRead::Read, std::wstring(499, L'a')},
        {kFolderFile, mark + a499 + "b", FileRead::TooLarge, L""}, {kFolderFile, mark + "D\0:\0\\", FileRead::Failed, L""},
        {kMemo, std::string(1023996, 'm') + "\x83\x81", FileRead::Read, memoLimit.substr(1)},
        {kMemo, std::string(1023997, 'm') + "\x83\x81", FileRead::Read, memoLimit},
        {kMemo, std::string(1023998, 'm') + "\x83\x81", FileRead::TooLarge, L""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.bytes.size() << " bytes, " << row.bytes.substr(0, 2));
        const bool memo = row.path == kMemo;
        std::string bytes = row.bytes;
        for (size_t i = memo ? bytes.size() : bytes.find('a'); i < bytes.size() && bytes[i] == 'a'; i += 2) bytes[i + 1] = '\0';
        ASSERT_TRUE(writeFile(row.path, bytes));
        setMemo(L"");
        saveFolder[0] = L'\0';
        Boxes boxes;
        EXPECT_EQ(int(row.read), int(memo ? loadMemo() : loadSaveFolder()));
        EXPECT_TRUE(row.text == (memo ? memoText : saveFolder)) << utf8(memo ? memoText : saveFolder).substr(0, 20);
        setMemo(L"later");
        copyText(saveFolder, kPathCapacity, L"D:\\later");
        EXPECT_EQ(!memo || row.read == FileRead::Read, memo ? storeMemo() : storeSaveFolder());
        const std::string later = memo ? "later" : std::string("D\0:\0\\\0l\0a\0t\0e\0r\0", 16);
        EXPECT_TRUE(readFile(row.path) == (row.read == FileRead::Read ? later : bytes));
        EXPECT_TRUE(boxes.seen.empty());
    }
}

// Ten bytes of text, then a hole up to 4 GiB + 10 bytes: a size read as 32 bits is 10, and the file
// would load as those ten bytes and be cut to them by the next store.
TEST_F(StateFiles, AFileOf4GiBAndMoreIsRefusedForItsSizeAndKeptWhole) {
    for (const std::wstring& path : {kFolderFile, kMemo}) {
        SCOPED_TRACE(utf8(path));
        {
            const ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            LARGE_INTEGER size = {};
            size.QuadPart = 4294967306LL;
            ASSERT_TRUE(WriteFile(file.get(), "D\0:\0\\\0a\0b\0", 10, &written, nullptr) &&
                        SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
        }
        EXPECT_EQ(FileRead::TooLarge, path == kMemo ? loadMemo() : loadSaveFolder());
        setMemo(L"later");
        copyText(saveFolder, kPathCapacity, L"D:\\later");
        EXPECT_EQ(path == kMemo ? 0 : 1, path == kMemo ? storeMemo() : storeSaveFolder());
        EXPECT_EQ(4294967306u, fs::file_size(path));
        DeleteFileW(path.c_str());
    }
}

// Steps: L start-up with the memo loaded, F with the file held, R without, S store, H store while
// held, P while read-only, E edit, W another editor writes the file. Only what start-up put into the
// edit, then what each store wrote, counts as unchanged. A file read in UTF-8 keeps its form; one
// not read is kept.
TEST_F(StateFiles, MemoGoesToTheFileInShiftJisOrElseUtf8AndCountsAsUnchangedOnlyWhileItHoldsWhatTheFileHolds) {
    const std::wstring tooLong(600000, L'メ'), fits = std::wstring(1023993, L'm') + L'€';
    const std::string stored = "\x83\x81\x83\x82\r\nABC", mark = "\xEF\xBB\xBF",
                      fitsBytes = mark + std::string(1023993, 'm') + "\xE2\x82\xAC";  // 1,023,999 bytes
    const struct { char step; std::wstring memo; int result; bool unchanged; std::string file; } steps[] = {
        {'L', L"A", 1, true, "A"},   {'S', L"AB", 1, true, "AB"}, {'E', L"A", -1, false, "AB"},
        {'S', L"A", 1, true, "A"},   {'R', L"", -1, true, "A"},   {'S', L"X", 1, true, "X"},
        {'E', L"Y", -1, false, "X"}, {'E', L"", -1, false, "X"},  {'S', L"", 1, true, ""},
        {'H', L"Z", 0, false, ""},   {'P', L"Z", 0, false, ""},   {'E', L"", -1, true, ""},
        {'S', L"メモ\r\nABC", 1, true, stored}, {'S', tooLong, 0, false, stored}, {'L', L"メモ\r\nABC", 1, true, stored},
        {'S', L"€ 한 😀 e\u0301", 1, true, mark + "\xE2\x82\xAC \xED\x95\x9C \xF0\x9F\x98\x80 e\xCC\x81"},
        {'S', L"¥é", 1, true, mark + "\xC2\xA5\xC3\xA9"},  // no look-alike stands in
        {'S', L"メモ", 1, true, "\x83\x81\x83\x82"},
        {'W', L"メモ", -1, true, "\xE3\x83\xA1\xE3\x83\xA2 note"},  // Notepad's UTF-8 without a mark
        {'L', L"メモ note", 1, true, "\xE3\x83\xA1\xE3\x83\xA2 note"}, {'S', L"メモ", 1, true, "\xE3\x83\xA1\xE3\x83\xA2"},
        {'W', L"メモ", -1, true, mark + "m"}, {'L', L"m", 1, true, mark + "m"}, {'S', L"A", 1, true, mark + "A"},
        {'W', L"A", -1, true, "plain"}, {'L', L"plain", 1, true, "plain"}, {'S', L"€", 1, true, mark + "\xE2\x82\xAC"},
        {'S', fits, 1, true, fitsBytes}, {'L', fits, 1, true, fitsBytes}, {'S', fits + L'm', 0, false, fitsBytes},
        {'F', L"", 0, true, fitsBytes},  {'S', L"quick note", 0, false, fitsBytes}};
    ASSERT_TRUE(writeFile(kMemo, "A"));
    const std::vector<std::wstring> folder = namesIn(fs::path(kMemo).parent_path());
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        setMemo(step.step == 'L' || step.step == 'F' ? L"" : step.memo);
        ASSERT_TRUE(step.step != 'W' || writeFile(kMemo, step.file));
        ScopedFile held = step.step == 'H' || step.step == 'F' ? hold(kMemo) : ScopedFile();
        if (step.step == 'P') SetFileAttributesW(kMemo.c_str(), FILE_ATTRIBUTE_READONLY);
        const int result = step.step == 'L' || step.step == 'F' ? int(loadMemo() == FileRead::Read)
                           : step.step == 'S' || step.step == 'H' || step.step == 'P' ? storeMemo() : -1;
        SetFileAttributesW(kMemo.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (step.step == 'L' || step.step == 'F' || step.step == 'R') rememberMemoAsStored();
        held.reset();
        EXPECT_EQ(step.result, result);
        EXPECT_TRUE(step.memo == std::wstring(memoText));
        EXPECT_EQ(step.unchanged, memoUnchangedSinceStored());
        EXPECT_TRUE(step.file == readFile(kMemo)) << readFile(kMemo).substr(0, 40);
        EXPECT_EQ(folder, namesIn(fs::path(kMemo).parent_path())) << "a file left beside it";
    }
}

TEST_F(StateFiles, RandomBytesInEveryStateFileLeaveItUntouchedAndFree) {
    std::mt19937 random(0x61696D67);
    const char alphabet[] = "[]=;\r\n-0123456789MODEPICNUM\x81\x83\x93\xfa\xff";
    const struct { std::wstring path; size_t limit; void (*load)(); } files[] = {  // limit: the smallest size refused
        {kIni, 0, loadSettings}, {kFolderFile, 999, [] { loadSaveFolder(); }}, {kMemo, 1024000, [] { loadMemo(); }}};
    for (const auto& file : files) {
        for (int i = 0; i < 200; ++i) {
            const size_t size = file.limit && i % 4 == 0 ? file.limit - 8 + random() % 16 : random() % 3000;
            std::string bytes(size, '\0');
            for (char& c : bytes) c = random() % 3 ? alphabet[random() % (sizeof(alphabet) - 1)] : char(random());
            SCOPED_TRACE(testing::Message() << "case " << i << ", " << size << " bytes");
            ASSERT_TRUE(writeFile(file.path, bytes));
            file.load();
            EXPECT_TRUE(readFile(file.path) == bytes);
            EXPECT_TRUE(hold(file.path).valid()) << "left open";
        }
    }
}

// The buffer ends against an inaccessible page: a write past its 500 characters would crash.
TEST(Paths, TextThatDoesNotFitIsRefusedWholeNeverCut) {
    struct Pages {
        static char* none() { return nullptr; }
        static void free(char* pages) { VirtualFree(pages, 0, MEM_RELEASE); }
    };
    const Scoped<char*, Pages> pages(
        static_cast<char*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)));
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(pages.get() + 4096, 4096, PAGE_NOACCESS, &old));
    wchar_t* buffer = reinterpret_cast<wchar_t*>(pages.get() + 4096) - kPathCapacity;
    const std::wstring folder = besideExe(L"");
    const std::pair<size_t, bool> rows[] = {{497, true}, {498, true}, {499, true}, {500, false}, {600, false}};
    for (const auto& [length, fits] : rows) {
        SCOPED_TRACE(length);
        const std::wstring name(length - folder.size(), L'n'), text(length, L't');
        EXPECT_EQ(fits, exeRelativePath(buffer, name.c_str()));
        EXPECT_EQ(fits ? folder + name : L"", buffer);
        EXPECT_EQ(fits, copyText(buffer, kPathCapacity, text.c_str()));
        EXPECT_EQ(fits ? text : L"", buffer);
        wmemcpy(buffer, L"ttt", 4);
        EXPECT_EQ(fits, appendText(buffer, kPathCapacity, text.c_str() + 3));
        EXPECT_EQ(fits ? text : L"", buffer);
    }
    EXPECT_FALSE(copyText(buffer + kPathCapacity, 0, L"")) << "no room for the end of the text";
    EXPECT_FALSE(appendText(buffer + kPathCapacity, 0, L""));
}
