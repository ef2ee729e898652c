// The steps of one capture of the whole screen, each timed on its own on the program's own code,
// and whole captures as the button makes them, without the half-second wait before them.
#include "bench.h"

#include <windows.h>

#include <atomic>

#include "capture.h"
#include "image_writers.h"
#include "scoped.h"
#include "text.h"
#include "ui.h"
#include "memo_file.h"
#include "save_folder.h"
#include "settings.h"

namespace {

const wchar_t kDesktopTag[] = L"mode:desktop";

bool setOutputPath(const std::wstring& folder, const wchar_t* name) {
    return copyText(outputPath, kPathCapacity, joinPath(folder, name).c_str());
}

struct WholeCapture {
    const char* key;
    bool bmp;
    bool jpeg;
    bool png;
};

// One capture writes img.bmp, img.jpg, img.png into the folder: unnumbered, each run replaces them.
bool captureIntoFolder(const std::wstring& folder, const WholeCapture& formats) {
    Settings = SettingsRecord{};
    Settings.USEBG = formats.bmp;
    Settings.JPEGPIC = formats.jpeg;
    Settings.PNGPIC = formats.png;
    if (!copyText(saveFolder, kPathCapacity, folder.c_str())) {
        return false;
    }
    captureAndStore(GetDesktopWindow(), kDesktopTag);
    return (!formats.bmp || fileBytes(joinPath(folder, L"img.bmp")) > 0) &&
           (!formats.jpeg || fileBytes(joinPath(folder, L"img.jpg")) > 0) &&
           (!formats.png || fileBytes(joinPath(folder, L"img.png")) > 0);
}

// The program copies the screen in one BitBlt, one moment of the screen. Under Wine that one copy
// holds the screen twice in X's 32-bit form while it runs; copying in strips is measured beside it
// to show what that costs, and is not the program's way.
constexpr int kWhatIfStrips = 16;

bool copyScreenInStrips(HDC target, const CaptureRegion& region) {
    HWND desktop = GetDesktopWindow();
    ScopedWindowDC screen(desktop, GetWindowDC(desktop));
    const int rows = (region.height + kWhatIfStrips - 1) / kWhatIfStrips;
    for (int y = 0; y < region.height; y += rows) {
        const int height = rows < region.height - y ? rows : region.height - y;
        BitBlt(target, 0, y, region.width, height, screen.get(), region.left, region.top + y, SRCCOPY);
    }
    return GdiFlush() != FALSE;
}

// This process's private memory sampled on a second thread while one step runs.
struct MemorySampler {
    std::atomic<bool> running{true};
    double peak = 0;
};

DWORD WINAPI sampleMemory(void* parameter) {
    auto* sampler = static_cast<MemorySampler*>(parameter);
    while (sampler->running) {
        const double sample = privateMegabytes(GetCurrentProcess());
        sampler->peak = sample > sampler->peak ? sample : sampler->peak;
        Sleep(0);
    }
    return 0;
}

// How far, in MiB, private memory rose above what it was before the step, at its highest.
double memoryGrowthDuring(const char* what, const std::function<bool()>& step) {
    MemorySampler sampler;
    const double before = privateMegabytes(GetCurrentProcess());
    sampler.peak = before;
    ScopedHandle thread(CreateThread(nullptr, 0, sampleMemory, &sampler, 0, nullptr));
    if (!thread) {
        fail("no sampling thread");
    }
    const bool done = step();
    sampler.running = false;
    WaitForSingleObject(thread.get(), INFINITE);
    if (!done) {
        fail(what);
    }
    return sampler.peak - before;
}

// Each step on a capture bitmap whose pages nothing has touched yet, as in a real capture.
void measureStepMemory(const CaptureRegion& region) {
    const struct {
        const char* key;
        bool strips;
    } copies[] = {{"mem_step_copy_screen", false}, {"mem_step_copy_strips", true}};
    for (const auto& copy : copies) {
        ScopedMemoryDC memoryDC(CreateCompatibleDC(nullptr));
        void* pixels = nullptr;
        ScopedGdiObject bitmap(memoryDC ? createCaptureBitmap(region, &pixels) : nullptr);
        if (!bitmap || !pixels) {
            fail("no capture bitmap");
        }
        ScopedSelection selection(memoryDC.get(), bitmap.get());
        printResult(copy.key, memoryGrowthDuring(copy.key, [&] {
                        if (copy.strips) {
                            return copyScreenInStrips(memoryDC.get(), region);
                        }
                        copyScreen(memoryDC.get(), region);
                        return GdiFlush() != FALSE;
                    }));
    }
}

}  // namespace

void timeCaptureStages(const std::wstring& folder, int repeats, bool firstRound) {
    CaptureRegion region = {};
    if (!findCaptureRegion(GetDesktopWindow(), kDesktopTag, &region)) {
        fail("no screen to capture");
    }
    if (firstRound) {
        printResult("width", region.width);
        printResult("height", region.height);
    }

    ScopedMemoryDC memoryDC(CreateCompatibleDC(nullptr));
    void* pixels = nullptr;
    ScopedGdiObject bitmap(memoryDC ? createCaptureBitmap(region, &pixels) : nullptr);
    if (!bitmap || !pixels) {
        fail("no capture bitmap");
    }
    const HBITMAP handle = static_cast<HBITMAP>(bitmap.get());
    const auto saveJpeg = [&] { return setOutputPath(folder, L"stage.jpg") && saveWithEncoder(handle, L"image/jpeg"); };
    const auto savePng = [&] { return setOutputPath(folder, L"stage.png") && saveWithEncoder(handle, L"image/png"); };
    {
        ScopedSelection selection(memoryDC.get(), bitmap.get());
        // GdiFlush: the copy is only over when the pixels are in the bitmap's memory.
        timeStep("copy_screen", repeats, firstRound, [&] {
            copyScreen(memoryDC.get(), region);
            return GdiFlush() != FALSE;
        });
        timeStep("copy_strips", repeats, firstRound, [&] { return copyScreenInStrips(memoryDC.get(), region); });
        timeStep("draw_cursor", repeats, firstRound, [&] {
            drawCursor(memoryDC.get(), region);
            return GdiFlush() != FALSE;
        });
    }
    timeStep("write_bmp", repeats, firstRound, [&] {
        return setOutputPath(folder, L"stage.bmp") && writeBmpFile(region.width, region.height, pixels);
    });
    timeStep("encode_jpeg", repeats, firstRound, saveJpeg);
    timeStep("encode_png", repeats, firstRound, savePng);
    if (firstRound) {
        printResult("mem_step_encode_jpeg", memoryGrowthDuring("saveWithEncoder JPEG", saveJpeg));
        printResult("mem_step_encode_png", memoryGrowthDuring("saveWithEncoder PNG", savePng));
        measureStepMemory(region);
    }

    const WholeCapture captures[] = {
        {"capture_bmp", true, false, false},
        {"capture_jpeg", false, true, false},
        {"capture_png", false, false, true},
        {"capture_all", true, true, true},
    };
    for (const WholeCapture& capture : captures) {
        timeStep(capture.key, repeats, firstRound, [&] { return captureIntoFolder(folder, capture); });
    }
    if (firstRound) {
        printResult("bytes_bmp", static_cast<double>(fileBytes(joinPath(folder, L"img.bmp"))));
        printResult("bytes_jpeg", static_cast<double>(fileBytes(joinPath(folder, L"img.jpg"))));
        printResult("bytes_png", static_cast<double>(fileBytes(joinPath(folder, L"img.png"))));
    }
}
