// What a capture refuses and what it keeps: windows it cannot show, numbers already taken, long
// save folders; the cursor at its own size; the thread's DPI context while the steps run.
#include <climits>
#include <set>

#include "support.h"
#include "system_calls.h"

namespace {

using Names = std::vector<std::wstring>;
const wchar_t kFree[] = L"mode:free";

std::wstring failed(const std::wstring& path) { return L"\"" + path + L"\"の作成に失敗しました。"; }

// A path of exactly this many characters inside the folder, of components of at most 200 letters.
std::wstring pathOfLength(std::wstring path, size_t length) {
    while (path.size() < length) {
        const size_t left = length - path.size() - 1;  // a last component needs a letter besides its separator
        path += L"\\" + std::wstring(std::min<size_t>(left == 201 ? 199 : 200, left), L'a');
    }
    return path;
}

// std::filesystem cannot remove a folder this long here: file and folders go from the bottom up to the top.
void removeLongFolder(const std::wstring& top, std::wstring folder, const std::wstring& file) {
    DeleteFileW((folder + file).c_str());
    for (; folder.size() > top.size(); folder.resize(folder.rfind(L'\\'))) RemoveDirectoryW(folder.c_str());
}

}  // namespace

// The executable's folder and the save folder are scratch folders; the BMP file only.
class CaptureTargets : public Glimra {
protected:
    void SetUp() override {
        Glimra::SetUp();
        copyText(exeFolder, kPathCapacity, (exe.path + L"\\").c_str());
        copyText(saveFolder, kPathCapacity, save.path.c_str());
        Settings.CONSTANT = 1;
    }
    Scratch exe, save;
};

// Each target is captured as it stands after the wait, never restored.
TEST_F(CaptureTargets, AWindowStillMinimizedOrOnNoScreenIsAFailedCopyWithEveryFileNamedAndNoneWritten) {
    const struct { const char* name; int x, y, width, height; bool minimized, taken; } rows[] = {
        {"partly off the top left", -20, -10, 40, 30, false, true},
        {"above and left of every screen", -5000, -4000, 40, 30, false, false},
        {"minimized", 30, 30, 200, 150, true, false}};
    Settings.USEBG = Settings.JPEGPIC = Settings.PNGPIC = 1;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Scratch folder;
        copyText(saveFolder, kPathCapacity, folder.path.c_str());
        const ScopedWindow window(CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"target",
                                                  (row.minimized ? WS_OVERLAPPEDWINDOW : WS_POPUP) | WS_VISIBLE, row.x,
                                                  row.y, row.width, row.height, nullptr, nullptr, nullptr, nullptr));
        if (row.minimized) ShowWindow(window.get(), SW_MINIMIZE);
        Boxes boxes;
        captureAfterWait(window.get(), kFree, tellCaptureNotice);
        const std::wstring stem = L"img" + std::to_wstring(&row - rows + 1);
        std::vector<std::wstring> messages, names;
        for (const wchar_t* extension : {L".bmp", L".jpg", L".png"}) {
            if (row.taken) names.push_back(stem + extension);
            if (!row.taken) messages.push_back(failed(folder.path + L"\\" + stem + extension));
        }
        boxes.expect(messages, IDI_ERROR, mainWindow);
        EXPECT_EQ(names, namesIn(folder.path));
    }
}

