// The three files beside the executable: their bytes, their size limits, a file held elsewhere,
// random content that every load must survive without touching the file; and paths at the limit.
#include <climits>
#include <random>

#include "support.h"

namespace {

const wchar_t kSizeMessage[] = L"ファイルサイズが許容限界をオーバーしています。";
const std::wstring kIni = besideExe(L"glimra.ini"), kFolderFile = besideExe(L"dirInfo.dat"), kMemo = besideExe(L"memo.txt");

std::vector<int> fields(const SettingsRecord& record) {
    return std::vector<int>(&record.PICNUM, &record.PICNUM + sizeof(SettingsRecord) / sizeof(int));
}

void setMemo(const std::wstring& text) {
    wmemset(memoText, L'\0', kMemoCapacity);
    wmemcpy(memoText, text.data(), text.size());
}

// Another handle without sharing, as another program holding the file would have.
ScopedFile hold(const std::wstring& path, DWORD creation = OPEN_ALWAYS) {
    return ScopedFile(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, creation, 0, nullptr));
}

// Each test is a run of its own: it begins by reading memo.txt, which ends an earlier refusal.
class StateFiles : public Glimra {
protected:
    void SetUp() override {
        Glimra::SetUp();
        loadMemo();
        TearDown();
    }
};

}  // namespace

TEST_F(StateFiles, FirstSettingsSaveWritesEveryKeyInFullInTableOrder) {
    Settings = {5, 1, 0, 7, 0, -1, 1, 1, 0, 0, 0, 1, 1, 0, 1, 0, INT_MIN, 10000};
    saveSettings();
    EXPECT_EQ("[HISTORY]\r\nPICNUM=10000\r\n[MODE]\r\nTRIMING=1\r\nALTER=0\r\nNONESCS=7\r\nJPEGPIC=0\r\nPNGPIC=-1\r\n"
              "CONSTANT=1\r\n[SETTING]\r\nSAVEINI=1\r\nPOPWINDOW=0\r\nNONEDIALOG=0\r\nNONEIMG=0\r\nAUTOEND=1\r\n"
              "USEBG=1\r\nISTASK=0\r\nALMEMO=1\r\nASMEMO=0\r\n[IMG]\r\nQUALITY=-2147483648\r\n",
              readBytes(kIni));
}

TEST_F(StateFiles, ExistingSettingsFileKeepsItsOrderAndForeignSection) {
    ASSERT_TRUE(writeBytes(kIni, "; by hand\r\n[SETTING]\r\nASMEMO=0\r\n[Foreign]\r\nk=v\r\n[HISTORY]\r\nPICNUM=41\r\n"));
    loadSettings();
    Settings.sequenceCounter += 3;
    Settings.USEBG = 0;
    saveSettings();
    EXPECT_EQ("; by hand\r\n[SETTING]\r\nASMEMO=0\r\nSAVEINI=1\r\nPOPWINDOW=0\r\nNONEDIALOG=0\r\nNONEIMG=0\r\n"
              "AUTOEND=0\r\nUSEBG=0\r\nISTASK=0\r\nALMEMO=1\r\n[Foreign]\r\nk=v\r\n[HISTORY]\r\nPICNUM=44\r\n[MODE]\r\n"
              "TRIMING=0\r\nALTER=0\r\nNONESCS=0\r\nJPEGPIC=0\r\nPNGPIC=0\r\nCONSTANT=1\r\n[IMG]\r\nQUALITY=95\r\n",
              readBytes(kIni));
}

TEST_F(StateFiles, SettingsLoadTheDefaultsWithoutAFileAndHandValuesAsWritten) {
    const struct { const char* file; SettingsRecord expected; } cases[] = {
        {nullptr, {0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 1, 1, 95, 0}},
        {"[MODE]\r\nJPEGPIC=7\r\nCONSTANT=-1\r\n[SETTING]\r\nAUTOEND=7\r\n[HISTORY]\r\nPICNUM=-1\r\n",
         {-1, 0, 0, 0, 7, 0, -1, 1, 0, 0, 0, 7, 1, 0, 1, 1, 95, -1}},
        {"[IMG]\r\nQUALITY=10000\r\n[HISTORY]\r\nPICNUM=-2147483648\r\n",
         {INT_MIN, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 1, 1, 10000, INT_MIN}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "no file");
        DeleteFileW(kIni.c_str());
        ASSERT_TRUE(!c.file || writeBytes(kIni, c.file));
        Settings.sequenceCounter = 77;
        loadSettings();
        EXPECT_EQ(fields(c.expected), fields(Settings));
        EXPECT_EQ(c.file != nullptr, fs::exists(kIni));
    }
}

