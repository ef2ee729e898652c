// Captures of small windows of this process into scratch folders: bytes, names, cursor, failures, leaks.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <set>

#include "screen_area.h"
#include "support.h"

#include <psapi.h>
#include <winternl.h>

namespace {

// The process environment block as far as the GDI handle table, as Windows and Wine lay it out
// (winternl.h): its pointer-sized fields put the table at 0x94 in a 32-bit process, at 0xF8 in a
// 64-bit one.
struct ProcessBlock {
    BYTE flags[4];
    void *mutant, *imageBase, *loaderData, *parameters, *subSystemData, *processHeap, *pebLock, *atlThunks, *ifeoKey;
    ULONG crossProcessFlags;
    void* kernelCallbackTable;
    ULONG reserved, atlThunks32;
    void* apiSetMap;
    ULONG tlsExpansionCounter;
    void* tlsBitmap;
    ULONG tlsBitmapBits[2];
    void *sharedMemoryBase, *sharedData, *staticServerData, *ansiCodePage, *oemCodePage, *caseTable;
    ULONG processors, globalFlag;
    LARGE_INTEGER criticalSectionTimeout;
    SIZE_T heapSegmentReserve, heapSegmentCommit, heapDecommitTotal, heapDecommitBlock;
    ULONG heaps, maximumHeaps;
    void *processHeaps, *gdiHandleTable;
};
static_assert(offsetof(ProcessBlock, gdiHandleTable) == (sizeof(void*) == 8 ? 0xF8 : 0x94), "not the documented layout");

// One entry of that table, alike in both builds; a live object has a type.
struct GdiHandleEntry {
    UINT64 object;
    ULONG owner;
    USHORT unique;
    BYTE type, flags;
    UINT64 userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "not the documented entry");
constexpr int kGdiHandleEntries = 0x10000;

// GDI objects by the documented call, which Wine answers with 0: there by the process's handle table.
unsigned long gdiObjects() {
    unsigned long count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    using QueryCall = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    const bool found = !count && query && query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic),
                                                nullptr) >= 0 && basic.PebBaseAddress;
    const auto* block = reinterpret_cast<const ProcessBlock*>(basic.PebBaseAddress);
    const auto* table = found ? static_cast<const GdiHandleEntry*>(block->gdiHandleTable) : nullptr;
    for (int i = 0; table && i < kGdiHandleEntries; ++i) count += table[i].type != 0;
    return count;
}

// GDI objects, the thread's windows, handles, KiB of private memory (PagefileUsage: Wine has no PrivateUsage).
std::vector<unsigned long> usage() {
    unsigned long windows = 0, handles = 0, flags;
    for (HWND window : topLevelWindows()) windows += GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
    for (UINT_PTR h = 4; h < 0x10000; h += 4) handles += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags);
    PROCESS_MEMORY_COUNTERS memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    return {gdiObjects(), windows, handles, static_cast<unsigned long>(memory.PagefileUsage / 1024)};
}

}  // namespace

