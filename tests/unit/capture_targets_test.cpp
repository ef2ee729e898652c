// What a capture refuses and what it keeps: windows it cannot show, numbers already taken, long
// save folders; the cursor at its own size; the thread's DPI context while the steps run.
#include <climits>

#include "screen_area.h"
#include "support.h"
#include "system_calls.h"

namespace {

const wchar_t kFree[] = L"mode:free";

std::wstring failed(const std::wstring& path) { return L"\"" + path + L"\"の作成に失敗しました。"; }

// A path of exactly this many characters inside the folder, made of components of 'a' and 'b'.
std::wstring pathOfLength(const std::wstring& folder, size_t length) {
    std::wstring path = folder;
    for (wchar_t letter = L'a'; path.size() + 1 < length; letter = letter == L'a' ? L'b' : L'a') {
        size_t taken = std::min<size_t>(200, length - path.size() - 1);
        if (length - path.size() - 1 - taken == 1) --taken;  // a last component needs a letter besides its separator
        path += L"\\" + std::wstring(taken, letter);
    }
    return path;
}

// std::filesystem does not remove a folder this long here: the file system's own calls do, file
// and folders from the bottom up to the top, which stays.
void removeLongFolder(const std::wstring& top, std::wstring folder, const std::wstring& file) {
    DeleteFileW((folder + file).c_str());
    for (; folder.size() > top.size(); folder.resize(folder.rfind(L'\\'))) RemoveDirectoryW(folder.c_str());
}

}  // namespace

// The executable's folder and the save folder are scratch folders; the BMP file only.
class CaptureTargets : public Glimra {
protected:
    void SetUp() override {
        Glimra::SetUp();
        copyText(exeFolder, kPathCapacity, (exe.path + L"\\").c_str());
        copyText(saveFolder, kPathCapacity, save.path.c_str());
        Settings.CONSTANT = 1;
    }
    Scratch exe, save;
};

// Each target is captured without being restored, as it stands after the wait; the screen is the
// rectangle of every screen, so "right of it" is off every screen.
TEST_F(CaptureTargets, AWindowStillMinimizedOrOnNoScreenIsAFailedCopyWithEveryFileNamedAndNoneWritten) {
    const int right = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int bottom = GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const struct { const char* name; RECT rect; bool minimized, taken; } rows[] = {
        {"on the screen", {30, 30, 70, 60}, false, true},
        {"right of every screen", {right + 100, 100, right + 500, 400}, false, false},
        {"below every screen", {100, bottom + 10, 140, bottom + 40}, false, false},
        {"above and left of every screen", {-5000, -4000, -4960, -3970}, false, false},
        {"partly off the top left", {-20, -10, 20, 20}, false, true},
        {"minimized", {30, 30, 230, 180}, true, false}};
    Settings.USEBG = Settings.JPEGPIC = Settings.PNGPIC = 1;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Scratch folder;
        copyText(saveFolder, kPathCapacity, folder.path.c_str());
        const ScopedWindow window(CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"target",
                                                  (row.minimized ? WS_OVERLAPPEDWINDOW : WS_POPUP) | WS_VISIBLE,
                                                  row.rect.left, row.rect.top, row.rect.right - row.rect.left,
                                                  row.rect.bottom - row.rect.top, nullptr, nullptr, nullptr, nullptr));
        if (row.minimized) ShowWindow(window.get(), SW_MINIMIZE);
        ASSERT_EQ(row.minimized, IsIconic(window.get()) != 0);
        Boxes boxes;
        captureAndStore(window.get(), kFree);
        const std::wstring stem = L"img" + std::to_wstring(&row - rows + 1);
        std::vector<std::wstring> messages;
        for (const wchar_t* extension : {L".bmp", L".jpg", L".png"}) {
            if (!row.taken) messages.push_back(failed(folder.path + L"\\" + stem + extension));
        }
        boxes.expect(messages, IDI_ERROR, mainWindow);
        EXPECT_EQ(row.taken ? (std::vector<std::wstring>{stem + L".bmp", stem + L".jpg", stem + L".png"})
                            : std::vector<std::wstring>{},
                  namesIn(folder.path));
    }
}

