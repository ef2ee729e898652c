// Captures of small windows of this process into scratch folders: bytes, names, cursor, failures, leaks.
#include <cstdio>
#include <cstring>

#include "screen_area.h"
#include "support.h"

#include <psapi.h>

namespace {

const wchar_t kFree[] = L"mode:free";

// A BMP file as long as one 40x30 capture; JPEG and PNG files that run to their end markers.
bool whole(const std::wstring& path) {
    const std::string data = readFile(path), end = path[path.size() - 3] == L'j' ? "\xFF\xD9" : "IEND\xAE\x42\x60\x82";
    if (path.substr(path.size() - 4) == L".bmp") return data.size() == 3654;
    return data.size() > end.size() && data.compare(data.size() - end.size(), end.size(), end) == 0;
}

// GDI objects, the thread's windows, handles, KiB of committed private memory. Wine answers 0 for
// GDI objects: its handle table is counted (24-byte entries, type at 14; at 0x94 in the PEB). It
// leaves PrivateUsage at 0 too, but counts private memory as PagefileUsage, as Windows does.
std::vector<unsigned long> usage() {
    unsigned long gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), windows = 0, handles = 0, flags;
    const auto peb = reinterpret_cast<const char* (WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll"), "RtlGetCurrentPeb")));
    const char* table = gdi || !peb ? nullptr : *reinterpret_cast<const char* const*>(peb() + 0x94);
    for (int i = 0; table && i < 0x10000; ++i) gdi += table[i * 24 + 14] != 0;
    for (HWND window : topLevelWindows()) windows += GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
    for (UINT_PTR h = 4; h < 0x10000; h += 4) handles += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags);
    PROCESS_MEMORY_COUNTERS memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    return {gdi, windows, handles, static_cast<unsigned long>(memory.PagefileUsage / 1024)};
}

}  // namespace

// The executable's folder and the save folder are scratch folders; every format is on.
class Captures : public Glimra {
protected:
    void SetUp() override {
        Glimra::SetUp();
        copyText(exeFolder, kPathCapacity, (exe.path + L"\\").c_str());
        copyText(saveFolder, kPathCapacity, save.path.c_str());
        Settings.CONSTANT = Settings.USEBG = Settings.JPEGPIC = Settings.PNGPIC = 1;
    }
    // Captures into the folder: each file, in writing order, is whole, or reported by name and not
    // left cut short (a held file keeps its 3 bytes). Returns how many were reported.
    size_t captureInto(const std::wstring& folder, HWND window) {
        copyText(saveFolder, kPathCapacity, folder.c_str());
        Boxes boxes;
        captureAfterWait(window, kFree, tellCaptureNotice);
        std::vector<std::wstring> reported;
        for (const wchar_t* extension : {L".bmp", L".jpg", L".png"}) {
            const std::wstring number = Settings.CONSTANT ? std::to_wstring(Settings.sequenceCounter) : L"";
            const std::wstring path = folder + (folder.back() == L'\\' ? L"img" : L"\\img") + number + extension;
            if (!whole(path)) reported.push_back(L"\"" + path + L"\"の作成に失敗しました。");
            EXPECT_TRUE(whole(path) || !fs::is_regular_file(path) || fs::file_size(path) == 3) << "cut";
        }
        boxes.expect(reported, IDI_ERROR, mainWindow);
        return reported.size();
    }
    Scratch exe, save;
    ScopedWindow subject{CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 30, 30, 40, 30, 0, 0, 0, 0)};
};