TEST_F(Captures, WritersPutTheBmpHeadersAndPixelBytesAsGivenAndNoFileForAnUnknownType) {
    const struct { int width, height; uint32_t fileSize, imageSize; } rows[] = {
        {2, 2, 70, 16}, {3, 2, 78, 24}, {4, 1, 66, 12}, {1, 1, 58, 4}, {5, 3, 102, 48}, {0, 0, 54, 0}};
    const char pixels[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijkl";
    const std::wstring bmp = save / L"p.bmp";
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height);
        EXPECT_EQ(1, writeBmpFile(ScopedFile(CreateFileW(bmp.c_str(), GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0)).get(),
                                  row.width, row.height, pixels));  // closed before it is read
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

// The files there hold "old": a numbered capture passes over every number a file of a chosen format
// has ("img42.bmp\\" is a folder in the way) and after the largest starts again at 1; a fixed name
// is replaced whole. Without a format chosen the BMP file is written.
TEST_F(Captures, NamesAndFilesFollowTheSettingsAndNoNumberTakenIsWrittenOver) {
    const struct { const char* settings; Names there, written; int counterAfter; } rows[] = {
        {"CONSTANT=1 USEBG=1 sequenceCounter=41", {}, {L"img42.bmp"}, 42},
        {"CONSTANT=1 NONEIMG=1 sequenceCounter=6", {}, {L"7.bmp"}, 7},
        {"NONEIMG=1 sequenceCounter=6", {}, {L".bmp"}, 6},
        {"NONESCS=1 JPEGPIC=1 PNGPIC=1 CONSTANT=1 USEBG=1 sequenceCounter=6", {}, {}, 6},
        {"JPEGPIC=1 CONSTANT=1", {}, {L"img1.jpg"}, 1}, {"PNGPIC=1 CONSTANT=1", {}, {L"img1.png"}, 1},
        {"JPEGPIC=1 PNGPIC=1 CONSTANT=1", {}, {L"img1.jpg", L"img1.png"}, 1},
        {"JPEGPIC=1 CONSTANT=1 USEBG=1", {}, {L"img1.bmp", L"img1.jpg"}, 1},
        {"PNGPIC=1 CONSTANT=1 USEBG=1", {}, {L"img1.bmp", L"img1.png"}, 1},
        {"JPEGPIC=1 PNGPIC=1 CONSTANT=1 USEBG=1", {}, {L"img1.bmp", L"img1.jpg", L"img1.png"}, 1},
        {"CONSTANT=1 sequenceCounter=40", {L"img41.bmp", L"img42.bmp\\", L"img44.bmp"}, {L"img43.bmp"}, 43},
        {"JPEGPIC=1 PNGPIC=1 CONSTANT=1 sequenceCounter=4", {L"img5.png", L"img6.jpg", L"img7.bmp"},
         {L"img7.jpg", L"img7.png"}, 7},
        {"CONSTANT=1 NONEIMG=1", {L"1.bmp", L"img2.bmp"}, {L"2.bmp"}, 2},
        {"CONSTANT=1 sequenceCounter=2147483646", {}, {L"img2147483647.bmp"}, 2147483647},
        {"CONSTANT=1 sequenceCounter=2147483647", {}, {L"img1.bmp"}, 1},  // no name carries a negative number
        {"CONSTANT=1 sequenceCounter=2147483647", {L"img1.bmp", L"img2.bmp"}, {L"img3.bmp"}, 3},
        {"CONSTANT=1 sequenceCounter=-5", {}, {L"img1.bmp"}, 1},
        {"PNGPIC=1 USEBG=1 sequenceCounter=5", {L"img.bmp", L"img.png", L"img1.bmp"}, {L"img.bmp", L"img.png"}, 5}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.settings);
        Scratch folder;
        std::set<std::wstring> files(row.written.begin(), row.written.end());  // all the folder holds after
        for (const std::wstring& name : row.there) {
            if (name.back() == L'\\') fs::create_directory(folder / name);
            else if (writeFile(folder / name, "old")) files.insert(name);
        }
        saveInto(folder.path);
        Settings = settingsOf(row.settings);
        Boxes boxes;
        capture(subject.get());
        EXPECT_EQ(Names(files.begin(), files.end()), namesIn(folder.path));
        for (const std::wstring& name : files) {
            const bool written = std::count(row.written.begin(), row.written.end(), name) != 0;
            EXPECT_TRUE(written ? whole(folder / name) : readFile(folder / name) == "old") << utf8(name);
        }
        EXPECT_EQ(row.counterAfter, Settings.sequenceCounter);
    }
}

