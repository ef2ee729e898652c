// Paths at the 500-character limit: what fits is used whole, what does not fails with its message,
// and no buffer is written or read past its end (each sits right before inaccessible memory).
#include <string>

#include "robust_fuzz.h"
#include "state_files.h"

namespace {

const wchar_t kSizeMessage[] = L"ファイルサイズが許容限界をオーバーしています。";

struct LimitCase {
    size_t length;  // characters of the whole path
    bool fits;
};

// 499 characters and the terminator fill a buffer exactly.
const LimitCase kLimits[] = {{497, true}, {498, true}, {499, true}, {500, false}, {600, false}};

std::wstring folderOfLength(size_t length) {
    std::wstring folder = L"D:\\";
    while (folder.size() < length) {
        folder += (folder.size() % 40 == 39) ? L'\\' : L'f';
    }
    return folder;
}

}  // namespace

// Ends as a run whose folder file loads again, so the refusals here stay in this test.
class PathLimits : public StateFiles {
protected:
    void TearDown() override {
        DeleteFileW(folderPath().c_str());
        loadSaveFolder();
        StateFiles::TearDown();
    }
};

TEST_F(PathLimits, FileBesideTheExecutableIsNamedWholeOrNotAtAll) {
    const std::wstring folder = besideExe(L"");
    for (const LimitCase& c : kLimits) {
        SCOPED_TRACE(c.length);
        GuardedChars buffer(kPathCapacity);
        wmemset(buffer.get(), L'#', kPathCapacity);
        std::wstring name(c.length - folder.size(), L'n');
        EXPECT_EQ(c.fits, exeRelativePath(buffer.get(), name.c_str()));
        EXPECT_EQ(c.fits ? folder + name : L"", std::wstring(buffer.get()));
    }
}

TEST_F(PathLimits, SaveFolderOfUpTo499CharactersGoesRoundTheFileAndLongerOnesAreRefusedAndKept) {
    for (const LimitCase& c : kLimits) {
        SCOPED_TRACE(c.length);
        const std::wstring folder = folderOfLength(c.length);
        MessageBoxRecorder recorder;
        if (c.fits) {
            chooseSaveFolder(folder.c_str());
            ASSERT_EQ(folder, std::wstring(saveFolder));
            ASSERT_EQ(1, storeSaveFolder());
            EXPECT_EQ(c.length * 2, readBytes(folderPath()).size());
            saveFolder[0] = L'\0';
            EXPECT_EQ(1, loadSaveFolder());
            EXPECT_EQ(folder, std::wstring(saveFolder));
            EXPECT_TRUE(recorder.texts().empty());
        } else {
            // Too long for the buffer, so only a hand-written file can hold it.
            EXPECT_FALSE(copyText(saveFolder, kPathCapacity, folder.c_str()));
            EXPECT_EQ(L"", std::wstring(saveFolder));
            ASSERT_TRUE(writeBytes(folderPath(), utf16Bytes(folder)));
            EXPECT_EQ(0, loadSaveFolder());
            EXPECT_EQ(std::vector<std::wstring>{kSizeMessage}, recorder.texts());
            EXPECT_EQ(L"", std::wstring(saveFolder));
            EXPECT_EQ(1, storeSaveFolder());
            EXPECT_EQ(utf16Bytes(folder), readBytes(folderPath())) << "kept for a run that can read it";
        }
    }
}

// The executable's own folder comes from the system at start-up; a long one is set here, as
// Wine cannot start a program from a path that long.
TEST_F(PathLimits, DefaultSaveFolderIsUsedWholeOrLeftEmptyWhenTheExecutablesFolderIsTooLong) {
    const std::wstring image = L"image\\";
    for (const LimitCase& c : kLimits) {
        SCOPED_TRACE(c.length);
        std::wstring folder = folderOfLength(c.length - image.size() - 1) + L"\\";
        ASSERT_EQ(c.length, folder.size() + image.size());
        // A folder of 500 characters or more cannot be held at all: start-up leaves it empty.
        if (!copyText(exeFolder, kPathCapacity, folder.c_str())) {
            folder.clear();
        }
        ASSERT_TRUE(writeBytes(folderPath(), ""));
        copyText(saveFolder, kPathCapacity, L"before");
        EXPECT_EQ(1, loadSaveFolder());
        EXPECT_EQ(c.fits ? folder + image : L"", std::wstring(saveFolder));
    }
}
