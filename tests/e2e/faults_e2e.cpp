// What goes wrong around a run: the program killed in the middle of a capture, the chosen window
// closed or minimised before the capture, the stored save folder that could not be read.
#include <gtest/gtest.h>

#include "driver.h"
#include "driver_screen.h"
#include "e2e_extra.h"
#include "e2e_files.h"
#include "resources/ids.h"

namespace {

const RECT kWindowRect = {640, 380, 940, 580};

void endWithoutQuestion(GlimraRun& run) {
    run.setChecked(IDC_NONEDIALOG, true);
    run.close();
    EXPECT_EQ(0u, run.waitForExit());
}

}  // namespace

TEST(Interrupted, KilledDuringTheCaptureWaitStartsAgainAsStoredAndNumbersOn) {
    GlimraRun run;
    std::vector<std::pair<std::string, int>> stored = {
        {"PICNUM", 41}, {"TRIMING", 1}, {"USEBG", 0}, {"NONEDIALOG", 1}, {"ASMEMO", 0}};
    const std::string settings = settingsFileText(settingsWith(stored));
    const std::string folder = utf16Bytes(run.exeFolder() + L"image\\");
    run.writeFile(L"glimra.ini", settings);
    run.writeFile(L"dirInfo.dat", folder);
    run.writeFile(L"memo.txt", kShiftJisMemo);
    run.makeFolder(L"image");
    {
        FolderProcess killed(run.exeFolder());
        ASSERT_TRUE(killed.waitUntilShown());
        killed.press(IDC_CAPTURE_SCREEN);
        ASSERT_TRUE(killed.waitUntilHidden());
        killed.kill();
    }
    EXPECT_TRUE(namesIn(run.path(L"image")).empty()) << "the killed run left an image";
    EXPECT_EQ(settings, run.readFile(L"glimra.ini"));
    EXPECT_EQ(folder, run.readFile(L"dirInfo.dat"));
    EXPECT_EQ(kShiftJisMemo, run.readFile(L"memo.txt"));

    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    expectCheckBoxes(run, settingsWith(stored));
    EXPECT_EQ(narrow(kMemoText), narrow(run.memo()));
    run.press(IDC_CAPTURE_SCREEN);
    ASSERT_TRUE(run.waitUntilIdle());
    EXPECT_EQ(std::vector<std::wstring>{L"img42.bmp"}, namesIn(run.path(L"image")));
    run.close();
    EXPECT_EQ(0u, run.waitForExit());
    stored.front().second = 42;
    EXPECT_EQ(settingsFileText(settingsWith(stored)), run.readFile(L"glimra.ini"));
    EXPECT_EQ(kShiftJisMemo, run.readFile(L"memo.txt"));
}

// The stored formats and the image folder, and the files that a window closed before the capture
// leaves unwritten.
struct ClosedWindowCase {
    const char* name;
    std::vector<std::pair<std::string, int>> settings;
    bool imageFolder;
    std::vector<std::wstring> extensions;
};

