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
    EXPECT_EQ((Names{L"Glimra3.exe", L"dirInfo.dat", L"dwmapi.dll", L"gdiplus.dll", L"glimra.ini",
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

// Program Files for a standard user; here a folder made immutable, which even root cannot write.
TEST(Safety, AFolderNoOneMayWriteStartsWithoutABoxAndTellsEachStoreThatFailsAtTheEnd) {
    if (!underWine()) GTEST_SKIP() << "chattr makes the folder";
    Glimra glimra;
    const std::string folder = unixPath(glimra.folder);
    if (runUnix("chattr +i " + folder + " 2>/dev/null && echo immutable || true") != "immutable\n")
        GTEST_SKIP() << "chattr +i needs root and a file system that has it";
    const struct Writable {
        ~Writable() { runUnix("chattr -i " + folder); }
        std::string folder;
    } writableAgain{folder};
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
