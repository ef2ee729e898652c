// Captures taken through Glimra's two buttons, checked against the screen as other programs see
// it: an xwd grab of the X screen, ImageMagick's reading of the JPEG and PNG files.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver.h"
#include "driver_screen.h"
#include "driver_unix.h"
#include "e2e_extra.h"
#include "e2e_files.h"
#include "resources/ids.h"

namespace {

const wchar_t kPickerCaption[] = L"取得可能なプロセス";
const wchar_t kTargetTitle[] = L"Glimra E2E 被写体";
const RECT kTargetRect = {700, 420, 1000, 620};

RECT screenRect() { return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

int widthOf(const RECT& rect) { return rect.right - rect.left; }
int heightOf(const RECT& rect) { return rect.bottom - rect.top; }

void put32(std::string& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// The 54 header bytes of a 24-bit capture of this size.
std::string bmpHeader(int width, int height) {
    uint32_t imageSize = static_cast<uint32_t>((width * 3 + 3) / 4 * 4 * height);
    std::string header = "BM";
    put32(header, 54 + imageSize);
    put32(header, 0);
    put32(header, 54);
    put32(header, 40);
    put32(header, static_cast<uint32_t>(width));
    put32(header, static_cast<uint32_t>(height));
    header += std::string("\x01\x00\x18\x00", 4);
    put32(header, 0);
    put32(header, imageSize);
    for (int i = 0; i < 4; ++i) {
        put32(header, 0);
    }
    return header;
}

// The X screen as xwd grabs it, read back through ImageMagick.
Image grabWithXwd(const GlimraRun& run) {
    std::wstring raw = run.path(L"grab.rgb");
    UnixResult result = runUnix("xwd -root -silent | convert xwd:- -depth 8 rgb:" + shellQuote(unixPath(raw)));
    EXPECT_EQ(0, result.status) << result.output;
    Image image;
    RECT screen = screenRect();
    EXPECT_TRUE(readRawRgb(readBytes(raw), widthOf(screen), heightOf(screen), image));
    return image;
}

Image decodeWithImageMagick(const std::wstring& path, int width, int height) {
    std::wstring raw = path + L".rgb";
    UnixResult result =
        runUnix("convert " + shellQuote(unixPath(path)) + " -depth 8 rgb:" + shellQuote(unixPath(raw)));
    EXPECT_EQ(0, result.status) << result.output;
    Image image;
    EXPECT_TRUE(readRawRgb(readBytes(raw), width, height, image)) << narrow(path);
    return image;
}

std::string identify(const std::wstring& path) {
    UnixResult result = runUnix("identify -format '%m %w %h' " + shellQuote(unixPath(path)));
    EXPECT_EQ(0, result.status) << result.output;
    return result.output;
}

Image readCapture(const std::wstring& path) {
    Image image;
    EXPECT_TRUE(readBmp24(readBytes(path), image)) << narrow(path) << " is not a 24-bit BMP";
    return image;
}

std::vector<std::wstring> listRows(HWND list) {
    std::vector<std::wstring> rows;
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
        LRESULT length = std::max<LRESULT>(SendMessageW(list, LB_GETTEXTLEN, row, 0), 0);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(length));
        rows.push_back(text);
    }
    return rows;
}

// Picks the window titled title in the picker, or cancels the picker when title is empty, and
// gives back the rows the picker listed.
std::vector<std::wstring> pickWindow(GlimraRun& run, const std::wstring& title) {
    HWND picker = run.waitForDialog(kPickerCaption);
    if (!picker) {
        return {};
    }
    HWND list = GetDlgItem(picker, IDC_WINDOW_LIST);
    std::vector<std::wstring> rows = listRows(list);
    if (title.empty()) {
        PostMessageW(picker, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return rows;
    }
    auto chosen = std::find(rows.begin(), rows.end(), title);
    EXPECT_NE(rows.end(), chosen) << "the picker does not list " << narrow(title);
    if (chosen != rows.end()) {
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(chosen - rows.begin()), 0);
    }
    PostMessageW(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(picker, IDOK)));
    return rows;
}

