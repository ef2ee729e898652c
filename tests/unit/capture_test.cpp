// Captures of small windows of this process into scratch folders: the BMP bytes, the names and
// files the settings ask for, the cursor, each failure reported, nothing left behind by many.
#include <climits>
#include <cstdio>

#include "support.h"

namespace {

const wchar_t kFree[] = L"mode:free";

std::wstring failure(const std::wstring& path) { return L"\"" + path + L"\"の作成に失敗しました。"; }

uint32_t le32(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8 |
                                 static_cast<unsigned char>(bytes[at + 2]) << 16 | static_cast<unsigned char>(bytes[at + 3]) << 24);
}

// A BMP file as long as one 40x30 capture; JPEG and PNG files that run to their end markers.
bool whole(const std::wstring& path) {
    const std::string bytes = readBytes(path), end = path[path.size() - 3] == L'j' ? "\xFF\xD9" : "IEND\xAE\x42\x60\x82";
    if (path.substr(path.size() - 4) == L".bmp") return bytes.size() == 3654;
    return bytes.size() > end.size() && bytes.compare(bytes.size() - end.size(), end.size(), end) == 0;
}

BOOL CALLBACK countWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<unsigned long*>(count);
    return TRUE;
}

// GDI objects, the thread's windows, handles and KiB of committed private memory. Wine answers
// GetGuiResources and the like with 0: there its GDI handle table is counted (24-byte entries,
// the type at byte 14; the PEB points to it at byte 0x94), and the handle values that answer.
std::vector<unsigned long> usage() {
    unsigned long gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), windows = 0, handles = 0, bytes = 0;
    const auto peb = reinterpret_cast<const char* (WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll"), "RtlGetCurrentPeb")));
    const char* table = gdi || !peb ? nullptr : *reinterpret_cast<const char* const*>(peb() + 0x94);
    for (int i = 0; table && i < 0x10000; ++i) gdi += table[i * 24 + 14] != 0;
    EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&windows));
    DWORD flags = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        handles += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags);
    }
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof(region)) && at + region.RegionSize > at;
         at += region.RegionSize) {
        bytes += region.State == MEM_COMMIT && region.Type == MEM_PRIVATE ? region.RegionSize : 0;
    }
    return {gdi, windows, handles, bytes / 1024};
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
    // Whatever failed before, a capture into a good folder writes every file and reports nothing.
    void expectNextCaptureWorks() {
        Scratch good;
        copyText(saveFolder, kPathCapacity, good.path.c_str());
        Boxes boxes;
        captureAndStore(subject.get(), kFree);
        const std::wstring stem = L"img" + std::to_wstring(Settings.sequenceCounter);
        EXPECT_EQ((std::vector<std::wstring>{stem + L".bmp", stem + L".jpg", stem + L".png"}), filesIn(good.path));
        for (const std::wstring& name : filesIn(good.path)) EXPECT_TRUE(whole(good / name));
        EXPECT_TRUE(boxes.seen.empty());
    }
    Scratch exe, save;
    OwnedWindow subject{CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", L"subject",
                                        WS_POPUP | WS_VISIBLE, 30, 30, 40, 30, nullptr, nullptr, nullptr, nullptr)};
};

