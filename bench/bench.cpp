// The capture benchmark, run under Wine by scripts/benchmark.sh: "show" keeps the backdrop up full-screen;
// "measure" times the capture's steps on the program's own code, then Glimra3.exe from outside, and
// prints "SAMPLE <key> <ms>" per timed run and "RESULT <key> <value>" per figure.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "capture_steps.h"
#include "ids.h"
#include "image_writers.h"
#include "scoped.h"
#include "system_calls.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr double kCaptureWaitMs = 500;  // the program's fixed wait between hiding and copying
constexpr UINT kBoundMs = 120000;       // no step takes longer

void print(const char* kind, const std::string& key, double value) { std::printf("%s %s %.3f\n", kind, key.c_str(), value); }

void require(bool done, const char* what) {
    if (done) return;
    std::printf("FAILED %s\n", what);
    std::exit(1);
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// In MiB. Wine leaves PrivateUsage at 0 and counts private memory as PagefileUsage, as Windows does.
double privateMiB(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    require(GetProcessMemoryInfo(process, &counters, sizeof(counters)), "GetProcessMemoryInfo");
    return static_cast<double>(counters.PagefileUsage) / 1048576.0;
}

// How far the process's private memory rose at its highest while the step ran, sampled on a thread.
double growthDuring(HANDLE process, const std::function<bool()>& step) {
    std::atomic<bool> running{true};
    const double before = privateMiB(process);
    double peak = before;
    std::thread sampler([&] { for (; running; Sleep(0)) peak = std::max(peak, privateMiB(process)); });
    require(step(), "a step under the memory sampler");
    running = false;
    sampler.join();
    return peak - before;
}

// One untimed run first, for what a first call loads; `prepare` runs untimed before each run.
void timeStep(const std::string& key, int repeats, const std::function<bool()>& step,
              const std::function<void()>& prepare = [] {}, double untimedMs = 0) {
    for (int run = 0; run <= repeats; ++run) {
        prepare();
        const Clock::time_point start = Clock::now();
        require(step(), key.c_str());
        if (run > 0) print("SAMPLE", key, millisecondsSince(start) - untimedMs);
    }
}

// Each step of a whole-screen capture on its own, in the program's order; the memory some of them add.
void timeSteps(const fs::path& folder, int repeats) {
    CaptureRegion region = {};
    timeStep("findCaptureRegion", repeats, [&] { return findCaptureRegion(GetDesktopWindow(), L"mode:desktop", &region); });
    const ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    ScopedGdiObject bitmap;
    void* pixels = nullptr;
    const auto create = [&] { bitmap.reset(createCaptureBitmap(region, &pixels)); return dc && pixels; };
    timeStep("createCaptureBitmap", repeats, create, [&] { bitmap.reset(); });
    // Selected only meanwhile, as GDI+ must not get it selected; flushed, so the pixels are there.
    const auto draw = [&](auto step) {
        const ScopedSelection selection(dc.get(), bitmap.get());
        step(dc.get(), region);
        return GdiFlush() != FALSE;
    };
    // Every capture copies onto a bitmap that nothing has touched yet.
    timeStep("copyScreen", repeats, [&] { return draw(copyScreen); }, create);
    timeStep("drawCursor", repeats, [&] { return draw(drawCursor); });
    for (const std::wstring type : {L"bmp", L"jpeg", L"png"}) {
        const std::string key = type == L"bmp" ? "writeBmpFile" : "saveWithEncoder_" + fs::path(type).string();
        const auto write = [&] {
            const ScopedFile file(CreateFileW((folder / (L"step." + type)).c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            return file && (type == L"bmp" ? writeBmpFile(file.get(), region.width, region.height, pixels) :
                            saveWithEncoder(file.get(), static_cast<HBITMAP>(bitmap.get()), (L"image/" + type).c_str()));
        };
        timeStep(key, repeats, write);
        print("RESULT", "peak_" + key, growthDuring(GetCurrentProcess(), write));
    }
    create();
    print("RESULT", "peak_copyScreen", growthDuring(GetCurrentProcess(), [&] { return draw(copyScreen); }));
}

// Glimra3.exe started as a user starts it, until its main window is shown; ended when this goes.
struct Program {
    explicit Program(const fs::path& exe) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        const Clock::time_point start = Clock::now();
        require(CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info),
                "Glimra3.exe did not start");
        process.reset(info.hProcess);
        const ScopedHandle thread(info.hThread);
        // One copy runs at a time: the window of its class is its window.
        while (!IsWindowVisible(FindWindowW(L"GLIMRA3", nullptr)))
            require(millisecondsSince(start) < kBoundMs, "Glimra3.exe showed no window");
        startupMs = millisecondsSince(start);
        panel = FindWindowExW(FindWindowW(L"GLIMRA3", nullptr), nullptr, L"#32770", nullptr);
    }
    ~Program() { TerminateProcess(process.get(), 0); WaitForSingleObject(process.get(), INFINITE); }
    // Sent, not posted: it returns once the capture has written its files and shown the window again.
    bool capture() const {
        return SendMessageTimeoutW(panel, WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_SCREEN, BN_CLICKED),
                                   reinterpret_cast<LPARAM>(GetDlgItem(panel, IDC_CAPTURE_SCREEN)), SMTO_NORMAL,
                                   kBoundMs, nullptr) != 0;
    }
    ScopedHandle process;
    HWND panel = nullptr;
    double startupMs = 0;
};