TEST_F(Captures, WritersPutTheBmpHeadersAndPixelBytesAsGivenAndNoFileForAnUnknownType) {
    const struct { int width, height; uint32_t fileSize, imageSize; } rows[] = {
        {2, 2, 70, 16}, {3, 2, 78, 24}, {4, 1, 66, 12}, {1, 1, 58, 4}, {5, 3, 102, 48}, {0, 0, 54, 0}};
    const char pixels[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijkl";
    const std::wstring bmp = save / L"p.bmp";
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height);
        {
            const ScopedFile file(CreateFileW(bmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            EXPECT_EQ(1, writeBmpFile(file.get(), row.width, row.height, pixels));
        }
        const std::string bytes = readFile(bmp);
        ASSERT_EQ(row.fileSize, bytes.size());
        EXPECT_EQ("BM", bytes.substr(0, 2));
        const uint32_t header[] = {row.fileSize, 0, 54, 40, uint32_t(row.width), uint32_t(row.height), 1 | 24 << 16, 0,
                                   row.imageSize, 0, 0, 0, 0};  // from bfSize on; planes and bits share a word
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(header), 52), bytes.substr(2, 52));  // x86: little-endian
        EXPECT_EQ(std::string(pixels, row.imageSize), bytes.substr(54));
    }
    const ScopedGdiObject bitmap(CreateBitmap(2, 2, 1, 24, nullptr));
    const ScopedFile png(CreateFileW((save / L"p.png").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    EXPECT_EQ(0, saveWithEncoder(png.get(), static_cast<HBITMAP>(bitmap.get()), L"image/x-none"));
    EXPECT_EQ(0u, fs::file_size(save / L"p.png"));
}

TEST_F(Captures, NamesAndFilesFollowTheSettings) {
    const struct { const char* settings; int captures, counterAfter; std::vector<std::wstring> files; } rows[] = {
        {"CONSTANT=1 USEBG=1 sequenceCounter=41", 1, 42, {L"img42.bmp"}},
        {"CONSTANT=1 NONEIMG=1 sequenceCounter=6", 1, 7, {L"7.bmp"}},
        {"sequenceCounter=6", 2, 6, {L"img.bmp"}},  // replaced by the second capture, not appended to
        {"NONEIMG=1 sequenceCounter=6", 1, 6, {L".bmp"}},
        {"NONESCS=1 JPEGPIC=1 PNGPIC=1 CONSTANT=1 USEBG=1 sequenceCounter=6", 1, 6, {}},
        {"JPEGPIC=1 CONSTANT=1", 1, 1, {L"img1.jpg"}},
        {"PNGPIC=1 CONSTANT=1", 1, 1, {L"img1.png"}},
        {"JPEGPIC=1 PNGPIC=1 CONSTANT=1", 1, 1, {L"img1.jpg", L"img1.png"}},
        {"JPEGPIC=1 CONSTANT=1 USEBG=1", 1, 1, {L"img1.bmp", L"img1.jpg"}},
        {"PNGPIC=1 CONSTANT=1 USEBG=1", 1, 1, {L"img1.bmp", L"img1.png"}},
        {"JPEGPIC=1 PNGPIC=1 CONSTANT=1 USEBG=1", 1, 1, {L"img1.bmp", L"img1.jpg", L"img1.png"}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.settings);
        Scratch folder;
        copyText(saveFolder, kPathCapacity, folder.path.c_str());
        Settings = settingsOf(row.settings);
        Boxes boxes;
        for (int i = 0; i < row.captures; ++i) captureAfterWait(subject.get(), kFree, tellCaptureNotice);
        EXPECT_EQ(row.files, namesIn(folder.path));
        for (const std::wstring& name : namesIn(folder.path)) EXPECT_TRUE(whole(folder / name));
        EXPECT_EQ(row.counterAfter, Settings.sequenceCounter);
    }
}

// A window black in its top left quarter and white elsewhere, read back from each file by GDI+:
// neither flipped nor mirrored (the BMP file's rows are stored bottom-up, as its header says).
TEST_F(Captures, EveryFormatShowsTheWindowsTopLeftCornerAtItsTopLeft) {
    const ScopedWindow window(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE |
                                              SS_WHITERECT, 600, 400, 40, 30, nullptr, nullptr, nullptr, nullptr));
    CreateWindowW(L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 0, 0, 20, 15, window.get(), 0, 0, 0);
    RedrawWindow(window.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SetCursorPos(0, 0);
    captureAfterWait(window.get(), kFree, tellCaptureNotice);
    for (const wchar_t* name : {L"img1.bmp", L"img1.jpg", L"img1.png"}) {
        Gdiplus::GpBitmap* decoded = nullptr;
        Gdiplus::DllExports::GdipCreateBitmapFromFile((save / name).c_str(), &decoded);
        const ScopedGdiplusImage image(decoded);
        std::string corners;  // clockwise from the top left, each Black or White
        for (const POINT at : {POINT{3, 3}, POINT{36, 3}, POINT{36, 26}, POINT{3, 26}}) {
            Gdiplus::ARGB color = 0;
            Gdiplus::DllExports::GdipBitmapGetPixel(decoded, at.x, at.y, &color);
            corners += (color & 0xFF) < 0x80 ? 'B' : 'W';
        }
        EXPECT_EQ("BWWW", corners) << utf8(name);
    }
}

// A numbered capture passes over names that are there, so a held file and folders in the way hit
// the fixed name; the other faults hit the captures numbered 1 and 3. A good capture follows each.
TEST_F(Captures, EachFileThatCannotBeWrittenIsReportedAndTheNextCaptureWorks) {
    enum Fault { HeldBmp, Folders, WindowGone, LongPath };
    const struct { Fault fault; size_t reported; int counterAfter; } rows[] = {
        {HeldBmp, 1, 1}, {Folders, 3, 2}, {WindowGone, 3, 4}, {LongPath, 3, 6}};
    for (const auto& [fault, reported, counterAfter] : rows) {
        SCOPED_TRACE(fault);
        Scratch bad, good;
        Settings.CONSTANT = fault == HeldBmp || fault == Folders ? 0 : 1;
        const std::wstring stem = bad / (L"img" + (Settings.CONSTANT ? std::to_wstring(Settings.sequenceCounter + 1) : L""));
        std::wstring folder = bad.path;  // up to 491 characters, so that the image path needs 500
        while (fault == LongPath && folder.size() < 491) folder += folder.size() == 490 ? L"\\" : L"\\.";
        for (const wchar_t* ext : {L".bmp", L".jpg", L".png"}) if (fault == Folders) fs::create_directory(stem + ext);
        ASSERT_TRUE(fault != HeldBmp || writeFile(stem + L".bmp", "old"));
        const ScopedFile held = hold(stem + L".bmp");
        HWND window = fault == WindowGone ? CreateWindowW(L"STATIC", L"", 0, 0, 0, 9, 9, 0, 0, 0, 0) : subject.get();
        if (fault == WindowGone) DestroyWindow(window);
        EXPECT_EQ(reported, captureInto(folder, window));
        EXPECT_EQ(fault == HeldBmp ? 3u : 0u, namesIn(bad.path).size());
        Settings.CONSTANT = 1;
        EXPECT_EQ(0u, captureInto(good.path, subject.get()));
        EXPECT_EQ(counterAfter, Settings.sequenceCounter);
    }
}

// The notices are owned by Glimra's window, never by the window being captured.
TEST_F(Captures, MissingSaveFolderFallsBackToTheImageFolderBesideTheExecutable) {
    const std::wstring gone = save / L"gone", image = exe.path + L"\\image\\";
    const LPCWSTR info = IDI_INFORMATION, error = IDI_ERROR;
    // A file named "image" in the way: the folder cannot be made, which is told, not reported as done.
    // With no save folder at all (dirInfo.dat not read) there is none to name: the default folder's steps only.
    const struct { int image; std::wstring folder; std::vector<std::wstring> messages; std::vector<LPCWSTR> icons;
                   std::vector<std::wstring> files; } rows[] = {
        {1, gone, {gone + L"が存在しなかったため、保存先を初期化します。"}, {info}, {L"img1.bmp"}},
        {0, gone, {gone + L"が存在しなかったため、保存先を初期化します。", image + L"が存在しなかったため、新たに作成します。",
                   L"保存先を初期化しました。"}, {info, info, info}, {L"img2.bmp"}},
        {2, gone, {gone + L"が存在しなかったため、保存先を初期化します。", image + L"が存在しなかったため、新たに作成します。",
                   image + L"を作成できませんでした。", L"\"" + image + L"img3.bmp\"の作成に失敗しました。"},
         {info, info, error, error}, {}},
        {0, L"", {image + L"が存在しなかったため、新たに作成します。", L"保存先を初期化しました。"}, {info, info}, {L"img4.bmp"}},
        {1, L"", {}, {}, {L"img5.bmp"}}};
    Settings.JPEGPIC = Settings.PNGPIC = 0;
    const std::wstring folderFile = besideExe(L"dirInfo.dat");
    ASSERT_TRUE(writeFile(folderFile, "kept"));
    ScopedFile held = hold(folderFile);
    EXPECT_EQ(FileRead::Unopened, loadSaveFolder());  // unread at start-up: only a folder the user chooses replaces it
    held.reset();
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        fs::remove_all(exe.path + L"\\image");
        if (row.image == 1) fs::create_directory(image);
        if (row.image == 2) writeFile(exe.path + L"\\image", "");
        copyText(saveFolder, kPathCapacity, row.folder.c_str());
        Boxes boxes;
        captureAfterWait(subject.get(), kFree, tellCaptureNotice);
        boxes.expect(row.messages, row.icons, mainWindow);
        EXPECT_EQ(image, saveFolder);
        EXPECT_EQ(row.files, namesIn(image));
        EXPECT_EQ(1, storeSaveFolder());
        EXPECT_EQ("kept", readFile(folderFile));
    }
}

