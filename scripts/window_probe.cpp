// For scripts/make_pictures.sh: finds the running Glimra's main window and prints its rectangle
// ("x y width height"), or with --capture presses its whole-screen button.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    SetProcessDPIAware();  // the window's rectangle in pixels, at any DPI
    HWND window = nullptr;
    for (int attempt = 0; attempt < 100 && !window; ++attempt) {
        window = FindWindowW(L"GLIMRA3", nullptr);
        Sleep(window ? 0 : 100);
    }
    if (!window) {
        std::fputs("no Glimra window\n", stderr);
        return 1;
    }
    if (argc > 1 && std::wcscmp(argv[1], L"--capture") == 0) {
        HWND panel = FindWindowExW(window, nullptr, L"#32770", nullptr);
        const int captureScreen = 1019;
        PostMessageW(panel, WM_COMMAND, MAKEWPARAM(captureScreen, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(panel, captureScreen)));
        return 0;
    }
    RECT rect = {};
    GetWindowRect(window, &rect);
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}