// The files already there hold "old" and keep it; "img42.bmp\" is a folder in the way.
TEST_F(CaptureTargets, NumberedCaptureSkipsEveryNumberThatAFileOfAChosenFormatHasAndAFixedNameIsReplaced) {
    const struct { const char* settings; std::vector<std::wstring> there, written; int counterAfter; } rows[] = {
        {"CONSTANT=1 sequenceCounter=40", {L"img41.bmp", L"img42.bmp\\", L"img44.bmp"}, {L"img43.bmp"}, 43},
        {"JPEGPIC=1 PNGPIC=1 CONSTANT=1 sequenceCounter=4", {L"img5.png", L"img6.jpg", L"img7.bmp"},
         {L"img7.jpg", L"img7.png"}, 7},
        {"CONSTANT=1 NONEIMG=1", {L"1.bmp", L"img2.bmp"}, {L"2.bmp"}, 2},
        {"CONSTANT=1 sequenceCounter=2147483646", {}, {L"img2147483647.bmp"}, INT_MAX},
        {"CONSTANT=1 sequenceCounter=2147483647", {}, {L"img1.bmp"}, 1},  // no name carries a negative number
        {"CONSTANT=1 sequenceCounter=2147483647", {L"img1.bmp", L"img2.bmp"}, {L"img3.bmp"}, 3},
        {"CONSTANT=1 sequenceCounter=-5", {}, {L"img1.bmp"}, 1},
        {"PNGPIC=1 USEBG=1 sequenceCounter=5", {L"img.bmp", L"img.png", L"img1.bmp"}, {L"img.bmp", L"img.png"}, 5}};
    const ScopedWindow subject(CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 30, 30, 40, 30, 0, 0, 0, 0));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.settings);
        Scratch folder;
        std::set<std::wstring> names(row.written.begin(), row.written.end());
        for (const std::wstring& name : row.there) {
            if (name.back() == L'\\') fs::create_directory(folder / name);
            else if (writeFile(folder / name, "old")) names.insert(name);
        }
        copyText(saveFolder, kPathCapacity, folder.path.c_str());
        Settings = settingsOf(row.settings);
        Boxes boxes;
        captureAfterWait(subject.get(), kFree, tellCaptureNotice);
        EXPECT_EQ(std::vector<std::wstring>(names.begin(), names.end()), namesIn(folder.path));
        for (const std::wstring& name : row.written) EXPECT_NE("old", readFile(folder / name)) << utf8(name);
        EXPECT_EQ(row.counterAfter, Settings.sequenceCounter);
    }
}

// Another copy of Glimra sharing the folder takes a name between the search for a free number and
// the file's creation (made here by the seam as the PNG's turn comes), or a link stands at the next
// name or at the fixed one, its target outside the folder: nothing is written through a name that is
// there, and the formats of one capture keep one number.
TEST_F(CaptureTargets, ANameTakenMeanwhileOrALinkThereIsNeverWrittenThroughAndOneCaptureKeepsOneNumber) {
    // A dangling link is listed by no one here: it shows only to test -L.
    const struct { const char* name; int CONSTANT; const wchar_t* taken; const char* link; Names files;
                   int counterAfter; } rows[] = {
        {"taken meanwhile", 1, L"img5.png", nullptr, {L"img5.png", L"img6.bmp", L"img6.jpg", L"img6.png"}, 6},
        {"dangling link at the next number", 1, nullptr, "img5.bmp", {L"img6.bmp", L"img6.jpg", L"img6.png"}, 6},
        {"link at the fixed name", 0, nullptr, "img.bmp", {L"img.bmp", L"img.jpg", L"img.png"}, 4}};
    Settings.USEBG = Settings.JPEGPIC = Settings.PNGPIC = 1;
    const ScopedWindow subject(CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 30, 30, 40, 30, 0, 0, 0, 0));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.link && !underWine()) continue;  // ln -s makes the link
        Scratch folder, outside;
        const std::wstring target = outside / L"target";
        if (row.link && row.CONSTANT == 0) writeFile(target, "theirs");
        if (row.link) runUnix("ln -s " + unixPath(target) + " " + unixPath(folder / wide(row.link)));
        static std::wstring taken;
        taken = row.taken ? folder / row.taken : L"";
        beforeImageFileMade = [](const wchar_t* path) { if (path == taken) writeFile(taken, "theirs"); };
        copyText(saveFolder, kPathCapacity, folder.path.c_str());
        Settings.CONSTANT = row.CONSTANT;
        Settings.sequenceCounter = 4;
        Boxes boxes;
        captureAfterWait(subject.get(), kFree, tellCaptureNotice);
        beforeImageFileMade = nullptr;
        EXPECT_TRUE(boxes.seen.empty());
        EXPECT_EQ(row.files, namesIn(folder.path));
        EXPECT_EQ(row.counterAfter, Settings.sequenceCounter);
        EXPECT_EQ(row.taken ? "theirs" : "", row.taken ? readFile(folder / row.taken) : "");
        EXPECT_EQ(row.link && row.CONSTANT == 0 ? "theirs" : "", readFile(target)) << "written through the link";
        const std::string link = row.link ? unixPath(folder / wide(row.link)) : "";
        EXPECT_EQ(row.link && row.CONSTANT ? "link\n" : "", row.link ? runUnix("test -L " + link + " && echo link; rm -f " + link) : "");
    }
}

