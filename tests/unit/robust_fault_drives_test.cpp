// Captures onto a full drive and onto a read-only drive. tests/robust/fault_drives.sh mounts two
// small file systems, gives them to Wine as drives and names them in GLIMRA_FULL_DRIVE and
// GLIMRA_READONLY_DRIVE; without them these tests are skipped.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "robust_capture.h"

namespace {

std::wstring driveNamedBy(const wchar_t* variable) {
    wchar_t drive[16] = {};
    DWORD length = GetEnvironmentVariableW(variable, drive, 16);
    return length > 0 && length < 16 ? std::wstring(drive) : std::wstring();
}

// Fills the drive with one file, page by page, until nothing more fits; returns its size.
long long fillDrive(const std::wstring& filler) {
    ScopedFile file(CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) {
        return -1;
    }
    const std::string page(4096, 'f');
    long long size = 0;
    DWORD written = 0;
    while (WriteFile(file.get(), page.data(), static_cast<DWORD>(page.size()), &written, nullptr) &&
           written == page.size()) {
        size += written;
    }
    return size + written;
}

bool shrinkFile(const std::wstring& path, long long size) {
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER end;
    end.QuadPart = size;
    return file && SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
}

// Every file of the capture numbered `number` in `folder` is either whole or reported, never
// both, in the writing order; returns how many were reported.
size_t expectWholeOrReported(const std::wstring& folder, int number, const std::vector<std::wstring>& messages,
                             int width, int height) {
    std::vector<std::wstring> reported;
    for (const std::wstring& name : imageNames(number)) {
        const std::wstring path = withSlash(folder) + name;
        if (fileExists(path)) {
            EXPECT_TRUE(imageIsWhole(path, width, height))
                << narrow(name) << " is left cut short, " << readBytes(path).size() << " bytes";
        } else {
            reported.push_back(failureMessage(path));
        }
    }
    EXPECT_EQ(reported, messages);
    return reported.size();
}

class CaptureFaultDrives : public RobustCapture {
protected:
    // After a fault, a capture into a good folder writes every file whole and reports nothing.
    void expectNextCaptureIntoAGoodFolderWhole(int number) {
        ScratchFolder good(L"good");
        copyText(saveFolder, kPathCapacity, good.path().c_str());
        MessageBoxRecorder recorder;
        capture();
        EXPECT_TRUE(recorder.texts().empty());
        EXPECT_EQ(0u, expectWholeOrReported(good.path(), number, {}, kSubjectWidth, kSubjectHeight));
    }
};

TEST_F(CaptureFaultDrives, FullDriveReportsEachFileThatDoesNotFitAndLeavesNoPartOfIt) {
    const std::wstring drive = driveNamedBy(L"GLIMRA_FULL_DRIVE");
    if (drive.empty()) {
        GTEST_SKIP() << "no full drive; tests/robust/fault_drives.sh provides one";
    }
    const std::wstring folder = drive + L"\\shots";
    const std::wstring filler = drive + L"\\filler";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    copyText(saveFolder, kPathCapacity, folder.c_str());
    const long long full = fillDrive(filler);
    ASSERT_GT(full, 0);

    {
        SCOPED_TRACE("not a byte left");
        MessageBoxRecorder recorder;
        capture();
        EXPECT_EQ(3u, expectWholeOrReported(folder, 1, recorder.texts(), kSubjectWidth, kSubjectHeight));
        EXPECT_TRUE(filesIn(folder).empty()) << "no empty file is left";
        EXPECT_EQ(1, Settings.sequenceCounter);
        EXPECT_EQ(folder, std::wstring(saveFolder));
    }
    {
        // Room for less than the BMP file (18054 bytes): what is written is whole, the rest reported.
        SCOPED_TRACE("8 KiB left");
        ASSERT_TRUE(shrinkFile(filler, full - 8192));
        MessageBoxRecorder recorder;
        capture();
        EXPECT_GE(expectWholeOrReported(folder, 2, recorder.texts(), kSubjectWidth, kSubjectHeight), 1u);
        EXPECT_FALSE(fileExists(withSlash(folder) + L"img2.bmp"));
        EXPECT_EQ(2, Settings.sequenceCounter);
    }
    {
        SCOPED_TRACE("the next capture into a good folder");
        expectNextCaptureIntoAGoodFolderWhole(3);
    }
    {
        SCOPED_TRACE("room again on the drive");
        ASSERT_TRUE(DeleteFileW(filler.c_str()));
        copyText(saveFolder, kPathCapacity, folder.c_str());
        MessageBoxRecorder recorder;
        capture();
        EXPECT_TRUE(recorder.texts().empty());
        EXPECT_EQ(0u, expectWholeOrReported(folder, 4, {}, kSubjectWidth, kSubjectHeight));
        EXPECT_EQ(4, Settings.sequenceCounter);
    }
    removeTree(folder);
}

TEST_F(CaptureFaultDrives, ReadOnlyDriveReportsEveryFileAndCannotTakeTheFallbackFolder) {
    const std::wstring drive = driveNamedBy(L"GLIMRA_READONLY_DRIVE");
    if (drive.empty()) {
        GTEST_SKIP() << "no read-only drive; tests/robust/fault_drives.sh provides one";
    }
    const std::wstring folder = drive + L"\\shots";
    ASSERT_TRUE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY) << "made before the drive went read-only";
    {
        SCOPED_TRACE("save folder on the drive");
        copyText(saveFolder, kPathCapacity, folder.c_str());
        MessageBoxRecorder recorder;
        capture();
        EXPECT_EQ(failuresFor(withSlash(folder) + L"img1"), recorder.texts());
        EXPECT_TRUE(filesIn(folder).empty());
        EXPECT_EQ(1, Settings.sequenceCounter);
    }
    {
        SCOPED_TRACE("the executable's folder on the drive, the save folder gone");
        const std::wstring gone = drive + L"\\gone";
        const std::wstring fallback = drive + L"\\image\\";
        copyText(exeFolder, kPathCapacity, withSlash(drive).c_str());
        copyText(saveFolder, kPathCapacity, gone.c_str());
        MessageBoxRecorder recorder;
        capture();
        std::vector<std::wstring> expected = {gone + kMissingText, fallback + kCreatingText, kResetText};
        for (const std::wstring& failure : failuresFor(fallback + L"\\img2")) {
            expected.push_back(failure);
        }
        EXPECT_EQ(expected, recorder.texts());
        EXPECT_FALSE(fileExists(fallback));
        EXPECT_EQ(fallback, std::wstring(saveFolder));
        EXPECT_EQ(2, Settings.sequenceCounter);
    }
    {
        SCOPED_TRACE("the next capture into a good folder");
        expectNextCaptureIntoAGoodFolderWhole(3);
    }
}

}  // namespace
