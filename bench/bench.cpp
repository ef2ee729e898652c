// The capture benchmark, run under Wine by scripts/benchmark.sh: a capture's steps timed on the
// program's own code in rounds, each ended with "ready.n" in the handshake folder and a wait for the
// script's "done.n", so the grabbers it times in between share the machine's other load alike; then
// Glimra3.exe measured from outside. "SAMPLE <key> <ms>" is one timed run (the script takes medians).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "capture.h"
#include "ids.h"
#include "image_writers.h"
#include "save_folder.h"
#include "scoped.h"
#include "settings.h"
#include "text.h"

namespace {

using Path = std::filesystem::path;

void print(const char* kind, const std::string& key, double value) {
    std::printf("%s %s %.3f\n", kind, key.c_str(), value);
    std::fflush(stdout);
}

// A figure taken after a step that failed would mean nothing: the run stops.
void require(bool done, const char* what) {
    if (!done) {
        std::printf("FAILED %s\n", what);
        std::exit(1);
    }
}

double nowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double fileBytes(const Path& path) {  // -1 when there is no such file
    return static_cast<double>(std::ifstream(path, std::ios::binary | std::ios::ate).tellg());
}

// In MiB. Wine leaves PrivateUsage at 0 and puts the private (anonymous) memory in PagefileUsage,
// which is what Windows counts there too.
double privateMegabytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    require(GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters)),
            "GetProcessMemoryInfo");
    return static_cast<double>(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage) / 1048576.0;
}

// The untimed first run loads what the first call loads.
void timeStep(const char* key, int repeats, bool warmUp, const std::function<bool()>& step) {
    require(!warmUp || step(), key);
    for (int i = 0; i < repeats; ++i) {
        const double start = nowMs();
        require(step(), key);
        print("SAMPLE", key, nowMs() - start);
    }
}

// How far the process's private memory rose at its highest during the step, sampled on a thread.
double growthDuring(HANDLE process, DWORD pauseMs, const char* what, const std::function<bool()>& step) {
    std::atomic<bool> running{true};
    const double before = privateMegabytes(process);
    double peak = before;
    std::thread sampler([&] {
        for (; running; Sleep(pauseMs)) {
            peak = std::max(peak, privateMegabytes(process));
        }
    });
    const bool done = step();
    running = false;
    sampler.join();
    require(done, what);
    return peak - before;
}

