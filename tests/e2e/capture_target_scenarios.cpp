// What the program's manifest asks of Windows; Wine heeds none of it, so it is read here.
#include <cstring>

#include "driver.h"

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
