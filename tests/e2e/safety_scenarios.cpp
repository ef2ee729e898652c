// Where users keep the program: in Downloads beside whatever a browser dropped there, in a folder
// they may not write.
#include "driver.h"

namespace {

// Wine's load order for these DLLs in every Glimra3.exe started while one lives ("native,builtin":
// from disk first, as Windows; "": not at all). A child takes it from the registry, not from the
// environment of the process that starts it.
struct LoadOrder {
    explicit LoadOrder(std::initializer_list<const wchar_t*> names, const std::wstring& order) {
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        for (const wchar_t* name : names)
            RegSetValueExW(key, name, 0, REG_SZ, LPBYTE(order.c_str()), DWORD(order.size() + 1) * 2);
    }
    ~LoadOrder() { RegCloseKey(key), RegDeleteKeyW(HKEY_CURRENT_USER, kKey); }
    LoadOrder(const LoadOrder&) = delete;
    LoadOrder& operator=(const LoadOrder&) = delete;
    static constexpr const wchar_t* kKey = L"Software\\Wine\\AppDefaults\\Glimra3.exe\\DllOverrides";
    HKEY key = nullptr;
};

// A run killed while one lived left its order for every later start: it goes before any test starts one.
const LONG kNoOrderLeft = RegDeleteKeyW(HKEY_CURRENT_USER, LoadOrder::kKey);

}  // namespace

// Windows looks beside the program first for a DLL it imports or loads by name; Wine does so for the
// names it is told to take from disk first. Each planted DLL would leave "<name>.ran" beside itself.
TEST(Safety, NoDllPlantedBesideTheProgramRunsAndWithoutGdiplusCapturesStillWriteBmp) {
    if (!underWine()) GTEST_SKIP() << "Wine's load order stands in for Windows' search";
    const PatternWindow subject(L"被写体", {0, 0, 40, 30}, false);
    Glimra glimra({}, {L"image"});
    for (const wchar_t* name : {L"dwmapi.dll", L"gdiplus.dll", L"windowscodecs.dll"})
        fs::copy_file(besideExe(L"planted.dll"), glimra.path(name));
    {
        const LoadOrder fromDiskFirst({L"dwmapi", L"gdiplus", L"windowscodecs"}, L"native,builtin");
        ASSERT_TRUE(glimra.start());
        glimra.tick({IDC_JPEGPIC, IDC_PNGPIC});
        glimra.capture();
        glimra.captureWindow(L"被写体");
        glimra.expect({});
        EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    }
    EXPECT_EQ((Names{L"Glimra3.exe", L"dirInfo.dat", L"dwmapi.dll", L"gdiplus.dll", L"glimra.ini", L"memo.txt",
                     L"windowscodecs.dll"}), namesIn(glimra.folder)) << "a planted DLL ran";
    EXPECT_EQ((Names{L"img1.bmp", L"img1.jpg", L"img1.png", L"img2.bmp", L"img2.jpg", L"img2.png"}),
              namesIn(glimra.path(L"image")));

    // Without an encoder a capture of JPEG and PNG alone is kept as BMP.
    const LoadOrder noGdiplus({L"gdiplus"}, L"");
    ASSERT_TRUE(glimra.start({error(L"\"gdiplus.dll\"の読み込みに失敗しました。")}));
    glimra.tick({IDC_USEBG}, false);
    glimra.press(IDC_CAPTURE_SCREEN);
    glimra.expect({error(L"\"" + glimra.path(L"image\\img3.jpg") + L"\"の作成に失敗しました。"),
                   error(L"\"" + glimra.path(L"image\\img3.png") + L"\"の作成に失敗しました。")});
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    EXPECT_EQ("BMP3 whole\n", runUnix("f=" + unixPath(glimra.path(L"image\\img3.bmp")) + "; identify -format '%m ' "
                                       "$f && convert -regard-warnings $f null: && echo whole"));
}

