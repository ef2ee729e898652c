// Starts Glimra3.exe and prints the main window's size, the system DPI and the panel's size;
// the DPI test compares this with the scale it set. With --rect or --capture it works on a
// Glimra that is already running (the picture script uses it inside a Wine virtual desktop).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HWND findMainWindow(DWORD processId) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, L"GLIMRA3", nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId && IsWindowVisible(window)) {
                return window;
            }
        }
        Sleep(50);
    }
    return nullptr;
}

}  // namespace

// Prints "x y width height" of the running main window, or presses its whole-screen button.
int workOnRunningGlimra(const std::wstring& mode) {
    HWND window = nullptr;
    for (int attempt = 0; attempt < 200 && !window; ++attempt) {
        window = FindWindowW(L"GLIMRA3", nullptr);
        if (!window) {
            Sleep(50);
        }
    }
    if (!window) {
        return 1;
    }
    if (mode == L"--rect") {
        RECT frame;
        GetWindowRect(window, &frame);
        std::printf("%ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
        return 0;
    }
    HWND panel = FindWindowExW(window, nullptr, L"#32770", nullptr);
    HWND button = GetDlgItem(panel, 1019);
    PostMessageW(panel, WM_COMMAND, MAKEWPARAM(1019, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
    }
    if (std::wstring(argv[1]) == L"--rect" || std::wstring(argv[1]) == L"--capture") {
        return workOnRunningGlimra(argv[1]);
    }
    std::wstring exe = argv[1];
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("cannot start\n");
        return 2;
    }
    HWND window = findMainWindow(process.dwProcessId);
    int result = 1;
    if (window) {
        RECT frame;
        RECT client;
        GetWindowRect(window, &frame);
        GetClientRect(window, &client);
        HWND panel = FindWindowExW(window, nullptr, L"#32770", nullptr);
        RECT panelRect = {};
        GetWindowRect(panel, &panelRect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&panelRect), 2);
        HDC screen = GetDC(nullptr);
        int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        // The panel's own bottom margin may overhang by a pixel, as on Windows; its controls must not.
        RECT controls = {};
        for (HWND child = GetWindow(panel, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT rect;
            GetWindowRect(child, &rect);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
            UnionRect(&controls, &controls, &rect);
        }
        bool fits = controls.right <= client.right && controls.bottom <= client.bottom;
        std::printf("dpi=%d window=%ldx%ld client=%ldx%ld panel=%ldx%ld %s\n", dpi, frame.right - frame.left,
                    frame.bottom - frame.top, client.right, client.bottom, panelRect.right - panelRect.left,
                    panelRect.bottom - panelRect.top, fits ? "fits" : "does-not-fit");
        result = 0;
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}