TEST_F(StateFiles, SaveFolderIsStoredAsUtf16WithoutTerminatorCutToTheNewLength) {
    const struct { const wchar_t* folder; std::string bytes; } steps[] = {
        {L"D:\\写真\\", std::string("D\0:\0\\\0\x99\x51\x1f\x77\\\0", 12)}, {L"D:\\a", std::string("D\0:\0\\\0a\0", 8)},
        {L"", ""}};
    for (const auto& step : steps) {
        chooseSaveFolder(step.folder);
        EXPECT_EQ(1, storeSaveFolder());
        EXPECT_EQ(step.bytes, readBytes(kFolderFile));
    }
}

TEST_F(StateFiles, SaveFolderFileLoadsUpTo998BytesAndRefusesLargerOnesUnchanged) {
    const struct { size_t size; int result; std::wstring folder; } rows[] = {
        {0, 1, besideExe(L"image\\")}, {990, 1, std::wstring(495, L'a')},
        {991, 1, std::wstring(495, L'a') + L'b'},  // an odd last byte is a character of its own
        {997, 1, std::wstring(498, L'a') + L'b'}, {998, 1, std::wstring(499, L'a')}, {999, 0, L""}, {1000, 0, L""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        std::string bytes;
        for (size_t i = 0; i < row.size; ++i) bytes += i % 2 ? '\0' : i + 1 == row.size ? 'b' : 'a';
        ASSERT_TRUE(writeBytes(kFolderFile, bytes));
        saveFolder[0] = L'\0';
        Boxes boxes;
        EXPECT_EQ(row.result, loadSaveFolder());
        EXPECT_EQ(row.folder, saveFolder);
        boxes.expect(std::vector<std::wstring>(row.result ? 0 : 1, kSizeMessage), IDI_ERROR, mainWindow);
        EXPECT_EQ(bytes, readBytes(kFolderFile));
    }
}

TEST_F(StateFiles, SaveFolderHeldAtLoadIsKeptUnlessAFolderIsChosenOrReset) {
    const std::wstring reset = besideExe(L"image\\");
    const struct { void (*change)(); std::string bytes; } cases[] = {
        {[] { copyText(saveFolder, kPathCapacity, L"D:\\x"); }, std::string("D\0:\0\\\0o\0", 8)},
        {[] { chooseSaveFolder(L"D:\\x"); }, std::string("D\0:\0\\\0x\0", 8)},
        {[] { useDefaultSaveFolder(); }, std::string(reinterpret_cast<const char*>(reset.data()), reset.size() * 2)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ASSERT_TRUE(writeBytes(kFolderFile, std::string("D\0:\0\\\0o\0", 8)));
        Boxes boxes;
        ScopedFile held = hold(kFolderFile);
        EXPECT_EQ(0, loadSaveFolder());
        held.reset();
        c.change();
        EXPECT_EQ(1, storeSaveFolder());
        EXPECT_EQ(c.bytes, readBytes(kFolderFile));
        EXPECT_TRUE(boxes.seen.empty());
    }
}

TEST_F(StateFiles, MemoIsStoredInTheAnsiCodePageOnlyWhenItFitsAndLoadsBack) {
    setMemo(L"メモ\r\nABC");
    EXPECT_EQ(1, storeMemo());
    setMemo(std::wstring(600000, L'メ'));  // twice as many bytes as the buffer holds
    EXPECT_EQ(0, storeMemo());
    EXPECT_EQ("\x83\x81\x83\x82\r\nABC", readBytes(kMemo));
    EXPECT_EQ(1, loadMemo());
    EXPECT_EQ(L"メモ\r\nABC", std::wstring(memoText));
}

TEST_F(StateFiles, MemoFileOfAMillionBytesIsRefusedAndNeverWrittenThatRun) {
    const struct { size_t size; int result; std::wstring text; } rows[] = {
        {1023998, 1, std::wstring(1023998, L'm')},
        {1023999, 1, std::wstring(1023998, L'm') + L'・'},  // a lead byte cut off its trail byte
        {1024000, 0, L""}, {1024001, 0, L""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        const std::string bytes = std::string(1023998, 'm') + std::string("\x83\x83\x83", row.size - 1023998);
        ASSERT_TRUE(writeBytes(kMemo, bytes));
        setMemo(L"");
        Boxes boxes;
        EXPECT_EQ(row.result, loadMemo());
        EXPECT_TRUE(row.text == memoText);
        boxes.expect(std::vector<std::wstring>(row.result ? 0 : 1, kSizeMessage), IDI_ERROR, mainWindow);
        setMemo(L"later");
        EXPECT_EQ(row.result, storeMemo());
        EXPECT_TRUE((row.result ? "later" : bytes) == readBytes(kMemo));
    }
}

TEST_F(StateFiles, MemoCountsAsUnchangedOnlyWhileItHoldsWhatTheFileIsKnownToHold) {
    // L start-up with the memo loaded, R start-up without, S store, H store while held, E edit
    const struct { char step; const wchar_t* memo; int result; bool unchanged; const char* file; } steps[] = {
        {'L', nullptr, 1, true, "A"}, {'S', L"AB", 1, true, "AB"}, {'E', L"A", -1, false, "AB"},
        {'S', L"A", 1, true, "A"},    {'R', L"", -1, true, "A"},   {'S', L"X", 1, true, "X"},
        {'E', L"", -1, false, "X"},   {'S', L"", 1, true, ""},     {'H', L"Z", 0, false, ""},
        {'E', L"", -1, true, ""}};
    ASSERT_TRUE(writeBytes(kMemo, "A"));
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        if (step.memo) setMemo(step.memo);
        ScopedFile held = step.step == 'H' ? hold(kMemo) : ScopedFile();
        const int result = step.step == 'L' ? loadMemo() : step.step == 'S' || step.step == 'H' ? storeMemo() : -1;
        if (step.step == 'L' || step.step == 'R') rememberMemoAsStored();
        held.reset();
        EXPECT_EQ(step.result, result);
        EXPECT_EQ(step.unchanged, memoUnchangedSinceStored());
        EXPECT_EQ(step.file, readBytes(kMemo));
    }
}

TEST_F(StateFiles, RandomBytesInEveryStateFileLeaveItUntouchedAndFree) {
    std::mt19937 random(0x61696D67);
    const char alphabet[] = "[]=;\r\n-0123456789MODEPICNUM\x81\x83\x93\xfa\xff";
    std::string pool(1024010, '\0');
    for (char& c : pool) c = random() % 3 ? alphabet[random() % (sizeof(alphabet) - 1)] : static_cast<char>(random());
    const struct { std::wstring path; size_t limit; int (*load)(); } files[] = {  // limit: the smallest size refused
        {kIni, 0, [] { return loadSettings(), 1; }}, {kFolderFile, 999, loadSaveFolder}, {kMemo, 1024000, loadMemo}};
    for (const auto& file : files) {
        for (int i = 0; i < 200; ++i) {
            const size_t size = file.limit && i % 4 == 0 ? file.limit - 8 + random() % 16 : random() % 3000;
            const std::string bytes = pool.substr(random() % (pool.size() - size), size);
            SCOPED_TRACE(testing::Message() << "case " << i << ", " << size << " bytes");
            ASSERT_TRUE(writeBytes(file.path, bytes));
            Boxes boxes;
            file.load();
            EXPECT_EQ(file.limit && size >= file.limit ? 1u : 0u, boxes.seen.size());
            EXPECT_TRUE(readBytes(file.path) == bytes);
            EXPECT_TRUE(hold(file.path, OPEN_EXISTING).valid()) << "left open";
        }
    }
}

// The buffer ends against an inaccessible page, so a write past its 500 characters would crash.
TEST(Paths, TextThatDoesNotFitIsRefusedWholeNeverCut) {
    startProcess(GetModuleHandleW(nullptr));
    char* pages = static_cast<char*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    const std::unique_ptr<char, BOOL (*)(char*)> owner(pages, [](char* base) { return VirtualFree(base, 0, MEM_RELEASE); });
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &old));
    wchar_t* buffer = reinterpret_cast<wchar_t*>(pages + 4096) - kPathCapacity;
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
}
