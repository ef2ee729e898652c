// What a capture never writes through and where it refuses: a name taken meanwhile, a link, long
// save folders; the thread's DPI context while the steps run.
#include "support.h"
#include "system_calls.h"

using CaptureTargets = Captures;

// Another copy of Glimra sharing the folder takes a name between the search for a free number and the
// file's creation (the seam, at the PNG's turn), or a link to outside stands at the next or the fixed
// name: nothing is written through a name that is there, and one capture's formats keep one number.
TEST_F(CaptureTargets, ANameTakenMeanwhileOrALinkThereIsNeverWrittenThroughAndOneCaptureKeepsOneNumber) {
    // A dangling link is listed by no one here: it shows only to test -L.
    const struct { const char* name; int CONSTANT; const wchar_t* taken; const char* link; Names files;
                   int counterAfter; } rows[] = {
        {"taken meanwhile", 1, L"img5.png", nullptr, {L"img5.png", L"img6.bmp", L"img6.jpg", L"img6.png"}, 6},
        {"dangling link at the next number", 1, nullptr, "img5.bmp", {L"img6.bmp", L"img6.jpg", L"img6.png"}, 6},
        {"link at the fixed name", 0, nullptr, "img.bmp", {L"img.bmp", L"img.jpg", L"img.png"}, 4}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.link && !underWine()) continue;  // ln -s makes the link
        Scratch folder, outside;
        const std::wstring target = outside / L"target";
        if (row.link && row.CONSTANT == 0) writeFile(target, "theirs");
        if (row.link) linkTo(folder / wide(row.link), target);
        static std::wstring taken;
        taken = row.taken ? folder / row.taken : L"";
        beforeImageFileMade = [](const wchar_t* path) { if (path == taken) writeFile(taken, "theirs"); };
        saveInto(folder.path);
        Settings.CONSTANT = row.CONSTANT;
        Settings.sequenceCounter = 4;
        Boxes boxes;
        capture(subject.get());
        beforeImageFileMade = nullptr;
        EXPECT_TRUE(boxes.seen.empty());
        EXPECT_EQ(row.files, namesIn(folder.path));
        EXPECT_EQ(row.counterAfter, Settings.sequenceCounter);
        EXPECT_EQ(row.taken ? "theirs" : "", row.taken ? readFile(folder / row.taken) : "");
        EXPECT_EQ(row.link && row.CONSTANT == 0 ? "theirs" : "", readFile(target)) << "written through the link";
        EXPECT_EQ(row.link && row.CONSTANT, row.link && stillALink(folder / wide(row.link)));
    }
}

// Windows stops its shell's path tests at MAX_PATH (260) characters: a longer folder not found is
// kept and its file named, never swapped for "image\" beside the executable.
TEST_F(CaptureTargets, ALongSaveFolderIsUsedWholeOrRefusedAndNeverSwappedForTheImageFolder) {
    const struct { size_t length; bool made, swapped; } rows[] = {
        {259, false, true}, {260, false, false}, {480, true, false}};
    const std::wstring image = exe.path + L"\\image\\";
    fs::create_directory(image);
    Settings = settingsOf("CONSTANT=1");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.length);
        Scratch place;
        const std::wstring folder = pathOfLength(place.path, row.length);
        const std::wstring file = L"\\img" + std::to_wstring(Settings.sequenceCounter + 1) + L".bmp";
        ASSERT_TRUE(!row.made || fs::create_directories(folder));
        saveInto(folder);
        Boxes boxes;
        capture(GetDesktopWindow(), L"mode:desktop");
        std::vector<std::wstring> messages;
        if (row.swapped) messages.push_back(folder + L"が存在しなかったため、保存先を初期化します。");
        if (!row.made && !row.swapped) messages.push_back(failed(folder + file));
        boxes.expect(messages, {row.swapped ? IDI_INFORMATION : IDI_ERROR}, mainWindow);
        EXPECT_EQ(row.swapped ? image : folder, saveFolder);
        EXPECT_EQ(row.made, fs::exists(folder + file));
    }
}

// The longest image name is "\\img2147483647.jpg", 18 characters: with a terminator, 481 of the
// path's 500 are left to the folder, one more where the folder's own backslash stands for the name's.
TEST(ImagePaths, AFolderIsTakenOnlyWhereItLeavesRoomForTheLongestImageName) {
    const struct { size_t length; bool backslash, room; } rows[] = {
        {481, false, true}, {482, false, false}, {482, true, true}, {483, true, false}};
    for (const auto& row : rows) {
        const std::wstring folder = L"C:" + std::wstring(row.length - 2 - row.backslash, L'a') + (row.backslash ? L"\\" : L"");
        EXPECT_EQ(row.room, leavesRoomForImageNames(folder.c_str())) << row.length << (row.backslash ? " with \\" : "");
    }
}

namespace {

std::vector<INT_PTR> contextsSet;  // what the stand-in below was asked for, in order
DPI_AWARENESS_CONTEXT contextAnswer;
DPI_AWARENESS_CONTEXT WINAPI setContext(DPI_AWARENESS_CONTEXT context) {
    contextsSet.push_back(reinterpret_cast<INT_PTR>(context));
    return contextAnswer;
}

}  // namespace

// -4 is per-monitor aware v2, -2 system aware, the context the thread had before.
TEST(PhysicalPixels, TheThreadIsPerMonitorAwareWhileTheOwnerLivesWhereTheCallIsThereAndAsBeforeElsewhere) {
    const struct { const char* name; SetThreadDpiContextCall call; DPI_AWARENESS_CONTEXT answer; bool active;
                   std::vector<INT_PTR> set; } rows[] = {
        {"missing", nullptr, nullptr, false, {}}, {"refusing", setContext, nullptr, false, {-4}},
        {"accepting", setContext, DPI_AWARENESS_CONTEXT_SYSTEM_AWARE, true, {-4, -2}}};
    for (const auto& row : rows) {
        contextsSet.clear();
        contextAnswer = row.answer;
        {
            const ScopedPhysicalPixels physical(row.call);
            EXPECT_EQ(row.active, physical.active()) << row.name;
        }
        EXPECT_EQ(row.set, contextsSet) << row.name;
    }
}