TEST_F(Captures, BmpFileHoldsTheHeadersAndThePixelBytesAsGiven) {
    const struct { int width, height; uint32_t fileSize, imageSize; } rows[] = {
        {2, 2, 70, 16}, {3, 2, 78, 24}, {4, 1, 66, 12}, {1, 1, 58, 4}, {5, 3, 102, 48}, {0, 0, 54, 0}};
    char pixels[48];
    for (int i = 0; i < 48; ++i) pixels[i] = static_cast<char>(i * 7 + 3);
    copyText(outputPath, kPathCapacity, (save / L"p.bmp").c_str());
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height);
        EXPECT_EQ(1, writeBmpFile(row.width, row.height, pixels));
        const std::string bytes = readBytes(outputPath);
        ASSERT_EQ(row.fileSize, bytes.size());
        EXPECT_EQ("BM", bytes.substr(0, 2));
        // From bfSize on: reserved, bfOffBits, biSize, biWidth, biHeight, biPlanes and biBitCount,
        // biCompression, biSizeImage, the resolutions and the colour counts.
        const uint32_t header[] = {row.fileSize, 0, 54, 40, uint32_t(row.width), uint32_t(row.height), 1 | 24 << 16, 0,
                                   row.imageSize, 0, 0, 0, 0};
        for (size_t i = 0; i < 13; ++i) EXPECT_EQ(header[i], le32(bytes, 2 + 4 * i)) << "at " << 2 + 4 * i;
        EXPECT_EQ(std::string(pixels, row.imageSize), bytes.substr(54));
    }
}

