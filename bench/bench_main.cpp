// The benchmark's run: the scenery shown; in rounds, the capture steps timed and then the screen
// handed to the independent grabbers until the script says they are done, so that both sides
// share whatever else the machine is doing; then the program measured.
//
// glimra_bench.exe <output folder> <Glimra3.exe> <handshake folder> <rounds> <repeats per round>
//                  <launches>
// Round n ends with "ready.n" made in the handshake folder and waits for the script's "done.n".
#include "bench.h"

#include <windows.h>
#include <gdiplus.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr DWORD kSceneryShowMs = 1500;
constexpr DWORD kGrabbersTimeoutMs = 30 * 60 * 1000;
constexpr DWORD kDonePollMs = 50;
constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void touch(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fail("cannot write the ready file");
    }
    CloseHandle(file);
}

// The scenery stays up and painted while the script runs xwd, import and scrot on it.
void waitForGrabbers(const std::wstring& handshake, int round) {
    const std::wstring number = std::to_wstring(round);
    const std::wstring doneFile = joinPath(handshake, (L"done." + number).c_str());
    touch(joinPath(handshake, (L"ready." + number).c_str()));
    const double start = nowMilliseconds();
    while (!exists(doneFile)) {
        if (nowMilliseconds() - start > kGrabbersTimeoutMs) {
            fail("the script never said the grabbers were done");
        }
        pumpMessagesFor(kDonePollMs);
    }
}

}  // namespace

double nowMilliseconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double medianOf(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

void timeStep(const char* key, int repeats, bool warmUp, const std::function<bool()>& step) {
    if (warmUp && !step()) {
        fail(key);
    }
    for (int i = 0; i < repeats; ++i) {
        const double start = nowMilliseconds();
        const bool done = step();
        const double elapsed = nowMilliseconds() - start;
        if (!done) {
            fail(key);
        }
        std::printf("SAMPLE %s %.3f\n", key, elapsed);
        std::fflush(stdout);
    }
}

void printResult(const char* key, double value) {
    std::printf("RESULT %s %.3f\n", key, value);
    std::fflush(stdout);
}

void fail(const char* what) {
    std::printf("FAILED %s\n", what);
    std::fflush(stdout);
    std::exit(1);
}

std::wstring joinPath(const std::wstring& folder, const wchar_t* name) { return folder + L"\\" + name; }

long long fileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

double privateMegabytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters))) {
        fail("GetProcessMemoryInfo");
    }
    // Wine leaves PrivateUsage at 0 and puts the private (anonymous) memory in PagefileUsage,
    // which is what Windows counts there too.
    const SIZE_T privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return static_cast<double>(privateBytes) / kBytesPerMegabyte;
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: glimra_bench.exe <output folder> <Glimra3.exe> <handshake folder> <rounds> "
                             "<repeats per round> <launches>\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const std::wstring exePath = argv[2];
    const std::wstring handshake = argv[3];
    const int rounds = std::max(1, _wtoi(argv[4]));
    const int repeats = std::max(1, _wtoi(argv[5]));
    const int launches = std::max(1, _wtoi(argv[6]));

    // GDI+ runs for the whole benchmark, as it does for the whole run of the program.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        fail("GDI+ did not start");
    }
    HWND scenery = showScenery(GetModuleHandleW(nullptr));
    pumpMessagesFor(kSceneryShowMs);

    for (int round = 1; round <= rounds; ++round) {
        timeCaptureStages(folder, repeats, round == 1);
        waitForGrabbers(handshake, round);
    }
    measureProgram(exePath, folder, launches);

    DestroyWindow(scenery);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