// Windows stops its shell's path tests at MAX_PATH (260) characters: a longer folder not found is
// kept and its file named, never swapped for "image\" beside the executable.
TEST_F(CaptureTargets, ALongSaveFolderIsUsedWholeOrRefusedAndNeverSwappedForTheImageFolder) {
    const struct { size_t length; bool made, swapped; } rows[] = {
        {259, false, true}, {260, false, false}, {480, true, false}};
    const std::wstring image = exe.path + L"\\image\\";
    fs::create_directory(image);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.length);
        Scratch place;
        const std::wstring folder = pathOfLength(place.path, row.length);
        const std::wstring file = L"\\img" + std::to_wstring(Settings.sequenceCounter + 1) + L".bmp";
        ASSERT_TRUE(!row.made || fs::create_directories(folder));
        copyText(saveFolder, kPathCapacity, folder.c_str());
        Boxes boxes;
        captureAfterWait(GetDesktopWindow(), L"mode:desktop", tellCaptureNotice);
        std::vector<std::wstring> messages;
        if (row.swapped) messages.push_back(folder + L"が存在しなかったため、保存先を初期化します。");
        if (!row.made && !row.swapped) messages.push_back(failed(folder + file));
        boxes.expect(messages, row.swapped ? IDI_INFORMATION : IDI_ERROR, mainWindow);
        EXPECT_EQ(row.swapped ? image : folder, saveFolder);
        EXPECT_EQ(row.made, fs::exists(folder + file));
        removeLongFolder(place.path, folder, file);
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

std::vector<INT_PTR> contextsSet;  // what the stand-ins below were asked for, in order
DPI_AWARENESS_CONTEXT WINAPI refuseContext(DPI_AWARENESS_CONTEXT context) {
    contextsSet.push_back(reinterpret_cast<INT_PTR>(context));
    return nullptr;
}
DPI_AWARENESS_CONTEXT WINAPI acceptContext(DPI_AWARENESS_CONTEXT context) {
    contextsSet.push_back(reinterpret_cast<INT_PTR>(context));
    return DPI_AWARENESS_CONTEXT_SYSTEM_AWARE;
}

}  // namespace

// -4 is per-monitor aware v2, -2 system aware, the context the thread had before.
TEST(PhysicalPixels, TheThreadIsPerMonitorAwareWhileTheOwnerLivesWhereTheCallIsThereAndAsBeforeElsewhere) {
    const struct { const char* name; SetThreadDpiContextCall call; bool active; std::vector<INT_PTR> set; } rows[] = {
        {"missing", nullptr, false, {}}, {"refusing", refuseContext, false, {-4}},
        {"accepting", acceptContext, true, {-4, -2}}};
    for (const auto& row : rows) {
        contextsSet.clear();
        {
            const ScopedPhysicalPixels physical(row.call);
            EXPECT_EQ(row.active, physical.active()) << row.name;
        }
        EXPECT_EQ(row.set, contextsSet) << row.name;
    }
}
