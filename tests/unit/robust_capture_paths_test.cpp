// Captures whose paths reach the 500-character limit: a path that fits is written, one that does
// not is reported whole for each file and written nowhere, not even somewhere else.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "robust_capture.h"

namespace {

const wchar_t kSizeMessage[] = L"ファイルサイズが許容限界をオーバーしています。";

// A real folder with a name of the given length: "\." steps name the same folder again.
std::wstring longRealFolder(const std::wstring& folder, size_t length) {
    std::wstring result = folder;
    while (result.size() + 2 <= length) {
        result += L"\\.";
    }
    if (result.size() < length) {
        result += L"\\";
    }
    return result;
}

// A folder that does not exist, of the given length, ending in a backslash.
std::wstring madeUpFolder(const std::wstring& start, size_t length) {
    std::wstring folder = start;
    while (folder.size() + 1 < length) {
        folder += (folder.size() % 40 == 39) ? L'\\' : L'q';
    }
    return folder + L"\\";
}

std::wstring besideTestExe(const wchar_t* name) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path = module;
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

using CapturePathLimits = RobustCapture;

TEST_F(CapturePathLimits, SaveFolderAtTheLimitIsWrittenWhenThePathFitsAndReportedWholeWhenNot) {
    const struct {
        size_t folderLength;
        bool fits;
    } cases[] = {{490, true}, {491, false}, {497, false}, {498, false}, {499, false}};
    int counter = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folderLength);
        ScratchFolder target(L"limit");
        const std::wstring folder = longRealFolder(target.path(), c.folderLength);
        ASSERT_EQ(c.folderLength, folder.size());
        ASSERT_TRUE(copyText(saveFolder, kPathCapacity, folder.c_str()));
        MessageBoxRecorder recorder;
        capture();
        ++counter;
        const std::wstring stem = folder + L"\\img" + std::to_wstring(counter);
        EXPECT_EQ(counter, Settings.sequenceCounter);
        if (c.fits) {
            ASSERT_EQ(499u, stem.size() + 4);
            EXPECT_TRUE(recorder.texts().empty());
            EXPECT_EQ(imageNames(counter), filesIn(target.path()));
            for (const std::wstring& name : imageNames(counter)) {
                EXPECT_TRUE(wholeImage(target.file(name))) << narrow(name);
            }
        } else {
            EXPECT_EQ(failuresFor(stem), recorder.texts());
            EXPECT_TRUE(filesIn(target.path()).empty());
        }
        EXPECT_EQ(folder, std::wstring(saveFolder));
    }
}

TEST_F(CapturePathLimits, StoredFolderTooLongToLoadFallsBackToTheImageFolder) {
    const std::wstring folderFile = besideTestExe(L"dirInfo.dat");
    size_t captures = 0;
    for (size_t length : {size_t(500), size_t(600)}) {
        SCOPED_TRACE(length);
        ++captures;
        ASSERT_TRUE(writeBytes(folderFile, std::string(length * 2, 'x')));
        saveFolder[0] = L'\0';
        MessageBoxRecorder recorder;
        EXPECT_EQ(0, loadSaveFolder());
        capture();

        const std::wstring fallback = withSlash(exeScratch.file(L"image"));
        std::vector<std::wstring> expected = {kSizeMessage, kMissingText};
        if (length == 500) {
            expected.push_back(fallback + kCreatingText);
            expected.push_back(kResetText);
        }
        EXPECT_EQ(expected, recorder.texts());
        EXPECT_EQ(fallback, std::wstring(saveFolder));
        EXPECT_EQ(3 * captures, filesIn(exeScratch.file(L"image")).size());
        // The refused file is replaced at exit by the fallback, the folder really in use.
        EXPECT_EQ(1, storeSaveFolder());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(fallback.data()), fallback.size() * 2),
                  readBytes(folderFile));
    }
    DeleteFileW(folderFile.c_str());
    loadSaveFolder();  // a run whose file loads again: the refusal stays in this test
    DeleteFileW(folderFile.c_str());
}

// A fallback that does not fit, or an executable's folder that could not be held: the capture
// stays with the folder it has, and every file is reported, none written elsewhere.
TEST_F(CapturePathLimits, FallbackThatCannotBeNamedReportsEveryFileAndWritesNothingAnywhere) {
    ScratchFolder cwd(L"cwd");
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(cwd.path().c_str()));
    const std::wstring driveRoot = cwd.path().substr(0, 3);

    const struct {
        const char* name;
        std::wstring exeFolder;
        std::wstring saveFolder;
        bool fallbackNamed;
    } cases[] = {
        {"image folder would need 500 characters", madeUpFolder(L"C:\\", 494), L"C:\\gone-glimra", false},
        {"no folder of the executable, a missing save folder", L"", L"C:\\gone-glimra", false},
        {"no folder of the executable, no save folder", L"", L"", false},
        {"image folder of 499 characters that cannot be made", madeUpFolder(L"C:\\", 493), L"", true},
    };
    int counter = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(copyText(exeFolder, kPathCapacity, c.exeFolder.c_str()));
        ASSERT_TRUE(copyText(saveFolder, kPathCapacity, c.saveFolder.c_str()));
        MessageBoxRecorder recorder;
        capture();
        ++counter;

        std::vector<std::wstring> expected = {c.saveFolder + kMissingText};
        std::wstring folder = c.saveFolder;
        if (c.fallbackNamed) {
            folder = c.exeFolder + L"image\\";
            ASSERT_EQ(499u, folder.size());
            expected.push_back(folder + kCreatingText);
            expected.push_back(kResetText);
        }
        for (const std::wstring& failure : failuresFor(folder + L"\\img" + std::to_wstring(counter))) {
            expected.push_back(failure);
        }
        EXPECT_EQ(expected, recorder.texts());
        EXPECT_EQ(folder, std::wstring(saveFolder));
        EXPECT_EQ(counter, Settings.sequenceCounter);
        EXPECT_TRUE(filesIn(cwd.path()).empty());
        const std::wstring stray = driveRoot + L"img" + std::to_wstring(counter);
        for (const wchar_t* extension : {L".bmp", L".jpg", L".png"}) {
            EXPECT_FALSE(fileExists(stray + extension)) << narrow(stray + extension);
            DeleteFileW((stray + extension).c_str());
        }
    }
    SetCurrentDirectoryW(previous);
}

}  // namespace