TEST_F(Captures, NamesAndFilesFollowTheSettings) {
    const struct { int NONEIMG, CONSTANT, NONESCS, USEBG, JPEGPIC, PNGPIC, counter, captures, counterAfter;
                   std::vector<std::wstring> files; } rows[] = {
        {0, 1, 0, 1, 0, 0, 41, 1, 42, {L"img42.bmp"}},
        {1, 1, 0, 0, 0, 0, 6, 1, 7, {L"7.bmp"}},
        {0, 0, 0, 0, 0, 0, 6, 2, 6, {L"img.bmp"}},  // replaced by the second capture, not appended to
        {1, 0, 0, 0, 0, 0, 6, 1, 6, {L".bmp"}},
        {0, 1, 1, 1, 1, 1, 6, 1, 6, {}},
        {0, 1, 0, 0, 1, 0, 0, 1, 1, {L"img1.jpg"}},
        {0, 1, 0, 0, 0, 1, 0, 1, 1, {L"img1.png"}},
        {0, 1, 0, 0, 1, 1, 0, 1, 1, {L"img1.jpg", L"img1.png"}},
        {0, 1, 0, 1, 1, 0, 0, 1, 1, {L"img1.bmp", L"img1.jpg"}},
        {0, 1, 0, 1, 0, 1, 0, 1, 1, {L"img1.bmp", L"img1.png"}},
        {0, 1, 0, 1, 1, 1, 0, 1, 1, {L"img1.bmp", L"img1.jpg", L"img1.png"}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        Scratch folder;
        copyText(saveFolder, kPathCapacity, folder.path.c_str());
        Settings = {0, 0, 0, row.NONESCS, row.JPEGPIC, row.PNGPIC, row.CONSTANT, 0, 0,
                    0, row.NONEIMG, 0, row.USEBG, 0, 0, 0, 0, row.counter};
        Boxes boxes;
        for (int i = 0; i < row.captures; ++i) captureAndStore(subject.get(), kFree);
        EXPECT_EQ(row.files, filesIn(folder.path));
        for (const std::wstring& name : filesIn(folder.path)) EXPECT_TRUE(whole(folder / name));
        EXPECT_EQ(row.counterAfter, Settings.sequenceCounter);
        EXPECT_TRUE(boxes.seen.empty());
    }
}

// The failure messages come in writing order: .bmp, .jpg, .png.
TEST_F(Captures, EachFileThatCannotBeWrittenIsReportedAndTheNextCaptureWorks) {
    enum Fault { HeldBmp, Folders, WindowGone, LongPath };
    const struct { Fault fault; std::vector<std::wstring> failed, files; } rows[] = {
        {HeldBmp, {L"\\img1.bmp"}, {L"img1.bmp", L"img1.jpg", L"img1.png"}},
        {Folders, {L"\\img3.bmp", L"\\img3.jpg", L"\\img3.png"}, {}},
        {WindowGone, {L"\\img5.bmp", L"\\img5.jpg", L"\\img5.png"}, {}},
        {LongPath, {L"\\img7.bmp", L"\\img7.jpg", L"\\img7.png"}, {}}};  // 500 characters: one too many
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        Scratch bad;
        std::wstring folder = bad.path;
        while (row.fault == LongPath && folder.size() < 491) folder += folder.size() == 490 ? L"\\" : L"\\.";
        for (const std::wstring& name : row.failed) {
            if (row.fault == Folders) fs::create_directory(folder + name);
        }
        ASSERT_TRUE(row.fault != HeldBmp || writeBytes(bad / L"img1.bmp", "old"));
        ScopedFile held(CreateFileW((bad / L"img1.bmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        OwnedWindow gone(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr));
        const HWND window = row.fault == WindowGone ? gone.get() : subject.get();
        gone.reset();
        copyText(saveFolder, kPathCapacity, folder.c_str());
        Boxes boxes;
        captureAndStore(window, kFree);
        held.reset();
        std::vector<std::wstring> messages;
        for (const std::wstring& name : row.failed) messages.push_back(failure(folder + name));
        boxes.expect(messages, IDI_ERROR, mainWindow);
        EXPECT_EQ(row.files, filesIn(bad.path));
        for (const std::wstring& name : row.files) {
            EXPECT_TRUE(name == L"img1.bmp" ? readBytes(bad / name) == "old" : whole(bad / name));
        }
        expectNextCaptureWorks();
    }
}

TEST_F(Captures, MissingSaveFolderFallsBackToTheImageFolderBesideTheExecutable) {
    const std::wstring gone = save / L"gone", image = exe.path + L"\\image\\";
    const struct { bool imageExists; std::vector<std::wstring> messages, files; } rows[] = {
        {true, {gone + L"が存在しなかったため、保存先を初期化します。"}, {L"img1.bmp"}},
        {false, {gone + L"が存在しなかったため、保存先を初期化します。", image + L"が存在しなかったため、新たに作成します。",
                 L"保存先を初期化しました。"}, {L"img2.bmp"}}};
    Settings.JPEGPIC = Settings.PNGPIC = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.imageExists);
        fs::remove_all(image);
        if (row.imageExists) fs::create_directory(image);
        copyText(saveFolder, kPathCapacity, gone.c_str());
        Boxes boxes;
        captureAndStore(subject.get(), kFree);
        boxes.expect(row.messages, IDI_INFORMATION, subject.get());
        EXPECT_EQ(image, saveFolder);
        EXPECT_EQ(row.files, filesIn(image));
    }
}

TEST_F(Captures, UnknownImageTypeWritesNoFile) {
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    ScopedGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    copyText(outputPath, kPathCapacity, (save / L"p.png").c_str());
    EXPECT_EQ(0, saveWithEncoder(static_cast<HBITMAP>(bitmap.get()), L"image/x-none"));
    EXPECT_TRUE(filesIn(save.path).empty());
}

// The cursor is this process's own, over this process's window: Wine shows no other's. It is a
// black block 16 wide and 18 high at (2, 3) of its 32x32 square, its hot spot at (5, 7).
TEST_F(Captures, CursorIsDrawnAtItsPositionLessItsHotSpotAndTheWindowCorner) {
    BYTE andPlane[128], xorPlane[128] = {};
    for (int i = 0; i < 128; ++i) andPlane[i] = i / 4 >= 3 && i / 4 < 21 ? "\xC0\x00\x3F\xFF"[i % 4] : 0xFF;
    const ScopedIcon cursor(CreateCursor(nullptr, 5, 7, 32, 32, andPlane, xorPlane));
    const OwnedWindow target(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE |
                                             SS_WHITERECT, 300, 200, 200, 150, nullptr, nullptr, nullptr, nullptr));
    UpdateWindow(target.get());
    SetCursorPos(360, 250);
    SetCursor(cursor.get());
    CURSORINFO info = {sizeof(info), 0, nullptr, {}};
    ASSERT_TRUE(GetCursorInfo(&info) && info.hCursor == cursor.get() && info.ptScreenPos.x == 360);
    const struct { HWND window; const wchar_t* mode; RECT searched; POINT first, last; } rows[] = {
        {target.get(), kFree, {0, 0, 200, 150}, {57, 46}, {72, 63}},
        {GetDesktopWindow(), L"mode:desktop", {300, 200, 500, 350}, {357, 246}, {372, 263}}};
    Settings = {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        captureAndStore(row.window, row.mode);
        const std::string bytes = readBytes(save / (L"img" + std::to_wstring(Settings.sequenceCounter) + L".bmp"));
        ASSERT_GT(bytes.size(), 54u);
        const size_t stride = (le32(bytes, 18) * 3 + 3) / 4 * 4, bottom = le32(bytes, 22) - 1;
        std::vector<LONG> black;  // x and y of every black pixel searched, top to bottom
        for (LONG y = row.searched.top; y < row.searched.bottom; ++y) {
            for (LONG x = row.searched.left; x < row.searched.right; ++x) {
                if (!bytes.compare(54 + (bottom - y) * stride + 3 * x, 3, "\0\0\0", 3)) black.insert(black.end(), {x, y});
            }
        }
        ASSERT_EQ(2u * 16 * 18, black.size());
        EXPECT_EQ((std::vector<LONG>{row.first.x, row.first.y, row.last.x, row.last.y}),
                  (std::vector<LONG>{black[0], black[1], black[black.size() - 2], black.back()}));
    }
}