void endWithoutQuestion(GlimraRun& run) {
    run.setChecked(IDC_NONEDIALOG, true);
    run.close();
    EXPECT_EQ(0u, run.waitForExit());
}

}  // namespace

TEST(Capture, WholeScreenMatchesAnIndependentGrabOfTheScreen) {
    GlimraRun run;
    run.makeFolder(L"image");
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    RECT screen = screenRect();
    PatternWindow cover(L"Glimra E2E cover", screen, true);
    ASSERT_TRUE(cover.waitUntilOnScreen());
    // The cursor is drawn into the capture but is not part of the X screen image; its square is
    // left out of the comparison.
    POINT cursor = {screen.right - 200, screen.bottom - 150};
    SetCursorPos(cursor.x, cursor.y);
    RECT cursorSquare = {cursor.x - 32, cursor.y - 32, cursor.x + 32, cursor.y + 32};

    // Grabbed before the capture: once Glimra shows its window again, the X stacking under Wine's
    // virtual desktop may put it above the cover, though Windows' order keeps it below.
    Image grab = grabWithXwd(run);
    ASSERT_EQ(0u, countDifferences(grab, patternImage(widthOf(screen), heightOf(screen)), cursorSquare))
        << "the grab does not show the covering pattern";
    run.press(IDC_CAPTURE_SCREEN);
    ASSERT_TRUE(run.waitUntilIdle());

    std::string bytes = run.readFile(L"image\\img1.bmp");
    int stride = (widthOf(screen) * 3 + 3) / 4 * 4;
    EXPECT_EQ(54u + static_cast<size_t>(stride) * heightOf(screen), bytes.size());
    EXPECT_TRUE(bytes.compare(0, 54, bmpHeader(widthOf(screen), heightOf(screen))) == 0);
    EXPECT_EQ(0u, countDifferences(readCapture(run.path(L"image\\img1.bmp")), grab, cursorSquare));

    endWithoutQuestion(run);
    EXPECT_EQ(settingsFileText(settingsWith({{"PICNUM", 1}, {"NONEDIALOG", 1}})), run.readFile(L"glimra.ini"));
}

TEST(Capture, ChosenWindowIsCapturedWithItsSizeAndPixels) {
    PatternWindow target(kTargetTitle, kTargetRect, false);
    ASSERT_TRUE(target.waitUntilOnScreen());
    GlimraRun run;
    run.makeFolder(L"image");
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    SetCursorPos(20, 780);  // outside the window: no cursor in its capture
    run.setChecked(IDC_JPEGPIC, true);
    run.setChecked(IDC_PNGPIC, true);

    run.press(IDC_CAPTURE_WINDOW);
    std::vector<std::wstring> rows = pickWindow(run, kTargetTitle);
    for (const wchar_t* never : {L"Glimra Ver 3.00", kPickerCaption}) {
        EXPECT_EQ(rows.end(), std::find(rows.begin(), rows.end(), never)) << narrow(never) << " is listed";
    }
    ASSERT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.running());
    EXPECT_EQ(run.mainWindow(), GetForegroundWindow()) << "Glimra comes back to the front after the capture";

    int width = widthOf(kTargetRect);
    int height = heightOf(kTargetRect);
    EXPECT_EQ((std::vector<std::wstring>{L"img1.bmp", L"img1.jpg", L"img1.png"}), namesIn(run.path(L"image")));
    Image bmp = readCapture(run.path(L"image\\img1.bmp"));
    EXPECT_TRUE(run.readFile(L"image\\img1.bmp").compare(0, 54, bmpHeader(width, height)) == 0);
    EXPECT_EQ(0u, countDifferences(bmp, patternImage(width, height)));
    EXPECT_EQ("PNG " + std::to_string(width) + " " + std::to_string(height), identify(run.path(L"image\\img1.png")));
    EXPECT_EQ("JPEG " + std::to_string(width) + " " + std::to_string(height),
              identify(run.path(L"image\\img1.jpg")));
    EXPECT_EQ(0u, countDifferences(decodeWithImageMagick(run.path(L"image\\img1.png"), width, height), bmp));

    endWithoutQuestion(run);
}

