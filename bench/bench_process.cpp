// Glimra3.exe measured from outside, as a user would meet it: the time from starting it to its
// main window being shown, and its private memory idle, at its peak during captures of the whole
// screen with every format on, and after each capture has returned.
#include "bench.h"

#include <windows.h>

#include <cstdio>

#include "scoped.h"
#include "ids.h"

namespace {

const wchar_t kMainClass[] = L"GLIMRA3";
const wchar_t kDialogClass[] = L"#32770";
constexpr DWORD kStartTimeoutMs = 60000;
constexpr DWORD kCaptureTimeoutMs = 120000;
constexpr DWORD kSettleMs = 1000;
constexpr int kCaptures = 2;

struct Program {
    ScopedHandle process;
    DWORD id = 0;
};

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    wchar_t className[64] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && GetClassNameW(window, className, ARRAYSIZE(className)) &&
        lstrcmpW(className, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findWindowOf(DWORD processId, const wchar_t* className, HWND parent) {
    WindowSearch search = {processId, className, nullptr};
    if (parent) {
        EnumChildWindows(parent, matchWindow, reinterpret_cast<LPARAM>(&search));
    } else {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

// The copy's own folder holds an "image" folder, so captures go there without a message.
std::wstring prepareCopy(const std::wstring& exePath, const std::wstring& folder) {
    const std::wstring home = joinPath(folder, L"program");
    CreateDirectoryW(home.c_str(), nullptr);
    CreateDirectoryW(joinPath(home, L"image").c_str(), nullptr);
    const std::wstring copy = joinPath(home, L"Glimra3.exe");
    if (!CopyFileW(exePath.c_str(), copy.c_str(), FALSE)) {
        fail("cannot copy Glimra3.exe");
    }
    return copy;
}

// Started, and its main window shown; the result is the time that took.
double start(const std::wstring& exe, Program* program, HWND* mainWindow) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::wstring commandLine = L"\"" + exe + L"\"";
    const double begin = nowMilliseconds();
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        fail("Glimra3.exe did not start");
    }
    program->process.reset(info.hProcess);
    program->id = info.dwProcessId;
    CloseHandle(info.hThread);
    for (;;) {
        HWND window = findWindowOf(program->id, kMainClass, nullptr);
        if (window && IsWindowVisible(window)) {
            *mainWindow = window;
            return nowMilliseconds() - begin;
        }
        if (WaitForSingleObject(program->process.get(), 1) == WAIT_OBJECT_0 ||
            nowMilliseconds() - begin > kStartTimeoutMs) {
            fail("Glimra3.exe showed no window");
        }
    }
}

void stop(Program* program) {
    TerminateProcess(program->process.get(), 0);
    WaitForSingleObject(program->process.get(), INFINITE);
    program->process.reset();
}

void setBox(HWND panel, int id, bool checked) {
    SendMessageW(GetDlgItem(panel, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Every format on, one unnumbered name, nothing that would end or hide the program.
void chooseEveryFormat(HWND panel) {
    const int on[] = {IDC_USEBG, IDC_JPEGPIC, IDC_PNGPIC};
    const int off[] = {IDC_NONESCS, IDC_CONSTANT, IDC_AUTOEND, IDC_ISTASK};
    for (int id : on) {
        setBox(panel, id, true);
    }
    for (int id : off) {
        setBox(panel, id, false);
    }
}

struct CaptureMemory {
    double before;
    double peak;
    double after;
    double milliseconds;  // from the click to the window shown again, the wait included
};

// The button is pressed by a posted click; the capture hides the main window and shows it again
// when it returns. Private memory is sampled all the while.
CaptureMemory captureWithSampling(HANDLE process, HWND mainWindow, HWND panel) {
    const double before = privateMegabytes(process);
    CaptureMemory result = {before, before, 0, 0};
    const double begin = nowMilliseconds();
    PostMessageW(panel, WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_SCREEN, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(panel, IDC_CAPTURE_SCREEN)));
    bool hidden = false;
    for (;;) {
        const double sample = privateMegabytes(process);
        result.peak = sample > result.peak ? sample : result.peak;
        const bool visible = IsWindowVisible(mainWindow) != FALSE;
        if (!visible) {
            hidden = true;
        } else if (hidden) {
            break;
        }
        if (nowMilliseconds() - begin > kCaptureTimeoutMs) {
            fail("the capture never returned");
        }
        Sleep(1);
    }
    result.milliseconds = nowMilliseconds() - begin;
    result.after = privateMegabytes(process);
    return result;
}

}  // namespace

void measureProgram(const std::wstring& exePath, const std::wstring& folder, int launches) {
    const std::wstring exe = prepareCopy(exePath, folder);
    std::vector<double> startTimes;
    for (int i = 0; i < launches; ++i) {
        Program program;
        HWND mainWindow = nullptr;
        startTimes.push_back(start(exe, &program, &mainWindow));
        stop(&program);
    }
    printResult("startup", medianOf(startTimes));

    Program program;
    HWND mainWindow = nullptr;
    start(exe, &program, &mainWindow);
    pumpMessagesFor(kSettleMs);
    HWND panel = findWindowOf(program.id, kDialogClass, mainWindow);
    if (!panel) {
        fail("no control panel in the main window");
    }
    chooseEveryFormat(panel);
    const double idle = privateMegabytes(program.process.get());
    printResult("mem_idle", idle);
    for (int i = 1; i <= kCaptures; ++i) {
        const CaptureMemory capture = captureWithSampling(program.process.get(), mainWindow, panel);
        char key[32];
        std::snprintf(key, sizeof(key), "mem_before_%d", i);
        printResult(key, capture.before);
        std::snprintf(key, sizeof(key), "mem_peak_%d", i);
        printResult(key, capture.peak);
        std::snprintf(key, sizeof(key), "mem_after_%d", i);
        printResult(key, capture.after);
        std::snprintf(key, sizeof(key), "capture_program_%d", i);
        printResult(key, capture.milliseconds);
    }
    const std::wstring images = joinPath(joinPath(folder, L"program"), L"image");
    printResult("program_bytes_bmp", static_cast<double>(fileBytes(joinPath(images, L"img.bmp"))));
    printResult("program_bytes_png", static_cast<double>(fileBytes(joinPath(images, L"img.png"))));
    printResult("program_bytes_jpeg", static_cast<double>(fileBytes(joinPath(images, L"img.jpg"))));
    stop(&program);
}
