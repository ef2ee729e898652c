// How a store reaches its file: a replacement that takes over what the file carried, or, where none
// can be made beside it, the file written where it stands; never a write through a link, never a
// leftover of ours.
#include "new_file.h"
#include "support.h"

namespace {

// The file system's own number for the file at a name: a replacement has a new one, a file written
// in place keeps its own. Empty when there is no file.
std::string fileIdOf(const std::wstring& path) {
    const ScopedFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!file || !GetFileInformationByHandle(file.get(), &information)) return "";
    return std::to_string(information.nFileIndexHigh) + ":" + std::to_string(information.nFileIndexLow);
}

// Folders inside folder (no name longer than a file system takes) so that folder\...\name is
// exactly length characters long.
std::wstring pathOfLength(const std::wstring& folder, const std::wstring& name, size_t length) {
    std::wstring deep = folder;
    for (size_t left = length - folder.size() - name.size() - 1; left > 0;) {
        const size_t part = left - 1 > 200 ? 100 : left - 1;
        deep += L"\\" + std::wstring(part, L'd');
        left -= part + 1;
        fs::create_directory(deep);
        EXPECT_TRUE(fs::is_directory(deep));
    }
    return deep + L"\\" + name;
}

}  // namespace

using Stores = Glimra;

// The attributes a user gave a state file outlive a store; a name too long for its replacement is
// written in place, but never one that would reach another file; nothing of ours is left beside it.
TEST_F(Stores, AReplacementKeepsHiddenAndSystemAndANameWithoutRoomForOneIsWrittenWhereItStands) {
    constexpr DWORD kShown = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
    enum Stands { Plain, Missing, LinkToAFile, HardLink };
    enum Written { Replaced, InPlace, Untouched };
    // Each row's attributes are what the file has before and, where it is written, after.
    // length: of the target's whole path; 0 for memo.txt beside the test program.
    const struct Row { const char* what; size_t length; Stands stands; DWORD attributes; Written written; } rows[] = {
        {.what = "plain", .length = 0, .stands = Plain, .attributes = FILE_ATTRIBUTE_NORMAL,
         .written = Replaced},
        {.what = "hidden", .length = 0, .stands = Plain, .attributes = FILE_ATTRIBUTE_HIDDEN,
         .written = Replaced},
        {.what = "hidden and system", .length = 0, .stands = Plain, .attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
         .written = Replaced},
        {.what = "read-only", .length = 0, .stands = Plain, .attributes = FILE_ATTRIBUTE_READONLY,
         .written = Untouched},
        {.what = "room for the replacement's name", .length = MAX_PATH - 14, .stands = Plain, .attributes = FILE_ATTRIBUTE_SYSTEM,
         .written = Replaced},
        {.what = "no room, hidden", .length = MAX_PATH - 13, .stands = Plain, .attributes = FILE_ATTRIBUTE_HIDDEN,
         .written = InPlace},
        {.what = "no room, the longest", .length = MAX_PATH - 1, .stands = Plain, .attributes = FILE_ATTRIBUTE_NORMAL,
         .written = InPlace},
        {.what = "no room, read-only", .length = MAX_PATH - 1, .stands = Plain, .attributes = FILE_ATTRIBUTE_READONLY,
         .written = Untouched},
        {.what = "no room, no file", .length = MAX_PATH - 1, .stands = Missing, .attributes = 0,
         .written = Untouched},
        {.what = "no room, a hard link", .length = MAX_PATH - 1, .stands = HardLink, .attributes = FILE_ATTRIBUTE_NORMAL,
         .written = Untouched},
        {.what = "no room, a link", .length = MAX_PATH - 1, .stands = LinkToAFile, .attributes = FILE_ATTRIBUTE_NORMAL,
         .written = Untouched},
        {.what = "a path past MAX_PATH", .length = MAX_PATH + 40, .stands = Plain, .attributes = FILE_ATTRIBUTE_HIDDEN,
         .written = Replaced},
    };
    const std::string bytes = "new bytes";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.stands == LinkToAFile && !underWine()) continue;  // ln -s makes the link
        const Scratch folder, outside;
        const std::wstring path = row.length ? pathOfLength(folder.path, L"memo.txt", row.length) : kMemoFile;
        const std::wstring other = outside / L"theirs";
        ASSERT_TRUE(writeFile(other, "theirs"));
        if (row.stands == Plain) {
            ASSERT_TRUE(writeFile(path, "old"));
        }
        if (row.stands == LinkToAFile) linkTo(path, other);
        if (row.stands == HardLink) {
            ASSERT_TRUE(CreateHardLinkW(path.c_str(), other.c_str(), nullptr));
        }
        if (row.stands == Plain) {
            ASSERT_TRUE(SetFileAttributesW(path.c_str(), row.attributes));
        }
        const Names besideBefore = namesIn(fs::path(path).parent_path());
        const std::string idBefore = fileIdOf(path), contentBefore = readFile(path);

        const bool stored = row.written != Untouched;
        EXPECT_EQ(stored, replaceFileWhole(path.c_str(), bytes.data(), DWORD(bytes.size())));

        EXPECT_EQ(stored ? bytes : contentBefore, readFile(path));
        EXPECT_EQ("theirs", readFile(other)) << "written through a link";
        const std::string idAfter = fileIdOf(path);
        EXPECT_EQ(row.written == InPlace || row.written == Untouched, idBefore == idAfter) << "replaced or not";
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (row.stands == Plain) {
            EXPECT_EQ(row.attributes & kShown, attributes & kShown);
        }
        EXPECT_EQ(besideBefore, namesIn(fs::path(path).parent_path())) << "a name more or less beside it";
        if (row.stands == LinkToAFile) {
            EXPECT_TRUE(stillALink(path));
        }
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
}

