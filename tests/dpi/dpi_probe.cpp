// Starts Glimra3.exe and prints the main window's size, the system DPI and whether the panel
// lies inside the client area; the DPI test compares this with the scale it set.
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

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return 2;
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
        std::printf("dpi=%d window=%ldx%ld client=%ldx%ld panel=%ldx%ld\n", dpi, frame.right - frame.left,
                    frame.bottom - frame.top, client.right, client.bottom, panelRect.right - panelRect.left,
                    panelRect.bottom - panelRect.top);
        result = 0;
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}