namespace {

// A folder made immutable, which even root cannot add a file to, for as long as it lives.
struct Locked {
    explicit Locked(const std::wstring& path) : folder(unixPath(path)) {
        locked = runUnix("chattr +i " + folder + " 2>/dev/null && echo immutable || true") == "immutable\n";
    }
    ~Locked() {
        if (locked) runUnix("chattr -i " + folder);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    std::string folder;
    bool locked = false;
};

// The state files as a user may have them: the save folder as Notepad saves it (with its mark, which
// a store drops), a memo and a counter to store over.
const std::string kNotepadFolder = "\xFF\xFE" + utf16le(L"C:\\shots");
std::vector<std::pair<std::wstring, std::string>> storedState() {
    return {{L"glimra.ini", "[HISTORY]\r\nPICNUM=3\r\n"}, {L"dirInfo.dat", kNotepadFolder}, {L"memo.txt", "old"}};
}

// Quit stores what was set on the state files above: the memo, the folder, a box ticked.
void expectStored(const Glimra& glimra) {
    EXPECT_EQ("new memo", glimra.read(L"memo.txt"));
    EXPECT_EQ(utf16le(L"C:\\shots"), glimra.read(L"dirInfo.dat"));
    EXPECT_EQ("[HISTORY]\r\nPICNUM=3\r\n[MODE]\r\nTRIMING=0\r\nALTER=0\r\nNONESCS=0\r\nJPEGPIC=1\r\n",
              glimra.read(L"glimra.ini").substr(0, 71));
}

void setAndQuit(Glimra& glimra) {
    glimra.setMemo(L"new memo");
    glimra.tick({IDC_JPEGPIC});
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));  // fails on any box
}

}  // namespace

// Program Files as an administrator sets it up: users may write the three state files, and nothing
// else there. Stores write them where they stand; a first start leaves nothing and says nothing.
TEST(Safety, AnInstallFolderThatTakesNoNewFilesStoresItsWritableStateFilesWithoutABox) {
    if (!underWine()) GTEST_SKIP() << "chattr makes the folder";
    Glimra glimra(storedState());
    const Locked locked(glimra.folder);
    if (!locked.locked) GTEST_SKIP() << "chattr +i needs root and a file system that has it";
    ASSERT_TRUE(glimra.start());
    setAndQuit(glimra);
    expectStored(glimra);
    EXPECT_EQ((Names{L"Glimra3.exe", L"dirInfo.dat", L"glimra.ini", L"memo.txt"}), namesIn(glimra.folder));
}