// The files already there hold "old" and keep it; "img1.bmp\" is a folder in the way.
TEST_F(CaptureTargets, NumberedCaptureSkipsEveryNumberThatAFileOfAChosenFormatHasAndAFixedNameIsReplaced) {
    const struct { int CONSTANT, NONEIMG, USEBG, JPEGPIC, PNGPIC, counter; std::vector<std::wstring> there, written;
                   int counterAfter; } rows[] = {
        {1, 0, 0, 0, 0, 0, {L"img1.bmp"}, {L"img2.bmp"}, 2},
        {1, 0, 0, 0, 0, 0, {L"img1.bmp", L"img2.bmp", L"img4.bmp"}, {L"img3.bmp"}, 3},
        {1, 0, 0, 0, 0, 40, {L"img1.bmp", L"img42.bmp"}, {L"img41.bmp"}, 41},
        {1, 0, 0, 0, 1, 0, {L"img1.bmp", L"img1.jpg"}, {L"img1.png"}, 1},
        {1, 0, 0, 1, 1, 4, {L"img5.png", L"img6.jpg", L"img8.bmp"}, {L"img7.jpg", L"img7.png"}, 7},
        {1, 0, 1, 1, 1, 0, {L"img1.jpg"}, {L"img2.bmp", L"img2.jpg", L"img2.png"}, 2},
        {1, 1, 0, 0, 0, 0, {L"1.bmp", L"img2.bmp"}, {L"2.bmp"}, 2},
        {1, 0, 0, 0, 0, 0, {L"img1.bmp\\"}, {L"img2.bmp"}, 2},
        {1, 0, 0, 0, 0, INT_MAX, {L"img-2147483648.bmp"}, {L"img-2147483647.bmp"}, INT_MIN + 1},
        {0, 0, 0, 0, 0, 5, {L"img.bmp", L"img1.bmp"}, {L"img.bmp"}, 5},
        {0, 1, 0, 0, 1, 5, {L".png"}, {L".png"}, 5}};
    const ScopedWindow subject(CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 30, 30, 40, 30, 0, 0, 0, 0));
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        Scratch folder;
        std::vector<std::wstring> names;
        for (const std::wstring& name : row.there) {
            if (name.back() == L'\\') {
                fs::create_directory(folder / name);
                continue;
            }
            writeFile(folder / name, "old");
            names.push_back(name);
        }
        for (const std::wstring& name : row.written) {
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        copyText(saveFolder, kPathCapacity, folder.path.c_str());
        Settings = {0, 0, 0, 0, row.JPEGPIC, row.PNGPIC, row.CONSTANT, 0, 0, 0, row.NONEIMG, 0, row.USEBG, 0, 0, 0, 0,
                    row.counter};
        Boxes boxes;
        captureAndStore(subject.get(), kFree);
        EXPECT_TRUE(boxes.seen.empty());
        EXPECT_EQ(names, namesIn(folder.path));
        for (const std::wstring& name : names) {
            const bool written = std::find(row.written.begin(), row.written.end(), name) != row.written.end();
            EXPECT_EQ(written, readFile(folder / name) != "old") << utf8(name);
        }
        EXPECT_EQ(row.counterAfter, Settings.sequenceCounter);
    }
}

// Windows stops its shell's path tests at MAX_PATH (260) characters: a folder of 260 characters or
// more that cannot be found is kept and its file named, never swapped for "image\" beside the
// executable; one shorter is missing, as ever.
TEST_F(CaptureTargets, ALongSaveFolderIsUsedWholeOrRefusedAndNeverSwappedForTheImageFolder) {
    const struct { size_t length; bool made, swapped; } rows[] = {
        {259, false, true}, {260, false, false}, {300, true, false}, {300, false, false}, {480, true, false}};
    const std::wstring image = exe.path + L"\\image\\";
    fs::create_directory(image);
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.length << (row.made ? " made" : " missing"));
        Scratch place;
        const std::wstring folder = pathOfLength(place.path, row.length);
        ASSERT_EQ(row.length, folder.size());
        if (row.made) {
            ASSERT_TRUE(fs::create_directories(folder));
        }
        copyText(saveFolder, kPathCapacity, folder.c_str());
        const int number = Settings.sequenceCounter + 1;
        const std::wstring file = L"\\img" + std::to_wstring(number) + L".bmp";
        Boxes boxes;
        captureAndStore(GetDesktopWindow(), L"mode:desktop");
        std::vector<std::wstring> messages;
        if (row.swapped) messages.push_back(folder + L"が存在しなかったため、保存先を初期化します。");
        if (!row.made && !row.swapped) messages.push_back(failed(folder + file));
        boxes.expect(messages, row.swapped ? IDI_INFORMATION : IDI_ERROR, mainWindow);
        EXPECT_EQ(row.swapped ? image : folder, saveFolder);
        EXPECT_EQ(row.made, fs::exists(folder + file));
        EXPECT_EQ(row.swapped, fs::exists(image + file));
        fs::remove(image + file);
        removeLongFolder(place.path, folder, file);
    }
}