// Keeps the scenery painted while the benchmark waits.
void pumpMessagesFor(double milliseconds) {
    MSG message;
    for (const double end = nowMs() + milliseconds; nowMs() < end;) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

UINT32 nextRandom(UINT32& state) {
    state ^= state << 13;
    state ^= state >> 17;
    return state ^= state << 5;
}

void fillRect(HDC dc, const RECT& rect, COLORREF colour) {
    ScopedGdiObject brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
}

void drawLine(HDC dc, COLORREF colour, const wchar_t* text, RECT rect, UINT format) {
    SetTextColor(dc, colour);
    DrawTextW(dc, text, -1, &rect, DT_SINGLELINE | DT_NOPREFIX | format);
}

// Flat windows with a title bar, a shadow and lines of Japanese and English text; a task bar.
void paintWindows(HDC dc, int width, int height) {
    constexpr int kWindows = 4, kTextLines = 14;
    const wchar_t* lines[] = {L"画面全体を取得 — 任意のウィンドウを取得",
                              L"保存先: C:\\Users\\glimra\\Pictures\\screenshots\\img42.png",
                              L"The quick brown fox jumps over the lazy dog. 0123456789",
                              L"連番を付ける / JPEG でも保存する / PNG でも保存する",
                              L"memo: 会議資料の図を差し替えること (2024-05-17 14:32)"};
    const int lineHeight = height / 60 + 6;
    ScopedGdiObject font(CreateFontW(-(lineHeight - 4), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH,
                                     L"MS UI Gothic"));
    ScopedSelection selection(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < kWindows; ++i) {
        const int left = width / 12 + i * width / 5, top = height / 10 + i * height / 9;
        const int right = left + width * 2 / 5, bottom = top + lineHeight * (kTextLines + 3);
        fillRect(dc, {left + 6, top + 6, right + 6, bottom + 6}, RGB(40, 40, 48));
        fillRect(dc, {left, top, right, bottom}, RGB(250, 250, 248));
        fillRect(dc, {left, top, right, top + lineHeight + 8}, RGB(36, 92, 170 - i * 20));
        drawLine(dc, RGB(255, 255, 255), L"Glimra Ver 3.00", {left + 8, top + 4, right - 8, top + lineHeight + 8}, 0);
        for (int line = 0; line < kTextLines; ++line) {
            drawLine(dc, RGB(20, 20, 24), lines[(line + i) % ARRAYSIZE(lines)],
                     {left + 12, top + lineHeight * (line + 2), right - 12, top + lineHeight * (line + 3)},
                     DT_END_ELLIPSIS);
        }
    }
    fillRect(dc, {0, height - lineHeight * 2, width, height}, RGB(32, 34, 40));
    drawLine(dc, RGB(230, 230, 230), L"14:32  2024/05/17",
             {width - lineHeight * 8, height - lineHeight * 2, width - 8, height}, DT_VCENTER | DT_RIGHT);
}

// The screen every grabber captures, the same in every run, with a desktop's smooth, noisy and flat
// areas: a photo-like backdrop (colour fields blended bilinearly, waves, grain) under windows of text.
HBITMAP paintScenery(int width, int height) {
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    ScopedGdiObject picture(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    require(picture && bits && dc, "no memory for the scenery");
    constexpr int kColumns = 16, kRows = 9, kGrain = 7;
    UINT32 seed = 0x2545F491u;
    int field[(kRows + 1) * (kColumns + 1) * 3];
    for (int& channel : field) {
        channel = 40 + static_cast<int>(nextRandom(seed) % 176);
    }
    const auto at = [&](int row, int column, int c) { return field[(row * (kColumns + 1) + column) * 3 + c]; };
    for (int y = 0; y < height; ++y) {
        const double fy = static_cast<double>(y) * kRows / height, ty = fy - static_cast<int>(fy);
        const int row = static_cast<int>(fy), waveY = static_cast<int>(18.0 * std::sin(y * 0.011));
        for (int x = 0; x < width; ++x) {
            const double fx = static_cast<double>(x) * kColumns / width, tx = fx - static_cast<int>(fx);
            const int column = static_cast<int>(fx);
            UINT32 pixel = 0;
            for (int c = 0; c < 3; ++c) {
                const double top = at(row, column, c) * (1 - tx) + at(row, column + 1, c) * tx;
                const double bottom = at(row + 1, column, c) * (1 - tx) + at(row + 1, column + 1, c) * tx;
                const int grain = static_cast<int>(nextRandom(seed) % kGrain) - kGrain / 2;
                const int value = static_cast<int>(top * (1 - ty) + bottom * ty) + waveY * (c - 1) + grain;
                pixel |= static_cast<UINT32>(std::min(255, std::max(0, value))) << (8 * c);
            }
            static_cast<UINT32*>(bits)[static_cast<size_t>(y) * width + x] = pixel;
        }
    }
    const ScopedSelection selection(dc.get(), picture.get());
    paintWindows(dc.get(), width, height);
    return static_cast<HBITMAP>(picture.release());
}

struct WindowTraits {
    static HWND none() { return nullptr; }
    static void free(HWND window) { DestroyWindow(window); }
};

using Draw = void (*)(HDC, const CaptureRegion&);

// A capture bitmap as the program makes one, in a memory DC of its own.
struct CaptureBitmap {
    explicit CaptureBitmap(const CaptureRegion& region)
        : dc(CreateCompatibleDC(nullptr)), bitmap(dc ? createCaptureBitmap(region, &pixels) : nullptr) {
        require(bitmap && pixels, "no capture bitmap");
    }
    // Selected only meanwhile, as GDI+ must not get it selected; flushed, so the pixels are there.
    bool draw(Draw what, const CaptureRegion& region) const {
        const ScopedSelection selection(dc.get(), bitmap.get());
        what(dc.get(), region);
        return GdiFlush() != FALSE;
    }
    ScopedMemoryDC dc;
    void* pixels = nullptr;
    ScopedGdiObject bitmap;
};

// The program's copy, its result set aside, so both copies time alike.
void copyScreenOnce(HDC target, const CaptureRegion& region) {
    copyScreen(target, region);
}

// Not the program's way, which is one BitBlt, one moment of the screen: under Wine that copy holds
// the screen twice in X's 32-bit form, and strips show what that costs.
void copyScreenInStrips(HDC target, const CaptureRegion& region) {
    HWND desktop = GetDesktopWindow();
    ScopedWindowDC screen(desktop, GetWindowDC(desktop));
    const int rows = (region.height + 15) / 16;
    for (int y = 0; y < region.height; y += rows) {
        BitBlt(target, 0, y, region.width, std::min(rows, region.height - y), screen.get(), region.left, region.top + y,
               SRCCOPY);
    }
}

// Unnumbered names: every capture replaces img.bmp, img.jpg and img.png in the save folder.
bool wholeCapture(const Path& folder, bool bmp, bool jpeg, bool png) {
    Settings = SettingsRecord{};
    Settings.USEBG = bmp;
    Settings.JPEGPIC = jpeg;
    Settings.PNGPIC = png;
    captureAndStore(GetDesktopWindow(), L"mode:desktop");
    const auto written = [&](bool wanted, const wchar_t* name) { return !wanted || fileBytes(folder / name) > 0; };
    return written(bmp, L"img.bmp") && written(jpeg, L"img.jpg") && written(png, L"img.png");
}

// Each step on its own, then whole captures without the wait; the first round also measures memory.
void timeCaptureSteps(const Path& folder, int repeats, bool firstRound) {
    CaptureRegion region = {};
    require(findCaptureRegion(GetDesktopWindow(), L"mode:desktop", &region), "no screen to capture");
    require(copyText(saveFolder, kPathCapacity, folder.c_str()), "the output folder's path is too long");
    const CaptureBitmap capture(region);
    timeStep("copy_screen", repeats, firstRound, [&] { return capture.draw(copyScreenOnce, region); });
    timeStep("copy_strips", repeats, firstRound, [&] { return capture.draw(copyScreenInStrips, region); });
    timeStep("draw_cursor", repeats, firstRound, [&] { return capture.draw(drawCursor, region); });
    const auto write = [&](const wchar_t* name, const wchar_t* mimeType) {
        return copyText(outputPath, kPathCapacity, (folder / name).c_str()) &&
               (mimeType ? saveWithEncoder(static_cast<HBITMAP>(capture.bitmap.get()), mimeType)
                         : writeBmpFile(region.width, region.height, capture.pixels));
    };
    const auto writeJpeg = [&] { return write(L"stage.jpg", L"image/jpeg"); };
    const auto writePng = [&] { return write(L"stage.png", L"image/png"); };
    timeStep("write_bmp", repeats, firstRound, [&] { return write(L"stage.bmp", nullptr); });
    timeStep("encode_jpeg", repeats, firstRound, writeJpeg);
    timeStep("encode_png", repeats, firstRound, writePng);
    if (firstRound) {
        print("RESULT", "mem_step_encode_jpeg", growthDuring(GetCurrentProcess(), 0, "encode_jpeg", writeJpeg));
        print("RESULT", "mem_step_encode_png", growthDuring(GetCurrentProcess(), 0, "encode_png", writePng));
        // On a bitmap whose pages nothing has touched yet, as in a real capture.
        for (const Draw copy : {copyScreenOnce, copyScreenInStrips}) {
            const CaptureBitmap fresh(region);
            const char* key = copy == copyScreenOnce ? "mem_step_copy_screen" : "mem_step_copy_strips";
            print("RESULT", key, growthDuring(GetCurrentProcess(), 0, key, [&] { return fresh.draw(copy, region); }));
        }
    }
    timeStep("capture_bmp", repeats, firstRound, [&] { return wholeCapture(folder, true, false, false); });
    timeStep("capture_jpeg", repeats, firstRound, [&] { return wholeCapture(folder, false, true, false); });
    timeStep("capture_png", repeats, firstRound, [&] { return wholeCapture(folder, false, false, true); });
    timeStep("capture_all", repeats, firstRound, [&] { return wholeCapture(folder, true, true, true); });
    if (firstRound) {
        print("RESULT", "width", region.width);
        print("RESULT", "height", region.height);
        print("RESULT", "bytes_bmp", fileBytes(folder / L"img.bmp"));
        print("RESULT", "bytes_jpeg", fileBytes(folder / L"img.jpg"));
        print("RESULT", "bytes_png", fileBytes(folder / L"img.png"));
    }
}

// Glimra3.exe started as a user starts it, until its main window is shown; ended when this goes.
struct Program {
    explicit Program(const Path& exe) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        const double begin = nowMs();
        require(CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info),
                "Glimra3.exe did not start");
        process.reset(info.hProcess);
        const ScopedHandle thread(info.hThread);
        for (DWORD owner = 0; !window || !IsWindowVisible(window) || owner != info.dwProcessId;) {
            require(WaitForSingleObject(process.get(), 1) != WAIT_OBJECT_0 && nowMs() - begin < 60000,
                    "Glimra3.exe showed no window");
            window = FindWindowW(L"GLIMRA3", nullptr);
            GetWindowThreadProcessId(window, &owner);
        }
        startupMs = nowMs() - begin;
    }
    ~Program() {
        TerminateProcess(process.get(), 0);
        WaitForSingleObject(process.get(), INFINITE);
    }
    ScopedHandle process;
    HWND window = nullptr;
    double startupMs = 0;
};