// The names and files of one whole-screen capture, by the settings it starts with.
struct NamingCase {
    const char* name;
    std::vector<std::pair<std::string, int>> settings;
    std::vector<std::wstring> files;
    int storedCounter;
};

TEST(Capture, NamesAndFormatsFollowTheCheckBoxes) {
    const NamingCase cases[] = {
        {"defaults", {}, {L"img1.bmp"}, 1},
        {"no prefix, counter 6", {{"NONEIMG", 1}, {"PICNUM", 6}}, {L"7.bmp"}, 7},
        {"unnumbered", {{"CONSTANT", 0}, {"PICNUM", 3}}, {L"img.bmp"}, 3},
        {"unnumbered without prefix", {{"CONSTANT", 0}, {"NONEIMG", 1}, {"PICNUM", 3}}, {L".bmp"}, 3},
        {"JPEG and PNG only", {{"USEBG", 0}, {"JPEGPIC", 1}, {"PNGPIC", 1}}, {L"img1.jpg", L"img1.png"}, 1},
        {"not saved", {{"NONESCS", 1}, {"PICNUM", 41}}, {}, 41},
    };
    for (const NamingCase& c : cases) {
        SCOPED_TRACE(c.name);
        GlimraRun run;
        std::vector<Setting> settings = settingsWith(c.settings);
        run.writeFile(L"glimra.ini", settingsFileText(settings));
        run.makeFolder(L"image");
        run.start();
        ASSERT_TRUE(run.waitUntilShown());
        run.press(IDC_CAPTURE_SCREEN);
        ASSERT_TRUE(run.waitUntilIdle());
        EXPECT_EQ(c.files, namesIn(run.path(L"image")));
        endWithoutQuestion(run);
        for (Setting& setting : settings) {
            if (setting.key == "PICNUM") {
                setting.value = c.storedCounter;
            }
            if (setting.key == "NONEDIALOG") {
                setting.value = 1;
            }
        }
        EXPECT_EQ(settingsFileText(settings), run.readFile(L"glimra.ini"));
    }
}

TEST(Capture, UnnumberedCaptureReplacesTheFileOfTheSameName) {
    GlimraRun run;
    run.writeFile(L"glimra.ini", settingsFileText(settingsWith({{"CONSTANT", 0}})));
    run.makeFolder(L"image");
    run.writeFile(L"image\\img.bmp", std::string(5000000, 'x'));
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.press(IDC_CAPTURE_SCREEN);
    ASSERT_TRUE(run.waitUntilIdle());
    RECT screen = screenRect();
    std::string bytes = run.readFile(L"image\\img.bmp");
    EXPECT_EQ(54u + static_cast<size_t>((widthOf(screen) * 3 + 3) / 4 * 4) * heightOf(screen), bytes.size());
    EXPECT_TRUE(bytes.compare(0, 54, bmpHeader(widthOf(screen), heightOf(screen))) == 0);
    endWithoutQuestion(run);
}

// A save folder that is gone: the messages in order, where the image goes, what is stored.
struct MissingFolderCase {
    const char* name;
    bool storedFolder;  // dirInfo.dat names a folder that is gone; otherwise the default is used
    bool imageFolder;   // the "image" folder beside the executable exists
};