TEST_F(Captures, TwoHundredCapturesLeaveNoObjectsHandlesOrMemoryBehind) {
    Boxes boxes;
    captureAndStore(subject.get(), kFree);
    const std::vector<unsigned long> first = usage();
    for (int i = 1; i < 200; ++i) captureAndStore(subject.get(), kFree);
    const std::vector<unsigned long> last = usage();
    std::printf("[ LEAKS    ] after capture 1 and 200: GDI objects %lu and %lu, windows %lu and %lu, handles %lu and "
                "%lu, private memory %lu KiB and %lu KiB\n",
                first[0], last[0], first[1], last[1], first[2], last[2], first[3], last[3]);
    EXPECT_EQ(std::vector<unsigned long>(first.begin(), first.end() - 1),
              std::vector<unsigned long>(last.begin(), last.end() - 1));
    EXPECT_LE(last[3], first[3] + 256);
    EXPECT_EQ(600u, filesIn(save.path).size());
    for (const std::wstring& name : filesIn(save.path)) EXPECT_TRUE(whole(save / name));
    EXPECT_TRUE(boxes.seen.empty());
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
    const std::wstring fullFolder = std::wstring(full) + L"\\shots";
    fs::create_directory(fullFolder);
    ScopedFile filler(CreateFileW((std::wstring(full) + L"\\filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  0, nullptr));
    for (DWORD written = 0; WriteFile(filler.get(), std::string(4096, 'f').data(), 4096, &written, nullptr) &&
                            written == 4096;) {
    }
    const struct { std::wstring folder; LONG room; size_t reported; } rows[] = {
        {fullFolder, 0, 3}, {fullFolder, 4096, 2}, {std::wstring(readOnly) + L"\\shots", 0, 3}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.folder.c_str() << ", room for " << row.room);
        SetFilePointer(filler.get(), -row.room, nullptr, FILE_END);
        SetEndOfFile(filler.get());
        copyText(saveFolder, kPathCapacity, row.folder.c_str());
        Boxes boxes;
        captureAndStore(subject.get(), kFree);
        std::vector<std::wstring> reported;
        for (const wchar_t* extension : {L".bmp", L".jpg", L".png"}) {
            const std::wstring path = row.folder + L"\\img" + std::to_wstring(Settings.sequenceCounter) + extension;
            if (!fs::exists(path)) reported.push_back(failure(path));
            EXPECT_TRUE(!fs::exists(path) || whole(path)) << "cut short";
        }
        boxes.expect(reported, IDI_ERROR, mainWindow);
        EXPECT_EQ(row.reported, reported.size());
    }
    expectNextCaptureWorks();
}