// A held file and folders in the way hit the fixed name: a numbered capture passes over them. A window
// gone, still minimized after the wait or on no screen is a failed copy, never a black picture.
TEST_F(Captures, EachFileThatCannotBeWrittenIsReportedAndTheNextCaptureWorks) {
    enum Fault { HeldBmp, Folders, LongPath, WindowGone, Minimized, OffEveryScreen, PartlyOffTopLeft };
    // Each row starts at number 0: a numbered capture takes a number even where it fails, then the good one.
    const struct { Fault fault; size_t reported, left; int counterAfter; } rows[] = {
        {.fault = HeldBmp, .reported = 1, .left = 3, .counterAfter = 1},
        {.fault = Folders, .reported = 3, .left = 0, .counterAfter = 1},
        {.fault = LongPath, .reported = 3, .left = 0, .counterAfter = 2},
        {.fault = WindowGone, .reported = 3, .left = 0, .counterAfter = 2},
        {.fault = Minimized, .reported = 3, .left = 0, .counterAfter = 2},
        {.fault = OffEveryScreen, .reported = 3, .left = 0, .counterAfter = 2},
        {.fault = PartlyOffTopLeft, .reported = 0, .left = 3, .counterAfter = 2}};
    for (const auto& [fault, reported, left, counterAfter] : rows) {
        SCOPED_TRACE(fault);
        Scratch bad, good;
        Settings.sequenceCounter = 0;
        Settings.CONSTANT = fault == HeldBmp || fault == Folders ? 0 : 1;
        const std::wstring stem = bad / (L"img" + (Settings.CONSTANT ? std::to_wstring(Settings.sequenceCounter + 1) : L""));
        // 491 characters in steps of "\\.", after a folder of three whatever the scratch name's length, so
        // that the image path needs 500, one more than fits; a trailing backslash would make it fit.
        std::wstring folder = bad.path;
        if (fault == LongPath && (491 - folder.size()) % 2) fs::create_directory(folder += L"\\ff");
        while (fault == LongPath && folder.size() < 491) folder += L"\\.";
        for (const wchar_t* ext : {L".bmp", L".jpg", L".png"}) if (fault == Folders) fs::create_directory(stem + ext);
        ASSERT_TRUE(fault != HeldBmp || writeFile(stem + L".bmp", "old"));
        const ScopedFile held = hold(stem + L".bmp");
        const POINT at = fault == OffEveryScreen     ? POINT{-5000, -4000}
                         : fault == PartlyOffTopLeft ? POINT{-20, -10} : POINT{30, 30};
        ScopedWindow window(CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_VISIBLE | (fault == Minimized ?
                                            WS_OVERLAPPEDWINDOW : WS_POPUP), at.x, at.y, 40, 30, 0, 0, 0, 0));
        const HWND target = window.get();
        if (fault == Minimized) ShowWindow(target, SW_MINIMIZE);
        if (fault == WindowGone) window.reset();
        EXPECT_EQ(reported, captureInto(folder, target));
        EXPECT_EQ(left, namesIn(bad.path).size());
        Settings.CONSTANT = 1;
        EXPECT_EQ(0u, captureInto(good.path, subject.get()));
        EXPECT_EQ(counterAfter, Settings.sequenceCounter);
    }
}

// The notices are owned by Glimra's window, never by the window being captured.
TEST_F(Captures, MissingSaveFolderFallsBackToTheImageFolderBesideTheExecutable) {
    const std::wstring gone = save / L"gone", image = exe.path + L"\\image\\";
    const std::wstring reset = gone + L"が存在しなかったため、保存先を初期化します。",
                       making = image + L"が存在しなかったため、新たに作成します。", made = L"保存先を初期化しました。";
    const LPCWSTR info = IDI_INFORMATION, error = IDI_ERROR;
    // A file named "image" in the way: the folder cannot be made, which is told, not reported as done.
    // With no save folder at all (dirInfo.dat not read) there is none to name: the default folder's steps only.
    enum Image { Missing, Folder, FileInTheWay };
    const struct { Image image; std::wstring folder; Names messages; std::vector<LPCWSTR> icons; Names files; } rows[] = {
        {Folder, gone, {reset}, {info}, {L"img1.bmp"}},
        {Missing, gone, {reset, making, made}, {info, info, info}, {L"img2.bmp"}},
        {FileInTheWay, gone, {reset, making, image + L"を作成できませんでした。", failed(image + L"img3.bmp")},
         {info, info, error, error}, {}},
        {Missing, L"", {making, made}, {info, info}, {L"img4.bmp"}}, {Folder, L"", {}, {}, {L"img5.bmp"}}};
    Settings.JPEGPIC = Settings.PNGPIC = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        fs::remove_all(exe.path + L"\\image");
        if (row.image == Folder) fs::create_directory(image);
        if (row.image == FileInTheWay) writeFile(exe.path + L"\\image", "");
        saveInto(row.folder);
        Boxes boxes;
        capture(subject.get());
        boxes.expect(row.messages, row.icons, mainWindow);
        EXPECT_EQ(image, saveFolder);
        EXPECT_EQ(row.files, namesIn(image));
    }
}

