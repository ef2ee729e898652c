// The save-folder file: what each stored size loads as, the bytes a store leaves, a file held
// elsewhere, and a stored folder that could not be read surviving the run.
#include "state_files.h"

namespace {

const wchar_t kSizeMessage[] = L"ファイルサイズが許容限界をオーバーしています。";

std::wstring defaultFolder() { return besideExe(L"image\\"); }

}  // namespace

using SaveFolderFile = StateFiles;

TEST_F(SaveFolderFile, LoadsTheStoredFolderOrTheDefaultBySize) {
    struct Case {
        const char* name;
        bool fileExists;
        std::string bytes;
        int result;
        std::wstring folder;
        size_t messages;
    } cases[] = {
        {"no file", false, "", 1, defaultFolder(), 0},
        {"empty file", true, "", 1, defaultFolder(), 0},
        {"a folder", true, utf16Bytes(L"D:\\shots\\"), 1, L"D:\\shots\\", 0},
        {"no trailing backslash", true, utf16Bytes(L"D:\\shots"), 1, L"D:\\shots", 0},
        {"Japanese folder", true, utf16Bytes(L"D:\\画像"), 1, L"D:\\画像", 0},
        {"zero inside", true, utf16Bytes(std::wstring(L"D:\\a\0D:\\b", 9)), 1, L"D:\\a", 0},
        {"zero first", true, utf16Bytes(std::wstring(L"\0D:\\b", 5)), 1, defaultFolder(), 0},
        {"odd byte count", true, utf16Bytes(L"D:\\ab") + "c", 1, L"D:\\abc", 0},
        {"998 bytes", true, utf16Bytes(std::wstring(499, L'x')), 1, std::wstring(499, L'x'), 0},
        {"999 bytes", true, utf16Bytes(std::wstring(499, L'x')) + "y", 0, L"", 1},
        {"1000 bytes", true, utf16Bytes(std::wstring(500, L'x')), 0, L"", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(folderPath().c_str());
        if (c.fileExists) {
            ASSERT_TRUE(writeBytes(folderPath(), c.bytes));
        }
        saveFolder[0] = L'\0';
        MessageBoxRecorder recorder;
        EXPECT_EQ(c.result, loadSaveFolder());
        EXPECT_EQ(c.folder, std::wstring(saveFolder));
        ASSERT_EQ(c.messages, recorder.boxes().size());
        for (const RecordedBox& box : recorder.boxes()) {
            EXPECT_EQ(kSizeMessage, box.text);
            EXPECT_EQ(L"Glimra Ver 3.00", box.caption);
            EXPECT_EQ(BoxIcon::Error, box.icon);
        }
        EXPECT_EQ(c.bytes, readBytes(folderPath())) << "loading leaves the file as it was";
        EXPECT_TRUE(fileExists(folderPath()));
    }
}

TEST_F(SaveFolderFile, StoresTheFolderAsUtf16WithoutTerminatorCuttingWhatWasLonger) {
    struct Case {
        const wchar_t* folder;
        size_t size;
    } steps[] = {
        {L"D:\\a much longer folder\\", 48},
        {L"D:\\pics", 14},
        {L"D:\\写真\\", 12},
        {L"", 0},
    };
    ASSERT_EQ(1, loadSaveFolder());
    for (const Case& step : steps) {
        SCOPED_TRACE(narrow(step.folder));
        copyText(saveFolder, kPathCapacity, step.folder);
        EXPECT_EQ(1, storeSaveFolder());
        std::string bytes = readBytes(folderPath());
        EXPECT_EQ(step.size, bytes.size());
        EXPECT_EQ(utf16Bytes(step.folder), bytes);
    }
    EXPECT_EQ(1, loadSaveFolder()) << "an emptied file means the default folder";
    EXPECT_EQ(defaultFolder(), std::wstring(saveFolder));
}

TEST_F(SaveFolderFile, AFileHeldElsewhereFailsLoadAndStoreQuietlyAndKeepsItsBytes) {
    std::string stored = utf16Bytes(L"D:\\kept");
    ASSERT_TRUE(writeBytes(folderPath(), stored));
    MessageBoxRecorder recorder;

    HANDLE held = holdFile(folderPath());
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(0, loadSaveFolder());
    EXPECT_EQ(L"", std::wstring(saveFolder));
    CloseHandle(held);

    ASSERT_EQ(1, loadSaveFolder());
    copyText(saveFolder, kPathCapacity, L"D:\\new");
    held = holdFile(folderPath());
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(0, storeSaveFolder());
    CloseHandle(held);

    EXPECT_EQ(stored, readBytes(folderPath()));
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(SaveFolderFile, AStoredFolderThatCouldNotBeReadIsOnlyReplacedByAFolderChosenInTheRun) {
    const std::string unreadable = utf16Bytes(std::wstring(499, L'x')) + "y";
    const std::string readable = utf16Bytes(L"D:\\old");
    struct Case {
        const char* name;
        std::string before;
        bool heldAtLoad;
        bool chosen;
        const wchar_t* folderAtExit;
        std::string after;
    } cases[] = {
        {"refused size, nothing chosen", unreadable, false, false, L"", unreadable},
        {"refused size, folder chosen", unreadable, false, true, L"D:\\picked", utf16Bytes(L"D:\\picked")},
        {"refused size, empty folder chosen", unreadable, false, true, L"", ""},
        {"held at load, nothing chosen", readable, true, false, L"", readable},
        {"held at load, folder chosen", readable, true, true, L"D:\\picked", utf16Bytes(L"D:\\picked")},
        {"read, then emptied", readable, false, false, L"", ""},
        {"read, then kept", readable, false, false, L"D:\\old", readable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeBytes(folderPath(), c.before));
        MessageBoxRecorder recorder;
        HANDLE held = c.heldAtLoad ? holdFile(folderPath()) : INVALID_HANDLE_VALUE;
        loadSaveFolder();
        if (held != INVALID_HANDLE_VALUE) {
            CloseHandle(held);
        }
        if (c.chosen) {
            chooseSaveFolder(c.folderAtExit);
        } else {
            copyText(saveFolder, kPathCapacity, c.folderAtExit);
        }
        EXPECT_EQ(1, storeSaveFolder());
        EXPECT_EQ(c.after, readBytes(folderPath()));
    }
}

TEST_F(SaveFolderFile, FilesBesideTheExecutableAreNamedInFullOrNotAtAll) {
    wchar_t path[kPathCapacity];
    EXPECT_TRUE(exeRelativePath(path, L"readme.txt"));
    EXPECT_EQ(besideExe(L"readme.txt"), std::wstring(path));

    EXPECT_TRUE(exeRelativePath(path, L""));
    EXPECT_EQ(besideExe(L""), std::wstring(path));
    EXPECT_EQ(L'\\', path[wcslen(path) - 1]);

    size_t folderLength = besideExe(L"").size();
    std::wstring fits(kPathCapacity - 1 - folderLength, L'n');
    EXPECT_TRUE(exeRelativePath(path, fits.c_str()));
    EXPECT_EQ(size_t(kPathCapacity - 1), wcslen(path));

    std::wstring tooLong = fits + L"n";
    wmemset(path, L'#', kPathCapacity);
    EXPECT_FALSE(exeRelativePath(path, tooLong.c_str()));
    EXPECT_EQ(L'\0', path[0]);
}
