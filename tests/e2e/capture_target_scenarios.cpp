// A window capture that cannot show its window, the numbering after a reset, and what the
// program's manifest asks of Windows.
#include <cstring>

#include "driver.h"

namespace {

const std::vector<std::wstring> kFirstOnly = {L"img1.bmp"};

}  // namespace

// img1.bmp is taken first; the window off every screen costs number 2 and writes nothing; after the
// reset the next capture passes over img1.bmp and takes the free number 2.
TEST(CaptureTargets, AWindowOffEveryScreenIsReportedAndAfterAResetTheNextFreeNumberIsTaken) {
    const int right = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    PatternWindow away(L"画面外", {right + 100, 100, right + 500, 400}, false);
    Glimra glimra({}, {L"image"});
    ASSERT_TRUE(glimra.start());
    glimra.capture();
    ASSERT_EQ(kFirstOnly, namesIn(glimra.path(L"image")));
    const std::string first = glimra.read(L"image\\img1.bmp");

    glimra.press(IDC_CAPTURE_WINDOW);
    const std::vector<std::wstring> rows = glimra.pick(L"画面外");
    EXPECT_EQ(1, std::count(rows.begin(), rows.end(), L"画面外"));
    glimra.expect({{L"\"" + glimra.path(L"image\\\\img2.bmp") + L"\"の作成に失敗しました。", Icon::Error}});
    EXPECT_EQ(kFirstOnly, namesIn(glimra.path(L"image")));

    glimra.menu(IDM_RESET_SEQUENCE, {{L"リセットしました。", Icon::Information}});
    glimra.capture();
    EXPECT_EQ((std::vector<std::wstring>{L"img1.bmp", L"img2.bmp"}), namesIn(glimra.path(L"image")));
    EXPECT_EQ(first, glimra.read(L"image\\img1.bmp"));
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
    EXPECT_EQ("[HISTORY]\r\nPICNUM=2\r\n", glimra.read(L"glimra.ini").substr(0, 21));
}

// Windows reads these from the exe's manifest; Wine heeds none of them, so they are read here.
TEST(Manifest, AsksForLongPathsBesideSystemDpiAwarenessCommonControlsAndTheInvokersRights) {
    const ScopedModule exe(LoadLibraryExW(glimraExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(exe);
    HRSRC found = FindResourceW(exe.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_TRUE(found);
    const char* text = static_cast<const char*>(LockResource(LoadResource(exe.get(), found)));
    const std::string manifest(text ? text : "", text ? SizeofResource(exe.get(), found) : 0);
    for (const char* element :
         {"<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>",
          "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
          "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
          "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"}) {
        const size_t at = manifest.find(element);
        EXPECT_NE(std::string::npos, at) << element;
        // Both settings belong inside windowsSettings, where Windows looks for them.
        if (std::strstr(element, "Aware ") && at != std::string::npos) {
            EXPECT_LT(manifest.find("<windowsSettings>"), at) << element;
            EXPECT_GT(manifest.find("</windowsSettings>"), at) << element;
        }
    }
}
