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
    EXPECT_EQ((Names{L"Glimra3.exe", L"dirInfo.dat", L"dwmapi.dll", L"gdiplus.dll", L"glimra.ini",
                     L"windowscodecs.dll"}), namesIn(glimra.folder)) << "a planted DLL ran";
    EXPECT_EQ((Names{L"img1.bmp", L"img1.jpg", L"img1.png", L"img2.bmp", L"img2.jpg", L"img2.png"}),
              namesIn(glimra.path(L"image")));

    const LoadOrder noGdiplus({L"gdiplus"}, L"");
    ASSERT_TRUE(glimra.start({error(L"\"gdiplus.dll\"の読み込みに失敗しました。")}));
    glimra.press(IDC_CAPTURE_SCREEN);
    glimra.expect({error(L"\"" + glimra.path(L"image\\img3.jpg") + L"\"の作成に失敗しました。"),
                   error(L"\"" + glimra.path(L"image\\img3.png") + L"\"の作成に失敗しました。")});
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    EXPECT_EQ(std::string("BM"), glimra.read(L"image\\img3.bmp").substr(0, 2));
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
