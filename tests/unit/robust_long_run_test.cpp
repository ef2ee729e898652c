// Many captures in one run with every format: the counter, every file whole, and nothing left
// behind: GDI and USER objects, kernel handles and private memory the same after the last capture
// as after the first. The first and the last capture are whole captureAndSave calls; those in
// between skip only the half-second wait, so 500 take seconds. GLIMRA_LONG_RUN may ask for
// another number.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "robust_capture.h"

namespace {

constexpr int kCaptures = 500;

int capturesAsked() {
    wchar_t value[16] = {};
    DWORD length = GetEnvironmentVariableW(L"GLIMRA_LONG_RUN", value, 16);
    return length > 0 && length < 16 ? _wtoi(value) : kCaptures;
}

bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll"), "wine_get_version") != nullptr; }

// Wine answers GetGuiResources, GetProcessHandleCount and PrivateUsage with 0. There the same
// figures are counted where Wine keeps them: its per-process GDI handle table (its layout),
// the thread's windows, the handle values that answer, and the committed private pages.
#pragma pack(push, 1)
struct WineGdiEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;
    uint8_t flags;
    uint64_t user;
};
#pragma pack(pop)
static_assert(sizeof(WineGdiEntry) == 24, "Wine's GDI handle entry");
constexpr int kWineGdiEntries = 0x10000;
constexpr size_t kPebGdiTableOffset = 0x94;  // GdiSharedHandleTable in a 32-bit PEB

const char* processEnvironmentBlock() {
    using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0) {
        return nullptr;
    }
    return reinterpret_cast<const char*>(basic.PebBaseAddress);
}

DWORD wineGdiObjects() {
    const char* peb = processEnvironmentBlock();
    if (!peb) {
        return 0;
    }
    const auto* table = *reinterpret_cast<const WineGdiEntry* const*>(peb + kPebGdiTableOffset);
    DWORD count = 0;
    for (int i = 0; table && i < kWineGdiEntries; ++i) {
        count += table[i].type != 0 ? 1 : 0;
    }
    return count;
}

BOOL CALLBACK countWindow(HWND window, LPARAM count) {
    ++*reinterpret_cast<DWORD*>(count);
    EnumChildWindows(window, countWindow, count);
    return TRUE;
}

DWORD threadWindows() {
    DWORD count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

DWORD answeringHandles() {
    DWORD count = 0;
    DWORD flags = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

SIZE_T committedPrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    const char* address = nullptr;
    while (VirtualQuery(address, &region, sizeof(region)) == sizeof(region)) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            total += region.RegionSize;
        }
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) {
            break;
        }
        address = next;
    }
    return total;
}

struct Usage {
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
    bool counted = false;  // true when counted by hand because the system reported nothing
};

Usage usageNow() {
    Usage usage;
    HANDLE process = GetCurrentProcess();
    usage.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    usage.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    GetProcessHandleCount(process, &usage.handles);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
    usage.privateBytes = memory.PrivateUsage;
    if (usage.gdiObjects == 0 && underWine()) {
        usage.gdiObjects = wineGdiObjects();
        usage.userObjects = threadWindows();
        usage.counted = true;
    }
    if (usage.handles == 0) {
        usage.handles = answeringHandles();
        usage.counted = true;
    }
    if (usage.privateBytes == 0) {
        usage.privateBytes = committedPrivateBytes();
        usage.counted = true;
    }
    return usage;
}

void printUsage(const char* when, const Usage& usage) {
    std::printf("[ LONG RUN ] %s: %lu GDI objects, %lu USER objects%s, %lu handles, %lu KiB private%s\n", when,
                static_cast<unsigned long>(usage.gdiObjects), static_cast<unsigned long>(usage.userObjects),
                usage.counted ? " (windows)" : "", static_cast<unsigned long>(usage.handles),
                static_cast<unsigned long>(usage.privateBytes / 1024), usage.counted ? " (counted by hand)" : "");
}

constexpr SIZE_T kMemoryTolerance = 256 * 1024;
constexpr int kFirstNumber = 1000;

class LongRun : public RobustCapture {
protected:
    // captureAndSave without its wait: the same steps, the same objects made and freed.
    void captureWithoutWait() {
        refreshSettingsFromPanel();
        ShowWindow(mainWindow, SW_HIDE);
        captureAndStore(subject_, L"mode:free");
        ShowWindow(mainWindow, SW_SHOW);
    }
};

TEST_F(LongRun, EveryCaptureIsWholeAndTheLastLeavesNoMoreObjectsHandlesOrMemoryThanTheFirst) {
    const int captures = capturesAsked();
    if (captures < 2) {
        GTEST_SKIP() << "GLIMRA_LONG_RUN asks for fewer than two captures";
    }
    const ULONGLONG started = GetTickCount64();
    Settings.sequenceCounter = kFirstNumber;
    MessageBoxRecorder recorder;

    capture();
    const Usage first = usageNow();
    for (int i = 2; i < captures; ++i) {
        captureWithoutWait();
    }
    capture();
    const Usage last = usageNow();
    const ULONGLONG captured = GetTickCount64();

    EXPECT_TRUE(recorder.texts().empty());
    EXPECT_EQ(kFirstNumber + captures, Settings.sequenceCounter);
    EXPECT_EQ(static_cast<size_t>(captures) * 3, filesIn(saveScratch.path()).size());
    int whole = 0;
    for (int number = kFirstNumber + 1; number <= kFirstNumber + captures; ++number) {
        for (const std::wstring& name : imageNames(number)) {
            if (wholeImage(savePath(name))) {
                ++whole;
            } else {
                ADD_FAILURE() << narrow(name) << " is not whole";
            }
        }
    }

    printUsage("after the first capture", first);
    printUsage("after the last capture", last);
    std::printf("[ LONG RUN ] %d captures, %d of %d files whole; %llu s capturing, %llu s in all\n", captures, whole,
                captures * 3, static_cast<unsigned long long>((captured - started) / 1000),
                static_cast<unsigned long long>((GetTickCount64() - started) / 1000));
    EXPECT_EQ(first.gdiObjects, last.gdiObjects);
    EXPECT_EQ(first.userObjects, last.userObjects);
    EXPECT_EQ(first.handles, last.handles);
    EXPECT_LE(last.privateBytes, first.privateBytes + kMemoryTolerance)
        << "grew by " << (last.privateBytes - first.privateBytes) / 1024 << " KiB";

    // The figures do see a leak: each grows when one more of its kind is kept.
    const Usage before = usageNow();
    ScopedGdiObject bitmap(CreateBitmap(4, 4, 1, 32, nullptr));
    ScopedHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    HWND window = CreateWindowExW(0, L"STATIC", L"leak", WS_POPUP, 0, 0, 4, 4, nullptr, nullptr, nullptr, nullptr);
    void* block = VirtualAlloc(nullptr, 2 * kMemoryTolerance, MEM_COMMIT, PAGE_READWRITE);
    const Usage leaked = usageNow();
    EXPECT_GT(leaked.gdiObjects, before.gdiObjects);
    EXPECT_GT(leaked.userObjects, before.userObjects);
    EXPECT_GT(leaked.handles, before.handles);
    EXPECT_GT(leaked.privateBytes, before.privateBytes + kMemoryTolerance);
    VirtualFree(block, 0, MEM_RELEASE);
    DestroyWindow(window);
}

}  // namespace