// Hidden and system state files stay so after a store; a link named like a leftover of a store is
// no leftover of ours: the start leaves what it points at.
TEST(Safety, HiddenStateFilesStayHiddenAndALinkNamedLikeALeftoverKeepsItsTarget) {
    if (!underWine()) GTEST_SKIP() << "ln -s makes the link";
    Glimra glimra(storedState());
    const Scratch outside;
    ASSERT_TRUE(writeFile(outside / L"theirs", "theirs"));
    linkTo(glimra.path(L"memo.txt.0000000A.tmp"), outside / L"theirs");
    const std::pair<const wchar_t*, DWORD> hidden[] = {{L"glimra.ini", FILE_ATTRIBUTE_HIDDEN},
                                                       {L"dirInfo.dat", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
                                                       {L"memo.txt", FILE_ATTRIBUTE_HIDDEN}};
    for (const auto& [name, attributes] : hidden) ASSERT_TRUE(SetFileAttributesW(glimra.path(name).c_str(), attributes));
    ASSERT_TRUE(glimra.start());
    EXPECT_EQ("theirs", readFile(outside / L"theirs")) << "a link's target deleted";
    setAndQuit(glimra);
    expectStored(glimra);
    for (const auto& [name, attributes] : hidden) {
        EXPECT_EQ(attributes, GetFileAttributesW(glimra.path(name).c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            << utf8(name);
    }
    EXPECT_TRUE(stillALink(glimra.path(L"memo.txt.0000000A.tmp")));
}

// Glimra3.exe 250 characters deep: no state file has room beside it for a replacement's longer name.
TEST(Safety, AProgramDeepInFoldersStoresAllThreeStateFiles) {
    const Scratch scratch;
    std::wstring folder = scratch.path;
    // Names of 100 until the last, which takes the rest: none is ever empty, whatever the scratch's length.
    for (size_t left; (left = 250 - folder.size() - std::wcslen(L"\\Glimra3.exe")) > 0;) {
        folder += L"\\" + std::wstring(left - 1 > 200 ? 100 : left - 1, L'g');
        ASSERT_TRUE(fs::create_directory(folder));
    }
    fs::copy_file(glimraExe, folder + L"\\Glimra3.exe");
    Glimra glimra(folder + L"\\");
    ASSERT_EQ(250u, glimra.path(L"Glimra3.exe").size());
    for (const auto& [name, bytes] : storedState()) ASSERT_TRUE(writeFile(glimra.path(name), bytes));
    ASSERT_TRUE(glimra.start());
    setAndQuit(glimra);
    expectStored(glimra);
    EXPECT_EQ((Names{L"Glimra3.exe", L"dirInfo.dat", L"glimra.ini", L"memo.txt"}), namesIn(glimra.folder));
}

// Program Files for a standard user; here a folder made immutable, which even root cannot write.
TEST(Safety, AFolderNoOneMayWriteStartsWithoutABoxAndTellsEachStoreThatFailsAtTheEnd) {
    if (!underWine()) GTEST_SKIP() << "chattr makes the folder";
    Glimra glimra;
    const Locked locked(glimra.folder);
    if (!locked.locked) GTEST_SKIP() << "chattr +i needs root and a file system that has it";
    ASSERT_TRUE(glimra.start());  // fails on any box
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT, {kWriteFailed, kWriteFailed, question(L"終了しますか？", IDYES)}));
    EXPECT_EQ(Names{L"Glimra3.exe"}, namesIn(glimra.folder));
}

// A user's file linked (ln -s) at the desktop's Glimra3.lnk keeps its bytes: the shortcut replaces
// the link, and removing the shortcut removes a link there, never what it points to.
TEST(Safety, ALinkAtTheShortcutsNameIsReplacedByTheShortcutAndRemovedButNeverWrittenThroughNorDeleted) {
    if (!underWine()) GTEST_SKIP() << "ln -s makes the link";
    wchar_t desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOP, TRUE);
    const std::wstring link = desktop + std::wstring(L"\\Glimra3.lnk");
    const Scratch outside;
    const std::wstring theirs = outside / L"theirs.txt";
    writeFile(theirs, "theirs");
    auto linkThere = [&] { runUnix("ln -sfn " + unixPath(theirs) + " " + unixPath(link)); };
    linkThere();
    Glimra glimra;
    ASSERT_TRUE(glimra.start());
    glimra.menu(IDM_DESKTOP_SHORTCUT, {information(L"ショートカットの作成に成功しました。")});
    EXPECT_EQ("theirs", readFile(theirs)) << "written through the link";
    const std::string info = runUnix("test -L " + unixPath(link) + " && echo a link; lnkinfo " + unixPath(link));
    EXPECT_EQ(0u, info.find("lnkinfo")) << info;
    EXPECT_NE(std::string::npos, info.find("Local path\t\t\t: " + utf8(glimra.folder) + "Glimra3.exe\n")) << info;
    linkThere();
    glimra.menu(IDM_DESKTOP_SHORTCUT_REMOVE, {{L"Glimra3.lnkを削除してもよろしいですか？", Icon::Information,
                                              {IDYES, IDNO}, IDYES}, information(L"削除に成功しました。")});
    EXPECT_EQ("theirs", readFile(theirs)) << "the link's target deleted";
    EXPECT_EQ("gone\n", runUnix("test -e " + unixPath(link) + " || test -L " + unixPath(link) + " || echo gone"));
    runUnix("rm -f " + unixPath(link));
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
}