// The cursor is this process's own, over this process's window: Wine shows no other's. It is a
// black block 16 wide and 18 high at (2, 3) of its 32x32 square, its hot spot at (5, 7); enlarged
// as the accessibility settings make it, 64x64 with a block 40 by 50 at (10, 6), hot spot (12, 9),
// drawn at its own size, not the icon size.
TEST_F(Captures, CursorIsDrawnAtItsOwnSizeAtItsPositionLessItsHotSpotAndTheWindowCorner) {
    BYTE andPlane[512], xorPlane[512] = {};
    for (int i = 0; i < 128; ++i) andPlane[i] = i / 4 >= 3 && i / 4 < 21 ? "\xC0\x00\x3F\xFF"[i % 4] : 0xFF;
    const ScopedIcon cursor(CreateCursor(nullptr, 5, 7, 32, 32, andPlane, xorPlane));
    for (int i = 0; i < 512; ++i) andPlane[i] = i / 8 >= 6 && i / 8 < 56 ? "\xFF\xC0\0\0\0\0\x3F\xFF"[i % 8] : 0xFF;
    const ScopedIcon enlarged(CreateCursor(nullptr, 12, 9, 64, 64, andPlane, xorPlane));
    const ScopedWindow target(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE |
                                             SS_WHITERECT, 300, 200, 200, 150, nullptr, nullptr, nullptr, nullptr));
    UpdateWindow(target.get());
    SetCursorPos(360, 250);
    const struct { HCURSOR cursor; HWND window; const wchar_t* mode; RECT searched; POINT first, last; size_t black; }
        rows[] = {{cursor.get(), target.get(), kFree, {0, 0, 200, 150}, {57, 46}, {72, 63}, 16 * 18},
                  {cursor.get(), GetDesktopWindow(), L"mode:desktop", {300, 200, 500, 350}, {357, 246}, {372, 263}, 16 * 18},
                  {enlarged.get(), target.get(), kFree, {0, 0, 200, 150}, {58, 47}, {97, 96}, 40 * 50}};
    Settings = settingsOf("CONSTANT=1 USEBG=1");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        SetCursor(row.cursor);
        captureAfterWait(row.window, row.mode, tellCaptureNotice);
        const std::string bytes = readFile(save / (L"img" + std::to_wstring(Settings.sequenceCounter) + L".bmp"));
        ASSERT_GT(bytes.size(), 54u);
        uint32_t size[2];  // biWidth and biHeight
        std::memcpy(size, bytes.data() + 18, sizeof(size));
        const size_t stride = (size[0] * 3 + 3) / 4 * 4, bottom = size[1] - 1;
        std::vector<LONG> dark;  // x and y of every black pixel searched, top to bottom
        for (LONG y = row.searched.top; y < row.searched.bottom; ++y) {
            for (LONG x = row.searched.left; x < row.searched.right; ++x) {
                if (!bytes.compare(54 + (bottom - y) * stride + 3 * x, 3, "\0\0\0", 3)) dark.insert(dark.end(), {x, y});
            }
        }
        ASSERT_EQ(2 * row.black, dark.size());
        EXPECT_EQ((std::vector<LONG>{row.first.x, row.first.y, row.last.x, row.last.y}),
                  (std::vector<LONG>{dark[0], dark[1], dark[dark.size() - 2], dark.back()}));
    }
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));  // the test's cursors go with it
}

