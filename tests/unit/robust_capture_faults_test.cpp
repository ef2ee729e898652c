// Faults the capture survives in-process: image files it cannot create, and a save folder that
// disappears while the program runs. Each failed file is reported and leaves nothing behind, the
// counter goes on, and the next capture into a good folder works.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "robust_capture.h"

namespace {

// What stands in a target file's way. A read-only attribute is no obstacle here: Wine keeps it as
// a permission bit, and the tests run as root.
enum class Obstacle { None, HeldOpen, Folder };

const char* obstacleName(Obstacle obstacle) {
    switch (obstacle) {
    case Obstacle::HeldOpen: return "held open without sharing";
    case Obstacle::Folder: return "a folder of that name";
    default: return "nothing";
    }
}

const char kOldBytes[] = "an older file that must survive";

using CaptureFaults = RobustCapture;

TEST_F(CaptureFaults, EachFileThatCannotBeCreatedIsReportedAndLeftAsItWas) {
    struct Case {
        Obstacle bmp;
        Obstacle jpg;
        Obstacle png;
    } cases[] = {
        {Obstacle::HeldOpen, Obstacle::HeldOpen, Obstacle::HeldOpen},
        {Obstacle::Folder, Obstacle::Folder, Obstacle::Folder},
        {Obstacle::HeldOpen, Obstacle::Folder, Obstacle::None},
        {Obstacle::None, Obstacle::Folder, Obstacle::HeldOpen},
    };
    int counter = 0;
    for (const Case& c : cases) {
        ScratchFolder folder(L"faults");
        copyText(saveFolder, kPathCapacity, folder.path().c_str());
        const int number = counter + 1;
        const std::vector<std::wstring> names = imageNames(number);
        const Obstacle obstacles[] = {c.bmp, c.jpg, c.png};
        std::vector<ScopedFile> held;
        std::vector<std::wstring> expected;
        for (size_t i = 0; i < names.size(); ++i) {
            const std::wstring path = folder.file(names[i]);
            switch (obstacles[i]) {
            case Obstacle::HeldOpen:
                ASSERT_TRUE(writeBytes(path, kOldBytes));
                held.emplace_back(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
                ASSERT_TRUE(held.back());
                break;
            case Obstacle::Folder:
                ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
                break;
            case Obstacle::None:
                continue;
            }
            expected.push_back(failureMessage(withSlash(folder.path()) + names[i]));
        }

        MessageBoxRecorder recorder;
        capture();
        ++counter;
        held.clear();

        EXPECT_EQ(expected, recorder.texts());
        EXPECT_EQ(counter, Settings.sequenceCounter) << "the counter advances whatever fails";
        for (size_t i = 0; i < names.size(); ++i) {
            SCOPED_TRACE(narrow(names[i]) + " with " + obstacleName(obstacles[i]));
            const std::wstring path = folder.file(names[i]);
            switch (obstacles[i]) {
            case Obstacle::Folder:
                EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
                EXPECT_TRUE(filesIn(path).empty());
                break;
            case Obstacle::None:
                EXPECT_TRUE(wholeImage(path));
                break;
            default:
                EXPECT_EQ(kOldBytes, readBytes(path));
            }
        }
    }

    // The next capture into a good folder writes every file.
    ScratchFolder good(L"good");
    copyText(saveFolder, kPathCapacity, good.path().c_str());
    MessageBoxRecorder recorder;
    capture();
    EXPECT_TRUE(recorder.texts().empty());
    EXPECT_EQ(imageNames(counter + 1), filesIn(good.path()));
    for (const std::wstring& name : imageNames(counter + 1)) {
        EXPECT_TRUE(wholeImage(good.file(name))) << narrow(name);
    }
}

TEST_F(CaptureFaults, SaveFolderDeletedWhileRunningFallsBackAndKeepsCounting) {
    const std::wstring chosen = saveScratch.file(L"chosen");
    ASSERT_TRUE(CreateDirectoryW(chosen.c_str(), nullptr));
    copyText(saveFolder, kPathCapacity, chosen.c_str());
    const std::wstring image = exeScratch.file(L"image");
    const std::wstring fallback = withSlash(image);

    struct Step {
        const char* name;
        std::wstring removeFirst;
        std::vector<std::wstring> messages;
        std::wstring folderAfter;
    } steps[] = {
        {"the chosen folder", L"", {}, chosen},
        {"the chosen folder deleted", chosen, {chosen + kMissingText, fallback + kCreatingText, kResetText}, fallback},
        {"the image folder in use", L"", {}, fallback},
        {"the image folder deleted", image, {fallback + kMissingText, fallback + kCreatingText, kResetText}, fallback},
    };
    int counter = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (!step.removeFirst.empty()) {
            removeTree(step.removeFirst);
            ASSERT_FALSE(fileExists(step.removeFirst));
        }
        MessageBoxRecorder recorder;
        capture();
        ++counter;
        EXPECT_EQ(step.messages, recorder.texts());
        EXPECT_EQ(step.folderAfter, std::wstring(saveFolder));
        EXPECT_EQ(counter, Settings.sequenceCounter);
        for (const std::wstring& name : imageNames(counter)) {
            EXPECT_TRUE(wholeImage(withSlash(step.folderAfter) + name)) << narrow(name);
        }
    }
}

}  // namespace
