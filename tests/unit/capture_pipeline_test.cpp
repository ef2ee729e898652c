// Whole captures in-process: the real panel's check boxes, the files and messages they give.
#include <windows.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "capture_fixture.h"
#include "message_boxes.h"

namespace {

const wchar_t kFailureText[] = L"の作成に失敗しました。";

std::wstring failureMessage(const std::wstring& path) { return L"\"" + path + L"\"" + kFailureText; }

struct FilesCase {
    std::vector<int> boxes;
    const wchar_t* modeTag;
    int counterBefore;
    std::vector<std::wstring> files;
    int counterAfter;
};

TEST_F(CaptureTest, WritesTheChosenFilesUnderTheNextName) {
    const FilesCase cases[] = {
        {{IDC_USEBG, IDC_JPEGPIC, IDC_PNGPIC, IDC_CONSTANT}, L"mode:desktop", 41,
         {L"img42.bmp", L"img42.jpg", L"img42.png"}, 42},
        {{IDC_JPEGPIC, IDC_PNGPIC, IDC_NONEIMG, IDC_CONSTANT}, L"mode:desktop", 6, {L"7.jpg", L"7.png"}, 7},
        // Unnumbered and without prefix: the file is ".bmp", and any tag but "mode:free" is the screen.
        {{IDC_NONEIMG}, L"", 3, {L".bmp"}, 3},
    };
    const RECT screen = screenRect();
    for (const FilesCase& c : cases) {
        SCOPED_TRACE(narrow(c.files.front()));
        ScratchFolder folder(L"files");
        copyText(saveFolder, kPathCapacity, folder.path().c_str());
        untickAll();
        for (int box : c.boxes) {
            setChecked(panel, box, BST_CHECKED);
        }
        Settings.sequenceCounter = c.counterBefore;
        MessageBoxRecorder recorder;
        refreshSettingsFromPanel();
        captureAndSave(GetDesktopWindow(), c.modeTag);
        EXPECT_TRUE(recorder.texts().empty());
        EXPECT_EQ(c.files, filesIn(folder.path()));
        EXPECT_EQ(c.counterAfter, Settings.sequenceCounter);
        EXPECT_TRUE(IsWindowVisible(mainWindow));
        for (const std::wstring& file : c.files) {
            Picture picture = decodePicture(folder.file(file));
            EXPECT_EQ(screen.right, picture.width) << narrow(file);
            EXPECT_EQ(screen.bottom, picture.height) << narrow(file);
        }
    }
}

TEST_F(CaptureTest, PngHoldsTheSamePixelsAsTheBmp) {
    tick({IDC_USEBG, IDC_PNGPIC, IDC_CONSTANT});
    refreshSettingsFromPanel();
    captureAndSave(GetDesktopWindow(), L"mode:desktop");
    Picture bmp = readBmpPicture(savePath(L"img1.bmp"));
    Picture png = decodePicture(savePath(L"img1.png"));
    const RECT screen = screenRect();
    EXPECT_EQ(screen.right, bmp.width);
    EXPECT_EQ(screen.bottom, bmp.height);
    EXPECT_EQ(bmp.width, png.width);
    EXPECT_EQ(bmp.height, png.height);
    EXPECT_TRUE(bmp.pixels == png.pixels);
}

TEST_F(CaptureTest, UnnumberedCaptureReplacesTheSameFile) {
    tick({IDC_USEBG});
    ASSERT_TRUE(writeBytes(savePath(L"img.bmp"), std::string(100, 'x')));
    Settings.sequenceCounter = 9;
    refreshSettingsFromPanel();
    captureAndSave(GetDesktopWindow(), L"mode:desktop");
    const RECT screen = screenRect();
    EXPECT_EQ(std::vector<std::wstring>{L"img.bmp"}, filesIn(saveScratch.path()));
    Picture picture = readBmpPicture(savePath(L"img.bmp"));
    EXPECT_EQ(screen.right, picture.width);
    EXPECT_EQ(9, Settings.sequenceCounter);
}

// The folder messages belong to the window being captured; a picked window stands for it here.
HWND makePlainWindow(int x, int y, int width, int height) {
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, L"GlimraCaptureTestMain", L"plain", WS_POPUP, x, y, width, height,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

TEST_F(CaptureTest, FallsBackToExistingImageFolderWithOneMessageEvenWhenNothingIsSaved) {
    tick({IDC_NONESCS, IDC_USEBG, IDC_CONSTANT});
    const std::wstring missing = saveScratch.file(L"gone");
    copyText(saveFolder, kPathCapacity, missing.c_str());
    const std::wstring imageFolder = exeScratch.file(L"image");
    ASSERT_TRUE(CreateDirectoryW(imageFolder.c_str(), nullptr));
    Settings.sequenceCounter = 5;
    HWND picked = makePlainWindow(50, 50, 120, 80);

    MessageBoxRecorder recorder;
    refreshSettingsFromPanel();
    captureAndSave(picked, L"mode:free");

    ASSERT_EQ(1u, recorder.boxes().size());
    EXPECT_EQ(missing + L"が存在しなかったため、保存先を初期化します。", recorder.boxes()[0].text);
    EXPECT_EQ(BoxIcon::Information, recorder.boxes()[0].icon);
    EXPECT_EQ(picked, recorder.boxes()[0].owner);
    EXPECT_EQ(std::wstring(titleText), recorder.boxes()[0].caption);
    EXPECT_EQ(withSlash(imageFolder), saveFolder);
    EXPECT_TRUE(filesIn(imageFolder).empty());
    EXPECT_EQ(5, Settings.sequenceCounter);
    EXPECT_TRUE(IsWindowVisible(mainWindow));
    DestroyWindow(picked);
}

TEST_F(CaptureTest, FallsBackToImageFolderWithThreeMessages) {
    tick({IDC_USEBG, IDC_CONSTANT});
    const std::wstring missing = saveScratch.file(L"gone\\deeper");
    copyText(saveFolder, kPathCapacity, missing.c_str());
    const std::wstring fallback = withSlash(exeScratch.file(L"image"));
    HWND picked = makePlainWindow(50, 50, 120, 80);

    MessageBoxRecorder recorder;
    refreshSettingsFromPanel();
    captureAndSave(picked, L"mode:free");

    const std::vector<std::wstring> expected = {
        missing + L"が存在しなかったため、保存先を初期化します。",
        fallback + L"が存在しなかったため、新たに作成します。",
        L"保存先を初期化しました。",
    };
    EXPECT_EQ(expected, recorder.texts());
    for (const RecordedBox& box : recorder.boxes()) {
        EXPECT_EQ(BoxIcon::Information, box.icon);
        EXPECT_EQ(picked, box.owner);
    }
    EXPECT_EQ(fallback, saveFolder);
    EXPECT_EQ(std::vector<std::wstring>{L"img1.bmp"}, filesIn(exeScratch.file(L"image")));
    Picture picture = readBmpPicture(exeScratch.file(L"image\\img1.bmp"));
    EXPECT_EQ(120, picture.width);
    EXPECT_EQ(80, picture.height);
    DestroyWindow(picked);
}

TEST_F(CaptureTest, FailedFirstFileIsReportedAndTheSecondStillWritten) {
    tick({IDC_USEBG, IDC_JPEGPIC, IDC_CONSTANT});
    Settings.sequenceCounter = 4;
    ASSERT_TRUE(writeBytes(savePath(L"img5.bmp"), "locked"));
    {
        // Held open without sharing, as another program might hold it.
        ScopedFile lock(
            CreateFileW(savePath(L"img5.bmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        MessageBoxRecorder recorder;
        refreshSettingsFromPanel();
        captureAndSave(GetDesktopWindow(), L"mode:desktop");
        ASSERT_EQ(1u, recorder.boxes().size());
        EXPECT_EQ(failureMessage(savePath(L"img5.bmp")), recorder.boxes()[0].text);
        EXPECT_EQ(BoxIcon::Error, recorder.boxes()[0].icon);
        EXPECT_EQ(mainWindow, recorder.boxes()[0].owner);
    }
    EXPECT_EQ("locked", readBytes(savePath(L"img5.bmp")));
    EXPECT_EQ(screenRect().right, decodePicture(savePath(L"img5.jpg")).width);
    EXPECT_EQ(5, Settings.sequenceCounter);
}

TEST_F(CaptureTest, PathTooLongIsReportedWholeAndNothingWritten) {
    tick({IDC_USEBG, IDC_CONSTANT});
    // "\." steps keep the folder real while its name grows to 491 characters: with "\img1.bmp"
    // the path needs 500.
    std::wstring longFolder = saveScratch.path();
    while (longFolder.size() + 2 <= 491) {
        longFolder += L"\\.";
    }
    if (longFolder.size() < 491) {
        longFolder += L"\\";
    }
    ASSERT_EQ(491u, longFolder.size());
    ASSERT_TRUE(copyText(saveFolder, kPathCapacity, longFolder.c_str()));

    MessageBoxRecorder recorder;
    refreshSettingsFromPanel();
    captureAndSave(GetDesktopWindow(), L"mode:desktop");

    EXPECT_EQ(std::vector<std::wstring>{failureMessage(longFolder + L"\\img1.bmp")}, recorder.texts());
    EXPECT_TRUE(filesIn(saveScratch.path()).empty());
    EXPECT_EQ(longFolder, saveFolder);
    EXPECT_EQ(1, Settings.sequenceCounter);
}

TEST_F(CaptureTest, WindowWithNothingToCopyReportsEveryFileAndWritesNone) {
    tick({IDC_USEBG, IDC_JPEGPIC, IDC_PNGPIC, IDC_CONSTANT});
    HWND destroyed = makePlainWindow(40, 40, 100, 100);
    DestroyWindow(destroyed);
    HWND empty = makePlainWindow(40, 40, 0, 0);
    struct Case {
        HWND window;
        int counterBefore;
        std::wstring name;
        int counterAfter;
    };
    // The counter also shows that it goes on past the largest integer instead of overflowing.
    const Case cases[] = {
        {destroyed, INT_MAX, L"img-2147483648", INT_MIN},
        {empty, 0, L"img1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.name));
        Settings.sequenceCounter = c.counterBefore;
        MessageBoxRecorder recorder;
        refreshSettingsFromPanel();
        captureAndSave(c.window, L"mode:free");
        const std::vector<std::wstring> expected = {
            failureMessage(savePath(c.name + L".bmp")),
            failureMessage(savePath(c.name + L".jpg")),
            failureMessage(savePath(c.name + L".png")),
        };
        EXPECT_EQ(expected, recorder.texts());
        EXPECT_TRUE(filesIn(saveScratch.path()).empty());
        EXPECT_EQ(c.counterAfter, Settings.sequenceCounter);
        EXPECT_TRUE(IsWindowVisible(mainWindow));
    }
    DestroyWindow(empty);
}

}  // namespace