TEST_F(Captures, TwoHundredCapturesLeaveNoObjectsHandlesOrMemoryBehind) {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));  // drawn into every capture, with the bitmaps that takes
    Boxes boxes;
    captureAfterWait(subject.get(), kFree, tellCaptureNotice);
    const std::vector<unsigned long> first = usage();
    for (int i = 1; i < 200; ++i) captureAfterWait(subject.get(), kFree, tellCaptureNotice);
    const std::vector<unsigned long> last = usage();
    std::printf("[ LEAKS    ] GDI objects, windows, handles, KiB private after capture 1: %lu %lu %lu %lu, after 200: "
                "%lu %lu %lu %lu\n", first[0], first[1], first[2], first[3], last[0], last[1], last[2], last[3]);
    EXPECT_LE(last[3], first[3] + 256);
    EXPECT_EQ(first, (std::vector<unsigned long>{last[0], last[1], last[2], first[3]}));
    EXPECT_EQ(600u, namesIn(save.path).size());
}

// A primary screen of 1280x800, and one with a second screen left of and above it.
TEST(ScreenArea, OnlyThePartOfARegionOnTheScreenIsCopiedToItsPlaceInTheImage) {
    const RECT primary = {0, 0, 1280, 800}, twoScreens = {-1920, -200, 1280, 1024};
    const struct { const char* name; RECT screen; CaptureRegion region; ScreenPart part; } rows[] = {
        {"inside", primary, {100, 50, 200, 100}, {100, 50, 0, 0, 200, 100}},
        {"off the left", primary, {-37, 20, 101, 61}, {0, 20, 37, 0, 64, 61}},
        {"off the top", primary, {20, -23, 101, 61}, {20, 0, 0, 23, 101, 38}},
        {"off the right", primary, {1250, 20, 101, 61}, {1250, 20, 0, 0, 30, 61}},
        {"off the bottom", primary, {20, 780, 101, 61}, {20, 780, 0, 0, 101, 20}},
        {"off the top left", primary, {-37, -23, 101, 61}, {0, 0, 37, 23, 64, 38}},
        {"around the screen", primary, {-10, -5, 1300, 820}, {0, 0, 10, 5, 1280, 800}},
        {"fully off", primary, {-200, -100, 101, 61}, {0, 0, 0, 0, 0, 0}},
        {"touching the edge", primary, {1280, 0, 50, 50}, {0, 0, 0, 0, 0, 0}},
        {"on the second screen", twoScreens, {-1500, -150, 400, 300}, {-1500, -150, 0, 0, 400, 300}},
        {"off the second screen", twoScreens, {-1950, -250, 101, 61}, {-1920, -200, 30, 50, 71, 11}}};
    for (const auto& row : rows) {
        const ScreenPart part = visiblePart(row.region, row.screen);
        EXPECT_EQ((std::vector<int>{row.part.screenLeft, row.part.screenTop, row.part.imageLeft, row.part.imageTop,
                                    row.part.width, row.part.height}),
                  (std::vector<int>{part.screenLeft, part.screenTop, part.imageLeft, part.imageTop, part.width,
                                    part.height})) << row.name;
    }
    EXPECT_FALSE(copyScreen(nullptr, {0, 0, 10, 10})) << "a failed copy counts as done";
}

