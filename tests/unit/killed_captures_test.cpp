// What captures killed while writing leave, and how the next capture clears it; save folders too
// long for an image's name, chosen or reset to.
#include <shlobj.h>

#include "capture.h"
#include "folder_chooser.h"
#include "ids.h"
#include "staged_file.h"
#include "support.h"

using KilledCaptures = Captures;

// Only exactly the names a capture gives its temporaries go, and only regular files no one holds:
// another copy writing into the same folder keeps its file, as does a link's target (Wine's links
// read as the files they point at). The capture that clears them is written as always.
TEST_F(KilledCaptures, TheNextCaptureRemovesOnlyGlimrasOwnTemporariesNoneAnotherCopyIsWritingNorALink) {
    Scratch outside;
    const Names removed = {L".bmp.ABCDEF01.tmp", L"7.jpg.00000000.tmp", L"img.png.FFFFFFFF.tmp",
                           L"img1.bmp.0123ABCD.tmp", L"img2147483647.jpg.12345678.tmp"};
    const Names kept = {L"img1.bmp.0123ABC.tmp", L"img1.bmp.0123ABCD.tmp.bak", L"img1.bmp.89abcdef.tmp",
                        L"img1.bmp.tmp", L"img1.gif.0123ABCD.tmp", L"img12345678901.bmp.0123ABCD.tmp",
                        L"notes.tmp", L"photo.bmp.0123ABCD.tmp"};
    for (const Names* names : {&removed, &kept})
        for (const std::wstring& name : *names) writeFile(save / name, "cut");
    ASSERT_TRUE(fs::create_directory(save / L"img3.bmp.0123ABCD.tmp"));
    // A capture of another copy writing into the same folder, its temporary held as it holds it.
    StagedFile writing = StagedFile::beside((save / L"img4.png").c_str());
    ASSERT_TRUE(writing);
    Names expected = kept;
    expected.push_back(L"img4.png");
    if (underWine()) {
        writeFile(outside / L"theirs.txt", "theirs");
        linkTo(save / L"img5.bmp.0123ABCD.tmp", outside / L"theirs.txt");
        expected.push_back(L"img5.bmp.0123ABCD.tmp");
    }
    Settings = settingsOf("JPEGPIC=1 PNGPIC=1 CONSTANT=1 USEBG=1");
    Boxes boxes;
    capture(subject.get());
    EXPECT_TRUE(boxes.seen.empty());
    // A file marked for deletion could still be written, but never moved, and would go when closed.
    EXPECT_TRUE(writing.putAt((save / L"img4.png").c_str(), false)) << "the other copy's capture lost";
    writing.keep();
    for (const wchar_t* image : {L"img1.bmp", L"img1.jpg", L"img1.png"}) {
        EXPECT_TRUE(whole(save / image)) << utf8(image);
        expected.push_back(image);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, namesIn(save.path));
    EXPECT_TRUE(fs::is_directory(save / L"img3.bmp.0123ABCD.tmp")) << "a folder removed";
    EXPECT_EQ(underWine() ? "theirs" : "", readFile(outside / L"theirs.txt")) << "deleted through the link";
    EXPECT_EQ(underWine(), underWine() && stillALink(save / L"img5.bmp.0123ABCD.tmp"));
}

namespace {

// The folder the stand-in for the shell confirms; one that does not fit is refused as Windows'
// SHGetPathFromIDListEx refuses it.
std::wstring chosenByTheDialog;
FolderChoice confirmChosenFolder(BROWSEINFOW*, wchar_t* path) {
    return copyText(path, kPathCapacity, chosenByTheDialog.c_str()) ? FolderChoice::Chosen : FolderChoice::TooLong;
}

// A folder of exactly this many characters inside another, of components of at most 200 letters;
// std::filesystem cannot remove one this long here.
std::wstring folderOfLength(std::wstring path, size_t length) {
    while (path.size() < length) {
        const size_t left = length - path.size() - 1;
        path += L"\\" + std::wstring(std::min<size_t>(left == 201 ? 199 : 200, left), L'a');
    }
    return path;
}

}  // namespace

// A chosen folder too long for the chooser's 500 characters, one too long for the longest image name
// (481 is the most), and a default folder too deep: each told, the save folder kept. The shell is
// stood in for: Wine's dialog selects no folder of 300 characters or more.
TEST_F(Captures, AFolderTooLongForImageNamesIsToldWhenChosenOrResetToAndTheSaveFolderKept) {
    const std::wstring tooLong = L"保存先のパスが長すぎます。";
    const struct { const char* name; int command; size_t chosen, exeFolder; bool taken; } rows[] = {
        {"chosen, 480 characters", IDM_CHANGE_FOLDER, 480, 0, true},
        {"chosen, 482 characters", IDM_CHANGE_FOLDER, 482, 0, false},
        {"chosen, 520 characters", IDM_CHANGE_FOLDER, 520, 0, false},
        {"reset, executable's folder 475 characters", IDM_RESET_FOLDER, 0, 475, true},
        {"reset, executable's folder 486 characters", IDM_RESET_FOLDER, 0, 486, false}};
    const auto shell = askShellForFolder;
    askShellForFolder = confirmChosenFolder;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Scratch place;
        chosenByTheDialog = row.chosen ? folderOfLength(place.path, row.chosen) : L"";
        ASSERT_TRUE(!row.chosen || fs::create_directories(chosenByTheDialog));
        const std::wstring exeAt = row.exeFolder ? folderOfLength(place.path, row.exeFolder - 1) + L"\\" : exeFolder;
        ASSERT_TRUE(!row.exeFolder || fs::create_directories(exeAt));
        copyText(exeFolder, kPathCapacity, exeAt.c_str());
        saveInto(save.path);
        Boxes boxes;
        handleCommand(mainWindow, row.command, 0);
        const std::wstring now = saveFolder, wanted = row.command == IDM_RESET_FOLDER ? exeAt + L"image\\" : chosenByTheDialog;
        EXPECT_EQ(row.taken ? wanted : save.path, now);
        if (!row.taken) boxes.expect({tooLong}, {IDI_ERROR}, mainWindow);
        EXPECT_EQ(row.taken && row.command == IDM_RESET_FOLDER, fs::exists(exeAt + L"image")) << "made";
        for (std::wstring folder : {chosenByTheDialog, exeAt + L"image", exeAt.substr(0, exeAt.size() - 1)})
            for (; folder.size() > place.path.size(); folder.resize(folder.rfind(L'\\'))) RemoveDirectoryW(folder.c_str());
    }
    askShellForFolder = shell;
}