// Its start-up; its private memory before, at the peak of and after captures pressed on its panel.
void measureProgram(const Path& exePath, const Path& folder, int launches) {
    // A copy whose own folder holds an "image" folder, so captures go there without a message.
    std::filesystem::create_directories(folder / L"program" / L"image");
    const Path exe = folder / L"program" / L"Glimra3.exe";
    require(CopyFileW(exePath.c_str(), exe.c_str(), FALSE), "cannot copy Glimra3.exe");
    for (int i = 0; i < launches; ++i) {
        print("SAMPLE", "startup", Program(exe).startupMs);
    }
    const Program program(exe);
    pumpMessagesFor(1000);
    HWND panel = FindWindowExW(program.window, nullptr, L"#32770", nullptr);
    require(panel != nullptr, "no control panel in the main window");
    // Every format on, one unnumbered name, nothing that would end or hide the program.
    for (const int id : {IDC_USEBG, IDC_JPEGPIC, IDC_PNGPIC, IDC_NONESCS, IDC_CONSTANT, IDC_AUTOEND, IDC_ISTASK}) {
        const bool on = id == IDC_USEBG || id == IDC_JPEGPIC || id == IDC_PNGPIC;
        SendMessageW(GetDlgItem(panel, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    for (const char* n : {"1", "2"}) {
        const double before = privateMegabytes(program.process.get());
        // A posted click: the capture hides the main window and shows it again when it returns.
        const double growth = growthDuring(program.process.get(), 1, "capture", [&] {
            PostMessageW(panel, WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_SCREEN, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(panel, IDC_CAPTURE_SCREEN)));
            bool hidden = false;
            for (const double begin = nowMs(); !hidden || !IsWindowVisible(program.window); Sleep(1)) {
                hidden = hidden || !IsWindowVisible(program.window);
                require(nowMs() - begin < 120000, "the capture never returned");
            }
            return true;
        });
        print("RESULT", std::string("mem_before_") + n, before);
        print("RESULT", std::string("mem_peak_") + n, before + growth);
        print("RESULT", std::string("mem_after_") + n, privateMegabytes(program.process.get()));
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    require(argc == 7, "usage: glimra_bench.exe <output> <Glimra3.exe> <handshake> <rounds> <repeats> <launches>");
    const int rounds = std::max(1, _wtoi(argv[4])), repeats = std::max(1, _wtoi(argv[5]));
    // GDI+ runs for the whole benchmark, as it does for the whole run of the program.
    const ScopedGdiplus gdiplus;
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const ScopedGdiObject picture(paintScenery(width, height));
    // A bitmap static control shows it full-screen, so nothing of ours takes part in its painting;
    // SS_NOTIFY lets it take the pointer, so its arrow is there for the capture to draw.
    const Scoped<HWND, WindowTraits> scenery(CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", nullptr,
                                                             WS_POPUP | WS_VISIBLE | SS_BITMAP | SS_NOTIFY, 0, 0, width,
                                                             height, nullptr, nullptr, nullptr, nullptr));
    require(scenery.valid(), "the scenery window could not be made");
    SendMessageW(scenery.get(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.get()));
    pumpMessagesFor(1500);
    for (int round = 1; round <= rounds; ++round) {
        timeCaptureSteps(argv[1], repeats, round == 1);
        // The scenery stays up and painted while the script runs xwd, import and scrot on it.
        const std::wstring number = std::to_wstring(round);
        require(std::ofstream(Path(argv[3]) / (L"ready." + number)).good(), "cannot write the ready file");
        for (const double start = nowMs(); !std::filesystem::exists(Path(argv[3]) / (L"done." + number));) {
            require(nowMs() - start < 30 * 60 * 1000, "the script never said the grabbers were done");
            pumpMessagesFor(50);
        }
    }
    measureProgram(argv[2], argv[1], std::max(1, _wtoi(argv[6])));
    return 0;
}