// Wine reports no frame bounds, so there a framed window's area is its whole rectangle; Windows
// reports the frame inside its invisible borders.
TEST(ScreenArea, WindowAreaIsTheWholeRectangleWhereNoFrameIsReportedAndNoneForAWindowGone) {
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll"), "wine_get_version") != nullptr;
    ScopedWindow popup(CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 30, 40, 50, 60, 0, 0, 0, 0));
    ScopedWindow framed(CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 200, 150, 0, 0, 0, 0));
    HWND gone = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0);
    DestroyWindow(gone);
    const struct { HWND window; bool found; RECT area; } rows[] = {
        {popup.get(), true, {30, 40, 80, 100}}, {framed.get(), true, {100, 80, 300, 230}}, {gone, false, {}}};
    for (const auto& row : rows) {
        if (row.window == framed.get() && !wine) continue;
        RECT area = {};
        EXPECT_EQ(row.found, findWindowArea(row.window, &area)) << &row - rows;
        EXPECT_TRUE(!row.found || EqualRect(&row.area, &area)) << area.left << "," << area.top << " " << &row - rows;
    }
}

TEST(ScreenArea, ChosenWindowIsRestoredOnlyWhenMinimizedAndComesToTheFront) {
    const struct { int shown; bool iconic, zoomed; } rows[] = {
        {SW_MINIMIZE, false, false}, {SW_MAXIMIZE, false, true}, {SW_SHOWNORMAL, false, false}};
    for (const auto& row : rows) {
        ScopedWindow other(CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, 0, 0, 0, 0));
        ScopedWindow chosen(CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW, 10, 10, 200, 150, 0, 0, 0, 0));
        ShowWindow(chosen.get(), row.shown);
        SetForegroundWindow(other.get());
        bringForward(chosen.get());
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        EXPECT_EQ((std::vector<bool>{row.iconic, row.zoomed, true}),
                  (std::vector<bool>{IsIconic(chosen.get()) != 0, IsZoomed(chosen.get()) != 0,
                                     GetForegroundWindow() == chosen.get()})) << row.shown;
    }
}