// A 64x64 cursor, as the accessibility settings make it, over this process's white window: a
// black block 40 wide and 50 high at (10, 6) of its square, its hot spot at (12, 9).
TEST_F(CaptureTargets, CursorIsDrawnAtItsOwnSizeNotAtTheIconSize) {
    constexpr int kSide = 64, kRowBytes = kSide / 8;
    BYTE andPlane[kRowBytes * kSide], xorPlane[kRowBytes * kSide] = {};
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const bool black = x >= 10 && x < 50 && y >= 6 && y < 56;
            BYTE& bits = andPlane[y * kRowBytes + x / 8];
            bits = static_cast<BYTE>(black ? bits & ~(0x80 >> x % 8) : bits | (0x80 >> x % 8));
        }
    }
    const ScopedIcon cursor(CreateCursor(nullptr, 12, 9, kSide, kSide, andPlane, xorPlane));
    ASSERT_TRUE(cursor);
    const ScopedWindow white(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE |
                                             SS_WHITERECT, 300, 200, 200, 150, nullptr, nullptr, nullptr, nullptr));
    UpdateWindow(white.get());
    SetCursorPos(360, 250);
    SetCursor(cursor.get());
    captureAndStore(white.get(), kFree);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    const std::string bytes = readFile(save / L"img1.bmp");
    ASSERT_EQ(54u + 600 * 150, bytes.size());  // 200 pixels of 3 bytes a row, 150 rows
    std::vector<LONG> dark;  // x and y of every black pixel of the window, top to bottom
    for (LONG y = 0; y < 150; ++y) {
        for (LONG x = 0; x < 200; ++x) {
            if (!bytes.compare(54 + (149 - y) * 600 + 3 * x, 3, "\0\0\0", 3)) dark.insert(dark.end(), {x, y});
        }
    }
    ASSERT_EQ(2u * 40 * 50, dark.size());
    EXPECT_EQ((std::vector<LONG>{58, 47, 97, 96}), (std::vector<LONG>{dark[0], dark[1], dark[dark.size() - 2], dark.back()}));
}

namespace {

std::vector<INT_PTR> contextsSet;  // what the stand-ins below were asked for, in order
DPI_AWARENESS_CONTEXT WINAPI refuseContext(DPI_AWARENESS_CONTEXT context) {
    contextsSet.push_back(reinterpret_cast<INT_PTR>(context));
    return nullptr;
}
DPI_AWARENESS_CONTEXT WINAPI acceptContext(DPI_AWARENESS_CONTEXT context) {
    contextsSet.push_back(reinterpret_cast<INT_PTR>(context));
    return DPI_AWARENESS_CONTEXT_SYSTEM_AWARE;
}

}  // namespace

// -4 is per-monitor aware v2, -2 system aware, the context the thread had before.
TEST(PhysicalPixels, TheThreadIsPerMonitorAwareWhileTheOwnerLivesWhereTheCallIsThereAndAsBeforeElsewhere) {
    const struct { const char* name; SetThreadDpiContextCall call; bool active; std::vector<INT_PTR> set; } rows[] = {
        {"missing", nullptr, false, {}}, {"refusing", refuseContext, false, {-4}},
        {"accepting", acceptContext, true, {-4, -2}}};
    for (const auto& row : rows) {
        contextsSet.clear();
        {
            const ScopedPhysicalPixels physical(row.call);
            EXPECT_EQ(row.active, physical.active()) << row.name;
        }
        EXPECT_EQ(row.set, contextsSet) << row.name;
    }
    // The system's own call, where it has one: the thread's awareness is back as it was.
    using GetContext = DPI_AWARENESS_CONTEXT(WINAPI*)();
    using Awareness = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto getContext = reinterpret_cast<GetContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    const auto awareness = reinterpret_cast<Awareness>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (!findSetThreadDpiContext() || !getContext || !awareness) GTEST_SKIP() << "no thread DPI contexts";
    const DPI_AWARENESS before = awareness(getContext());
    {
        const ScopedPhysicalPixels physical;
        EXPECT_TRUE(!physical.active() || awareness(getContext()) == DPI_AWARENESS_PER_MONITOR_AWARE);
    }
    EXPECT_EQ(before, awareness(getContext()));
}
