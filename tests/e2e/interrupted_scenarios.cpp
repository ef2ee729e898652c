// Glimra ended from outside while it writes a capture, as kill -9, Windows ending it or a power cut would.
#include <functional>

#include "driver.h"

namespace {

bool anyNameEndsWith(const Names& names, const std::wstring& end) {
    return std::any_of(names.begin(), names.end(), [&](const std::wstring& name) {
        return name.size() >= end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
    });
}

// The names in the folder that are no temporary ImageMagick cannot decode without a warning, one a line.
std::string notWhole(const std::wstring& folder) {
    return runUnix("cd " + unixPath(folder) + " && for f in *; do case $f in *.tmp) ;; *) convert -regard-warnings "
                   "\"$f\" null: >/dev/null 2>&1 || echo \"$f\";; esac; done");
}

}  // namespace

// Killed the moment a temporary shows, an image name shows or the last format's name shows, numbered
// and not: every file at an image name is whole, and the next start leaves nothing else of Glimra's.
TEST(Interrupted, KilledWhileWritingImagesLeavesOnlyWholeOnesAndTheNextStartRemovesTheRest) {
    if (!underWine()) GTEST_SKIP() << "ImageMagick decodes the images";
    Glimra glimra({}, {L"image"});
    const std::wstring folder = glimra.path(L"image");
    const struct { const char* moment; bool numbered; std::function<bool(const Names&)> reached; } rows[] = {
        {"a temporary shows", true, [](const Names& names) { return anyNameEndsWith(names, L".tmp"); }},
        {"an image name shows", true, [](const Names& names) { return !names.empty() && !anyNameEndsWith(names, L".tmp"); }},
        {"the PNG's name shows", true, [](const Names& names) { return anyNameEndsWith(names, L".png"); }},
        {"a temporary beside the fixed name shows", false,
         [](const Names& names) { return anyNameEndsWith(names, L".tmp"); }}};
    bool temporaryLeft = false;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.moment);
        ASSERT_TRUE(glimra.start());
        glimra.tick({IDC_JPEGPIC, IDC_PNGPIC});
        glimra.tick({IDC_CONSTANT}, row.numbered);
        if (!row.numbered) glimra.capture();  // the fixed names hold a capture already
        const Names before = namesIn(folder);
        glimra.press(IDC_CAPTURE_SCREEN);
        Names added;
        for (const DWORD start = GetTickCount(); glimra.running() && GetTickCount() - start < kBoundMs; Sleep(1)) {
            added.clear();
            for (const std::wstring& name : namesIn(folder))
                if (!std::count(before.begin(), before.end(), name)) added.push_back(name);
            if (row.reached(added)) break;
        }
        glimra.kill();
        EXPECT_TRUE(row.reached(added)) << "the moment never came";
        temporaryLeft = temporaryLeft || anyNameEndsWith(namesIn(folder), L".tmp");
        EXPECT_EQ("", notWhole(folder));
    }
    EXPECT_TRUE(temporaryLeft) << "no kill came while a file was written";
    ASSERT_TRUE(glimra.start());
    EXPECT_FALSE(anyNameEndsWith(namesIn(folder), L".tmp")) << "a temporary left after the start";
    EXPECT_EQ("", notWhole(folder));
    EXPECT_EQ(0u, glimra.end(WM_COMMAND, IDM_QUIT));
}