// The program as a user meets it: start-up, whole captures pressed on its panel, its private memory. The
// script puts it in a folder with an "image" folder, so captures go there without a message.
void measureProgram(const fs::path& exe, int repeats, int starts) {
    for (int i = 0; i < starts; ++i) print("SAMPLE", "startup", Program(exe).startupMs);
    const Program program(exe);
    // Only the formats ticked: unnumbered files, nothing that would end or hide the program.
    const auto tick = [&](std::vector<int> formats) {
        for (const int id : {IDC_USEBG, IDC_JPEGPIC, IDC_PNGPIC, IDC_NONESCS, IDC_CONSTANT, IDC_AUTOEND, IDC_ISTASK})
            CheckDlgButton(program.panel, id, std::count(formats.begin(), formats.end(), id) ? BST_CHECKED : BST_UNCHECKED);
    };
    tick({IDC_USEBG, IDC_JPEGPIC, IDC_PNGPIC});
    for (const std::string n : {"1", "2"}) {  // private memory before, during and after a capture
        print("RESULT", "memory_before_" + n, privateMiB(program.process.get()));
        print("RESULT", "memory_growth_" + n, growthDuring(program.process.get(), [&] { return program.capture(); }));
        print("RESULT", "memory_after_" + n, privateMiB(program.process.get()));
    }
    for (const auto& [key, formats] : std::map<std::string, std::vector<int>>{
             {"capture_bmp", {IDC_USEBG}}, {"capture_jpeg", {IDC_JPEGPIC}}, {"capture_png", {IDC_PNGPIC}},
             {"capture_all", {IDC_USEBG, IDC_JPEGPIC, IDC_PNGPIC}}}) {
        tick(formats);
        timeStep(key, repeats, [&] { return program.capture(); }, [] {}, kCaptureWaitMs);
    }
}

// The backdrop every grabber captures, full-screen until the script ends the process.
int show(const wchar_t* picture) {
    const ScopedGdiObject image(LoadImageW(nullptr, picture, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    // A static control paints it at its own size; SS_NOTIFY takes the pointer, so its arrow is there to draw.
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"backdrop",
                                  WS_POPUP | WS_VISIBLE | SS_BITMAP | SS_NOTIFY, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    require(image && window, "the backdrop could not be shown");
    SendMessageW(window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image.get()));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // so a run that hangs or breaks shows how far it got
    if (argc == 3 && std::wstring(argv[1]) == L"show") return show(argv[2]);
    require(argc == 6, "usage: glimra_bench.exe show <picture> | measure <folder> <Glimra3.exe> <repeats> <starts>");
    for (const Clock::time_point start = Clock::now(); !FindWindowW(L"Static", L"backdrop"); Sleep(50))
        require(millisecondsSince(start) < kBoundMs, "no backdrop on the screen");
    Sleep(1000);  // painted
    const int repeats = std::max(1, _wtoi(argv[4]));
    const ScopedGdiplus gdiplus;  // for the whole run, as in the program
    timeSteps(argv[2], repeats);
    measureProgram(argv[3], repeats, std::max(1, _wtoi(argv[5])));
    return 0;
}