TEST(ChosenWindow, ClosedBeforeTheCaptureIsReportedForEachFileAndTheRunGoesOn) {
    const ClosedWindowCase cases[] = {
        {"defaults", {}, true, {L".bmp"}},
        {"three formats", {{"JPEGPIC", 1}, {"PNGPIC", 1}}, true, {L".bmp", L".jpg", L".png"}},
        // The folder's notices lose their owner with the window and must still be shown.
        {"image folder missing", {}, false, {L".bmp"}},
    };
    for (const ClosedWindowCase& c : cases) {
        SCOPED_TRACE(c.name);
        PatternWindow doomed(L"閉じる窓", kWindowRect, false);
        ASSERT_TRUE(doomed.waitUntilOnScreen());
        GlimraRun run;
        run.writeFile(L"glimra.ini", settingsFileText(settingsWith(c.settings)));
        if (c.imageFolder) {
            run.makeFolder(L"image");
        }
        run.start();
        ASSERT_TRUE(run.waitUntilShown());

        run.press(IDC_CAPTURE_WINDOW);
        HWND picker = chooseInPicker(run, L"閉じる窓");
        ASSERT_TRUE(picker);
        // Glimra restores the chosen window by a message to the driver's thread, which waits
        // unanswered until the window is gone: the capture cannot come first.
        ASSERT_TRUE(waitUntilDestroyed(picker));
        DestroyWindow(doomed.window());
        const std::wstring image = run.exeFolder() + L"image\\";
        std::vector<ExpectedBox> boxes;
        if (!c.imageFolder) {
            boxes = {information(image + L"が存在しなかったため、保存先を初期化します。"),
                     information(image + L"が存在しなかったため、新たに作成します。"),
                     information(L"保存先を初期化しました。")};
        }
        for (const std::wstring& extension : c.extensions) {
            boxes.push_back(error(L"\"" + image + L"\\img1" + extension + L"\"の作成に失敗しました。"));
        }
        run.expectBoxes(boxes);
        ASSERT_TRUE(run.waitUntilIdle());
        EXPECT_TRUE(run.running());
        EXPECT_TRUE(run.mainWindowVisible());
        EXPECT_TRUE(namesIn(run.path(L"image")).empty());
        endWithoutQuestion(run);
        std::vector<std::pair<std::string, int>> stored = c.settings;
        stored.insert(stored.end(), {{"PICNUM", 1}, {"NONEDIALOG", 1}});
        EXPECT_EQ(settingsFileText(settingsWith(stored)), run.readFile(L"glimra.ini"));
    }
}

TEST(ChosenWindow, MinimisedIsRestoredAndCapturedAtItsOwnSizeAndPixels) {
    PatternWindow target(L"最小化した窓", kWindowRect, false);
    ASSERT_TRUE(target.waitUntilOnScreen());
    ShowWindow(target.window(), SW_MINIMIZE);
    pumpMessages(100);
    ASSERT_TRUE(IsIconic(target.window()));
    GlimraRun run;
    run.makeFolder(L"image");
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    SetCursorPos(20, 20);  // outside the window: no cursor in its capture

    run.press(IDC_CAPTURE_WINDOW);
    ASSERT_TRUE(chooseInPicker(run, L"最小化した窓"));
    ASSERT_TRUE(run.waitUntilIdle());
    EXPECT_FALSE(IsIconic(target.window()));
    Image image;
    ASSERT_TRUE(readBmp24(run.readFile(L"image\\img1.bmp"), image));
    int width = kWindowRect.right - kWindowRect.left;
    int height = kWindowRect.bottom - kWindowRect.top;
    ASSERT_EQ(width, image.width);
    ASSERT_EQ(height, image.height);
    EXPECT_EQ(0u, countDifferences(image, patternImage(width, height)));
    endWithoutQuestion(run);
}

// A save-folder file held by another program at start-up, released before the end.
struct UnreadFolderCase {
    const char* name;
    int command;  // run before the end, 0 for none
    std::vector<ExpectedBox> commandBoxes;
    bool keepsStoredFolder;
};

TEST(StoredFolder, UnreadAtStartIsKeptUnlessAFolderIsChosenInTheRun) {
    const UnreadFolderCase cases[] = {
        {"no folder chosen", 0, {}, true},
        {"folder reset", IDM_RESET_FOLDER, {information(L"保存先を初期化しました。")}, false},
    };
    const std::string stored = utf16Bytes(L"C:\\shots");
    for (const UnreadFolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        GlimraRun run;
        run.makeFolder(L"image");
        run.writeFile(L"dirInfo.dat", stored);
        HeldFile held(run.path(L"dirInfo.dat"));
        run.start();
        run.expectBoxes({error(L"\"dirInfo.dat\"の読み込みに失敗しました。")});
        ASSERT_TRUE(run.waitUntilShown());
        held.release();
        if (c.command) {
            run.menu(c.command);
            run.expectBoxes(c.commandBoxes);
            ASSERT_TRUE(run.waitUntilIdle());
        }
        endWithoutQuestion(run);
        EXPECT_EQ(c.keepsStoredFolder ? stored : utf16Bytes(run.exeFolder() + L"image\\"),
                  run.readFile(L"dirInfo.dat"));
    }
}