TEST(Capture, MissingSaveFolderFallsBackToTheImageFolder) {
    const MissingFolderCase cases[] = {
        {"stored folder gone, image folder present", true, true},
        {"stored folder and image folder gone", true, false},
        {"default image folder not made yet", false, false},
    };
    for (const MissingFolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        GlimraRun run;
        std::wstring gone = run.exeFolder() + L"gone";
        std::wstring image = run.exeFolder() + L"image\\";
        if (c.storedFolder) {
            run.writeFile(L"dirInfo.dat", utf16Bytes(gone));
        }
        if (c.imageFolder) {
            run.makeFolder(L"image");
        }
        run.start();
        ASSERT_TRUE(run.waitUntilShown());
        run.press(IDC_CAPTURE_SCREEN);
        std::vector<ExpectedBox> boxes = {
            information((c.storedFolder ? gone : image) + L"が存在しなかったため、保存先を初期化します。")};
        if (!c.imageFolder) {
            boxes.push_back(information(image + L"が存在しなかったため、新たに作成します。"));
            boxes.push_back(information(L"保存先を初期化しました。"));
        }
        run.expectBoxes(boxes);
        ASSERT_TRUE(run.waitUntilIdle());
        EXPECT_EQ(std::vector<std::wstring>{L"img1.bmp"}, namesIn(run.path(L"image")));
        endWithoutQuestion(run);
        EXPECT_EQ(utf16Bytes(image), run.readFile(L"dirInfo.dat"));
    }
}

TEST(Capture, NotSavingStillChecksTheFolderButKeepsTheCounter) {
    GlimraRun run;
    run.writeFile(L"glimra.ini", settingsFileText(settingsWith({{"PICNUM", 41}})));
    run.writeFile(L"dirInfo.dat", utf16Bytes(run.exeFolder() + L"gone"));
    run.makeFolder(L"image");
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.setChecked(IDC_NONESCS, true);
    run.press(IDC_CAPTURE_SCREEN);
    run.expectBoxes({information(run.exeFolder() + L"goneが存在しなかったため、保存先を初期化します。")});
    ASSERT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.mainWindowVisible());
    EXPECT_TRUE(namesIn(run.path(L"image")).empty());
    endWithoutQuestion(run);
    EXPECT_EQ(settingsFileText(settingsWith({{"PICNUM", 41}, {"NONESCS", 1}, {"NONEDIALOG", 1}})),
              run.readFile(L"glimra.ini"));
}

TEST(Capture, AutomaticEndAfterACaptureStoresCounterFolderAndMemo) {
    GlimraRun run;
    run.makeFolder(L"image");
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.setChecked(IDC_AUTOEND, true);
    run.setMemo(kMemoText);
    run.press(IDC_CAPTURE_SCREEN);
    EXPECT_EQ(0u, run.waitForExit());
    EXPECT_EQ(std::vector<std::wstring>{L"img1.bmp"}, namesIn(run.path(L"image")));
    EXPECT_EQ(settingsFileText(settingsWith({{"PICNUM", 1}, {"AUTOEND", 1}})), run.readFile(L"glimra.ini"));
    EXPECT_EQ(utf16Bytes(run.exeFolder() + L"image\\"), run.readFile(L"dirInfo.dat"));
    EXPECT_EQ(kShiftJisMemo, run.readFile(L"memo.txt"));
}

TEST(Capture, CancelledPickerCapturesNothingAndKeepsRunningEvenWithAutomaticEnd) {
    PatternWindow target(kTargetTitle, kTargetRect, false);
    ASSERT_TRUE(target.waitUntilOnScreen());
    GlimraRun run;
    run.makeFolder(L"image");
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.setChecked(IDC_AUTOEND, true);

    run.press(IDC_CAPTURE_WINDOW);
    pickWindow(run, L"");
    ASSERT_TRUE(run.waitUntilIdle());
    EXPECT_TRUE(run.running());
    EXPECT_TRUE(run.mainWindowVisible());
    EXPECT_TRUE(namesIn(run.path(L"image")).empty());

    run.press(IDC_CAPTURE_WINDOW);
    pickWindow(run, kTargetTitle);
    EXPECT_EQ(0u, run.waitForExit());
    EXPECT_EQ(std::vector<std::wstring>{L"img1.bmp"}, namesIn(run.path(L"image")));
    EXPECT_EQ(settingsFileText(settingsWith({{"PICNUM", 1}, {"AUTOEND", 1}})), run.readFile(L"glimra.ini"));
}