// glimra.ini as a link to a read-only file: the link is replaced by a file of the program's own,
// the file it pointed at keeps its bytes and stays read-only, and no copy is left beside either.
TEST_F(Stores, ASettingsFileLinkedToAReadOnlyFileIsReplacedAndLeavesNothingBehind) {
    if (!underWine()) GTEST_SKIP() << "ln -s makes the link";
    const Scratch outside;
    const std::wstring target = outside / L"glimra.ini";
    ASSERT_TRUE(writeFile(target, "[HISTORY]\r\nPICNUM=7\r\n"));
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    linkTo(kIni, target);
    const Names beside = namesIn(fs::path(besideExe(L"")));
    ASSERT_EQ(FileRead::Read, loadSettings());
    EXPECT_EQ(7, Settings.sequenceCounter);
    Settings.sequenceCounter = 8;
    EXPECT_EQ(1, saveSettings());
    EXPECT_EQ("[HISTORY]\r\nPICNUM=8\r\n", readFile(kIni).substr(0, 21));
    EXPECT_EQ("[HISTORY]\r\nPICNUM=7\r\n", readFile(target));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(beside, namesIn(fs::path(besideExe(L""))));
    EXPECT_EQ(Names{L"glimra.ini"}, namesIn(outside.path));
    EXPECT_FALSE(stillALink(kIni));
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The settings file's copy for the profile calls goes to the temporary folder where none can be made
// beside it. A start removes such copies whose run is gone: only plain files of exactly that name, a
// running program's never, a link's target never.
TEST_F(Stores, ScratchCopiesOfTheSettingsFileGoOnceTheirRunIsGone) {
    wchar_t temporary[MAX_PATH] = {};
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temporary));
    const Scratch outside;
    // The id of a process that has ended: this one's own child, waited for.
    DWORD ended = 0;
    {
        const ScopedHandle child = launch(L"cmd.exe /c exit", nullptr, &ended);
        ASSERT_TRUE(child) << "no process to end";
        WaitForSingleObject(child.get(), kBoundMs);
    }
    auto hex = [](DWORD number) {
        wchar_t text[9] = {};
        swprintf(text, 9, L"%08X", unsigned(number));
        return std::wstring(text);
    };
    const std::wstring gone = L"glimra.ini." + hex(ended) + L".", running = L"glimra.ini." + hex(GetCurrentProcessId()) + L".";
    const struct { std::wstring name; bool link; bool kept; } rows[] = {
        {.name = gone + L"00000001.tmp", .link = false, .kept = false},
        {.name = gone + L"0000000A.tmp", .link = true, .kept = true},
        {.name = running + L"00000001.tmp", .link = false, .kept = true},
        {.name = gone + L"00000001.tmp.bak", .link = false, .kept = true},
        {.name = gone + L"0000001.tmp", .link = false, .kept = true},
        {.name = L"memo.txt." + hex(ended) + L".00000001.tmp", .link = false, .kept = true},
    };
    for (const auto& row : rows) {
        if (row.link && !underWine()) continue;
        const std::wstring path = temporary + row.name;
        if (row.link) linkTo(path, outside / L"theirs"), writeFile(outside / L"theirs", "theirs");
        else ASSERT_TRUE(writeFile(path, "left"));
    }
    removeLeftoverScratchesOf(L"glimra.ini");
    for (const auto& row : rows) {
        if (row.link && !underWine()) continue;
        SCOPED_TRACE(utf8(row.name));
        const std::wstring path = temporary + row.name;
        if (row.link) {
            EXPECT_EQ("theirs", readFile(outside / L"theirs")) << "a link's target deleted";
            stillALink(path);
        } else {
            EXPECT_EQ(row.kept, DeleteFileW(path.c_str()) != FALSE);
        }
    }
}

namespace {

// The profile call, failing once keysLeft keys are written.
int keysLeft;
BOOL WINAPI failingMidway(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR path) {
    if (keysLeft-- > 0) return WritePrivateProfileStringW(section, key, value, path);
    SetLastError(ERROR_WRITE_FAULT);
    return FALSE;
}

}  // namespace

// A key that cannot be written midway leaves glimra.ini exactly as it was, and nothing beside it:
// the keys go into a copy, and only a whole copy's bytes reach the file.
TEST_F(Stores, ASettingsSaveThatFailsMidwayLeavesTheFileAsItWas) {
    const auto profileCall = writeProfileString;
    writeProfileString = failingMidway;
    const std::string before = "; mine\r\n[HISTORY]\r\nPICNUM=7\r\n";
    ASSERT_TRUE(writeFile(kIni, before));
    const Names beside = namesIn(fs::path(besideExe(L"")));
    for (int written : {0, 1, 4, 16}) {
        SCOPED_TRACE(testing::Message() << written << " keys written");
        keysLeft = written;
        Settings = settingsOf("JPEGPIC=1 sequenceCounter=9");
        EXPECT_EQ(0, saveSettings());
        EXPECT_EQ(before, readFile(kIni));
        EXPECT_EQ(beside, namesIn(fs::path(besideExe(L""))));
    }
    writeProfileString = profileCall;
    EXPECT_EQ(1, saveSettings());
    EXPECT_EQ("; mine\r\n[HISTORY]\r\nPICNUM=9\r\n[MODE]", readFile(kIni).substr(0, 35));
}