// fault_drives.sh mounts a full and a read-only file system as drives and names them here. The
// full drive keeps a page free for the second capture: room for its BMP file only.
using FaultDrives = Captures;

TEST_F(FaultDrives, EachFileThatDoesNotFitOrCannotBeWrittenIsReportedAndLeavesNoPartOfIt) {
    wchar_t full[4] = {}, readOnly[4] = {};
    if (GetEnvironmentVariableW(L"GLIMRA_FULL_DRIVE", full, 4) != 2 ||
        GetEnvironmentVariableW(L"GLIMRA_READONLY_DRIVE", readOnly, 4) != 2) {
        GTEST_SKIP() << "no full and read-only drives";
    }
    const std::wstring fullFolder = std::wstring(full) + L"\\";
    ScopedFile filler(CreateFileW((fullFolder + L"f").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::string page(4096, 'f');
    for (DWORD written = 4096; written == 4096 && WriteFile(filler.get(), page.data(), 4096, &written, nullptr);) {}
    const struct { std::wstring folder; LONG room; size_t reported; } rows[] = {
        {fullFolder, 0, 3}, {fullFolder, 4096, 2}, {std::wstring(readOnly) + L"\\", 0, 3}};
    for (const auto& row : rows) {
        SetFilePointer(filler.get(), -row.room, nullptr, FILE_END);
        SetEndOfFile(filler.get());
        EXPECT_EQ(row.reported, captureInto(row.folder, subject.get()));
    }
    // A state file replaced with two pages where one is free keeps its old bytes, and no more files.
    const std::wstring memo = fullFolder + L"memo.txt", lost = std::wstring(readOnly) + L"\\memo.txt";
    SetFilePointer(filler.get(), -8192, nullptr, FILE_END);
    SetEndOfFile(filler.get());
    EXPECT_TRUE(replaceFileWhole(memo.c_str(), "old", 3));
    const std::vector<std::wstring> names = namesIn(fullFolder);
    EXPECT_FALSE(replaceFileWhole(memo.c_str(), std::string(8192, 'n').data(), 8192));
    EXPECT_FALSE(replaceFileWhole(lost.c_str(), "x", 1));
    EXPECT_EQ("old", readFile(memo));
    EXPECT_EQ(names, namesIn(fullFolder));
    EXPECT_EQ(std::vector<std::wstring>{}, namesIn(std::wstring(readOnly) + L"\\"));
    Scratch good;
    EXPECT_EQ(0u, captureInto(good.path, subject.get()));
}
