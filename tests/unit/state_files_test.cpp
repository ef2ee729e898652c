// The files beside the executable: bytes, limits, files held elsewhere, random content; long paths.
#include <memory>
#include <optional>
#include <random>

#include "support.h"

using namespace std::string_literals;  // "..."s keeps its zero bytes
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
    EXPECT_EQ(1, saveSettings());
    EXPECT_EQ("; mine\r\n[SETTING]\r\nASMEMO=0\r\nSAVEINI=1\r\nPOPWINDOW=0\r\nNONEDIALOG=0\r\nNONEIMG=0\r\n"
              "AUTOEND=0\r\nUSEBG=1\r\nISTASK=0\r\nALMEMO=1\r\n[Other]\r\nk=v\r\n[HISTORY]\r\nPICNUM=44\r\n[MODE]\r\n"
              "TRIMING=0\r\nALTER=0\r\nNONESCS=0\r\nJPEGPIC=0\r\nPNGPIC=0\r\nCONSTANT=1\r\n[IMG]\r\nQUALITY=95\r\n",
              readFile(kIni));
    if (!underWine()) return;  // ln -s makes the link: the profile calls write a file in place, never through it
    const Scratch outside;
    ASSERT_TRUE(DeleteFileW(kIni.c_str()) && writeFile(outside / L"target", "theirs"));
    linkTo(kIni, outside / L"target");
    EXPECT_EQ(1, saveSettings());
    EXPECT_EQ("theirs", readFile(outside / L"target"));
    EXPECT_FALSE(stillALink(kIni));
}

// UTF-16 without a terminator, up to 998 bytes after Notepad's byte-order mark if any, stored without it.
// A file not read (held, too large, half a character) is kept unless a folder is chosen or reset to in
// the run; the capture's fallback is no choice.
TEST_F(StateFiles, SaveFolderFileLoadsUpToItsLimitAndIsStoredAsUtf16OrKeptWhenNotRead) {
    const std::string mark = "\xFF\xFE", a495 = utf16le(std::wstring(495, L'a')), a499 = utf16le(std::wstring(499, L'a')),
                      later = utf16le(L"D:\\later"), x = utf16le(L"D:\\x"), odd = a499 + "b", even = odd + '\0',
                      photos = "D\0:\0\\\0\x99\x51\x1f\x77\\\0"s;  // "D:\\写真\\"
    const std::wstring image = besideExe(L"image\\"), a495text(495, L'a'), a499text(499, L'a');
    using Change = void (*)();
    const Change setLater = [] { copyText(saveFolder, kPathCapacity, L"D:\\later"); };
    const FileRead read = FileRead::Read, failed = FileRead::Failed, tooLarge = FileRead::TooLarge,
                   unopened = FileRead::Unopened;
    const struct { std::string file; bool held; FileRead loaded; std::wstring text; Change change; std::string after; }
        rows[] = {
            {.file = "", .held = false, .loaded = read, .text = image, .change = setLater, .after = later},
            {.file = a495, .held = false, .loaded = read, .text = a495text, .change = setLater, .after = later},
            {.file = a495 + "b", .held = false, .loaded = failed, .text = L"", .change = setLater, .after = a495 + "b"},
            {.file = a499, .held = false, .loaded = read, .text = a499text, .change = setLater, .after = later},
            {.file = odd, .held = false, .loaded = tooLarge, .text = L"", .change = setLater, .after = odd},
            {.file = even, .held = false, .loaded = tooLarge, .text = L"", .change = setLater, .after = even},
            {.file = mark, .held = false, .loaded = read, .text = image, .change = setLater, .after = later},
            {.file = mark + a499, .held = false, .loaded = read, .text = a499text, .change = setLater, .after = later},
            {.file = mark + odd, .held = false, .loaded = tooLarge, .text = L"", .change = setLater, .after = mark + odd},
            {.file = mark + "D", .held = false, .loaded = failed, .text = L"", .change = setLater, .after = mark + "D"},
            {.file = "", .held = false, .loaded = read, .text = image,
             .change = [] { chooseSaveFolder(L"D:\\写真\\"); }, .after = photos},
            {.file = photos, .held = true, .loaded = unopened, .text = L"", .change = setLater, .after = photos},
            {.file = photos, .held = true, .loaded = unopened, .text = L"",
             .change = [] { chooseSaveFolder(L"D:\\x"); }, .after = x},
            {.file = x, .held = true, .loaded = unopened, .text = L"",
             .change = [] { fallBackToDefaultSaveFolderUnchosen(); }, .after = x},
            {.file = x, .held = true, .loaded = unopened, .text = L"",
             .change = [] { chooseDefaultSaveFolder(); }, .after = utf16le(image)},
            {.file = "", .held = false, .loaded = read, .text = image, .change = [] { chooseSaveFolder(L""); },
             .after = ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        ASSERT_TRUE(writeFile(kFolderFile, row.file));
        ScopedFile held = row.held ? hold(kFolderFile) : ScopedFile();
        saveFolder[0] = L'\0';
        Boxes boxes;
        EXPECT_EQ(row.loaded, loadSaveFolder());
        EXPECT_EQ(row.text, saveFolder);
        held.reset();
        row.change();
        EXPECT_EQ(1, storeSaveFolder());
        EXPECT_EQ(row.after, readFile(kFolderFile));
        EXPECT_TRUE(boxes.seen.empty());
    }
}

// Ten bytes of text, then a hole up to 4 GiB + 10 bytes: a size read as 32 bits is 10, and the file
// would load as those ten bytes and be cut to them by the next store.
TEST_F(StateFiles, AFileOf4GiBAndMoreIsRefusedForItsSizeAndKeptWhole) {
    for (const std::wstring& path : {kFolderFile, kMemoFile}) {
        SCOPED_TRACE(utf8(path));
        {
            const ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            LARGE_INTEGER size = {};
            size.QuadPart = 4294967306LL;
            ASSERT_TRUE(WriteFile(file.get(), "D\0:\0\\\0a\0b\0", 10, &written, nullptr) &&
                        SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
        }
        EXPECT_EQ(FileRead::TooLarge, path == kMemoFile ? loadMemo() : loadSaveFolder());
        setMemo(L"later");
        copyText(saveFolder, kPathCapacity, L"D:\\later");
        EXPECT_EQ(path == kMemoFile ? 0 : 1, path == kMemoFile ? storeMemo() : storeSaveFolder());
        EXPECT_EQ(4294967306u, fs::file_size(path));
        DeleteFileW(path.c_str());
    }
}

TEST_F(StateFiles, RandomBytesInEveryStateFileLeaveItUntouchedAndFree) {
    std::mt19937 random(0x61696D67);
    const char alphabet[] = "[]=;\r\n-0123456789MODEPICNUM\x81\x83\x93\xfa\xff";
    const struct { std::wstring path; size_t limit; void (*load)(); } files[] = {  // limit: the smallest size refused
        {kIni, 0, [] { loadSettings(); }}, {kFolderFile, 999, [] { loadSaveFolder(); }}, {kMemoFile, 1024000, [] { loadMemo(); }}};
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
    const std::unique_ptr<char, void (*)(char*)> pages(
        static_cast<char*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)),
        [](char* pages) { VirtualFree(pages, 0, MEM_RELEASE); });
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
