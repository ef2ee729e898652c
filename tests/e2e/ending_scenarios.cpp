// One copy per folder whatever path started it, and an ending that asks before it loses what it
// could not store.
#include "driver.h"

namespace {

Box question(const std::wstring& text, int answer) { return {text, Icon::Question, {IDYES, IDNO}, answer}; }
Box error(const std::wstring& text) { return {text, Icon::Error}; }

// A drive letter onto a folder, as subst makes one; Wine's drives are links in its prefix, and it
// takes no subst.
class MappedDrive {
public:
    explicit MappedDrive(const std::wstring& folder) {
        if (!underWine()) {
            const DWORD taken = GetLogicalDrives();
            for (wchar_t free = L'Q'; free <= L'Y' && letter.empty(); ++free) {
                const std::wstring name = {free, L':'};
                if (!(taken & (1u << (free - L'A'))) && DefineDosDeviceW(0, name.c_str(), folder.c_str())) letter = name;
            }
            return;
        }
        devices_ = "$(dirname $(realpath " + unixPath(L"C:\\") + "))/dosdevices";
        const std::string free = runUnix("for l in q r s t u v w x y; do [ -e " + devices_ + "/$l: ] || [ -L " +
                                         devices_ + "/$l: ] || { ln -s " + unixPath(folder) + " " + devices_ +
                                         "/$l: && echo $l && break; }; done");
        if (free.size() == 2) letter = wide(free.substr(0, 1)) + L":";
    }
    ~MappedDrive() {
        if (letter.empty()) return;
        if (!underWine()) DefineDosDeviceW(DDD_REMOVE_DEFINITION, letter.c_str(), nullptr);
        else runUnix("rm " + devices_ + "/" + utf8(letter.substr(0, 1)) + ":");
    }
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;
    std::wstring letter;  // "Q:"; empty when none could be made

private:
    std::string devices_;
};

}  // namespace

// Another drive letter, Wine's unix path and a copy under Explorer's name for it all reach the
// folder of the running copy: each start brings that copy's window back and ends, and it alone runs.
// The letter is mapped first: Wine names a folder's volume after the drive nearest to it.
TEST(SecondStart, ByAnotherDriveLetterOrARenamedCopyInTheFolderHandsOverToTheRunningCopy) {
    Glimra glimra({}, {L"image"});
    fs::copy_file(glimraExe, glimra.path(L"Glimra3 - コピー.exe"));
    const MappedDrive drive(glimra.folder);
    ASSERT_TRUE(glimra.start());
    EXPECT_FALSE(drive.letter.empty()) << "no drive letter could be mapped";
    std::vector<std::wstring> starts = {glimra.path(L"Glimra3 - コピー.exe")};
    if (!drive.letter.empty()) starts.push_back(drive.letter + L"\\Glimra3.exe");
    if (underWine()) {
        const std::string unix = runUnix("realpath " + unixPath(glimra.path(L"Glimra3.exe")));
        std::wstring spelt = L"Z:" + wide(unix.substr(0, unix.size() - 1));
        std::replace(spelt.begin(), spelt.end(), L'/', L'\\');
        starts.push_back(spelt);
    }
    for (const std::wstring& exe : starts) {
        SCOPED_TRACE(utf8(exe));
        ShowWindow(glimra.main, SW_MINIMIZE);
        DWORD secondId = 0, code = 1;
        ScopedHandle second = launch(L"\"" + exe + L"\"", nullptr, &secondId);
        ASSERT_TRUE(second);
        EXPECT_TRUE(WaitForSingleObject(second.get(), kBoundMs) == WAIT_OBJECT_0 &&
                    GetExitCodeProcess(second.get(), &code) && code == 0);
        EXPECT_EQ(std::vector<HWND>{glimra.main}, windowsOf(0, L"GLIMRA3", true)) << "two copies run";
        TerminateProcess(second.get(), 1);  // a second copy left running would write into the folder
        EXPECT_TRUE(IsWindowVisible(glimra.main) && !IsIconic(glimra.main)) << "not brought back";
    }
    glimra.capture();
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    EXPECT_EQ(std::vector<std::wstring>{L"img1.bmp"}, namesIn(glimra.path(L"image")));
}

// A store that fails at an ending the user is there for is followed by the question; No keeps the
// program as it was, the typed memo too, so the file can be freed and the ending tried again.
TEST(FailedStore, AtAnEndingAsksWhetherToEndAndNoKeepsTheWindowAndTheMemoUntilItIsStored) {
    Glimra glimra({{L"glimra.ini", "[HISTORY]\r\nPICNUM=41\r\n"}, {L"memo.txt", "old memo"}}, {L"image"});
    ASSERT_TRUE(glimra.start());
    glimra.setMemo(L"typed memo");
    ASSERT_TRUE(SetFileAttributesW(glimra.path(L"memo.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    glimra.menu(IDM_QUIT, {error(L"メモの保存に失敗しました。"), question(L"終了しますか？", IDNO)});
    EXPECT_TRUE(glimra.running() && IsWindowVisible(glimra.main));
    EXPECT_EQ(L"typed memo", glimra.memo());
    EXPECT_EQ("old memo", glimra.read(L"memo.txt"));
    SetFileAttributesW(glimra.path(L"memo.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        // The end after a capture asks as well; the capture's number stays in the record.
        ScopedFile held = hold(glimra.path(L"glimra.ini"));
        glimra.tick({IDC_AUTOEND});
        glimra.press(IDC_CAPTURE_SCREEN);
        glimra.expect({error(L"ファイルの書き込みに失敗しました。"), question(L"終了しますか？", IDNO)});
        EXPECT_TRUE(glimra.running() && IsWindowVisible(glimra.main));
        EXPECT_EQ(L"typed memo", glimra.memo());
    }
    glimra.tick({IDC_AUTOEND}, false);
    EXPECT_EQ(0u, glimra.end(WM_CLOSE, 0, {question(L"終了しますか？", IDYES)}));
    EXPECT_EQ("typed memo", glimra.read(L"memo.txt"));
    EXPECT_EQ("[HISTORY]\r\nPICNUM=42\r\n", glimra.read(L"glimra.ini").substr(0, 22));
    EXPECT_EQ(std::vector<std::wstring>{L"img42.bmp"}, namesIn(glimra.path(L"image")));
}