// The cursor is this process's own, over this process's window: Wine shows no other's. A black block
// 16x18 at (2, 3) of its 32x32 square, hot spot (5, 7); enlarged as the accessibility settings make
// it, 64x64 with a block 40x50 at (10, 6), hot spot (12, 9). Each format, read back by GDI+, shows
// it in place: neither flipped nor mirrored (the BMP file's rows are stored bottom-up).
TEST_F(Captures, CursorIsDrawnAtItsOwnSizeAtItsPositionLessItsHotSpotAndTheWindowCornerInEachFormat) {
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
    for (const auto& row : rows) {
        SetCursor(row.cursor);
        capture(row.window, row.mode);
        for (const wchar_t* extension : {L".bmp", L".jpg", L".png"}) {
            SCOPED_TRACE(utf8(row.mode + std::wstring(L" ") + extension));
            Gdiplus::GpBitmap* decoded = nullptr;
            Gdiplus::DllExports::GdipCreateBitmapFromFile(
                (save / (L"img" + std::to_wstring(Settings.sequenceCounter) + extension)).c_str(), &decoded);
            const ScopedGdiplusImage image(decoded);
            std::vector<LONG> dark;  // x and y of every black pixel searched, top to bottom
            for (LONG y = row.searched.top; y < row.searched.bottom; ++y) {
                for (LONG x = row.searched.left; x < row.searched.right; ++x) {
                    Gdiplus::ARGB color = 0xFFFFFF;
                    Gdiplus::DllExports::GdipBitmapGetPixel(decoded, x, y, &color);
                    if ((color & 0xFF) < 0x80) dark.insert(dark.end(), {x, y});
                }
            }
            ASSERT_EQ(2 * row.black, dark.size());
            EXPECT_EQ((std::vector<LONG>{row.first.x, row.first.y, row.last.x, row.last.y}),
                      (std::vector<LONG>{dark[0], dark[1], dark[dark.size() - 2], dark.back()}));
        }
    }
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));  // the test's cursors go with it
}

TEST_F(Captures, TwoHundredCapturesLeaveNoObjectsHandlesOrMemoryBehind) {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));  // drawn into every capture, with the bitmaps that takes
    Boxes boxes;
    capture(subject.get());
    const std::vector<unsigned long> first = usage();
    for (int i = 1; i < 200; ++i) capture(subject.get());
    const std::vector<unsigned long> last = usage();
    std::printf("[ LEAKS    ] GDI objects, windows, handles, KiB private after capture 1: %lu %lu %lu %lu, after 200: "
                "%lu %lu %lu %lu\n", first[0], first[1], first[2], first[3], last[0], last[1], last[2], last[3]);
    // A count read as 0 compares nothing: each is there, the capture's window and bitmaps among them.
    for (size_t i = 0; i < first.size(); ++i) EXPECT_NE(0u, first[i]) << "count " << i << " read as 0";
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
    auto fields = [](const ScreenPart& p) {
        return std::vector<int>{p.screenLeft, p.screenTop, p.imageLeft, p.imageTop, p.width, p.height};
    };
    for (const auto& row : rows) EXPECT_EQ(fields(row.part), fields(visiblePart(row.region, row.screen))) << row.name;
    EXPECT_FALSE(copyScreen(nullptr, {0, 0, 10, 10})) << "a failed copy counts as done";
}

// Restoring only a minimized window, and a maximized one left so, are seen end to end.
TEST(ScreenArea, ChosenWindowComesToTheFront) {
    const ScopedWindow chosen(
        CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 150, 0, 0, 0, 0));
    const ScopedWindow other(CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, 0, 0, 0, 0));
    SetForegroundWindow(other.get());
    bringForward(chosen.get());
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_TRUE(GetForegroundWindow() == chosen.get() && !IsIconic(chosen.get()) && !IsZoomed(chosen.get()));
}

// fault_drives.sh mounts a full and a read-only file system as drives and names them here. The
// full drive keeps a page free for the second capture: room for its BMP file only.
using FaultDrives = Captures;

TEST_F(FaultDrives, EachFileThatDoesNotFitOrCannotBeWrittenIsReportedAndLeavesNoPartOfIt) {
    const wchar_t *full = _wgetenv(L"GLIMRA_FULL_DRIVE"), *readOnly = _wgetenv(L"GLIMRA_READONLY_DRIVE");
    if (!full || !readOnly) GTEST_SKIP() << "no full and read-only drives";
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
    const Names names = namesIn(fullFolder);
    EXPECT_FALSE(replaceFileWhole(memo.c_str(), std::string(8192, 'n').data(), 8192));
    EXPECT_FALSE(replaceFileWhole(lost.c_str(), "x", 1));
    EXPECT_EQ("old", readFile(memo));
    EXPECT_EQ(names, namesIn(fullFolder));
    EXPECT_EQ(Names{}, namesIn(std::wstring(readOnly) + L"\\"));
    Scratch good;
    EXPECT_EQ(0u, captureInto(good.path, subject.get()));
}
