// The program's entry: start GDI+, build the windows, run the one message loop.
#include <windows.h>
#include <gdiplus.h>

#include "app/app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showState) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);

    loadStrings(instance);
    registerMainWindowClass(instance);
    if (!createMainWindow(instance, showState)) {
        Gdiplus::GdiplusShutdown(gdiplusToken);
        return 0;
    }

    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0)) {
        if (TranslateAcceleratorW(panel, accelerators, &message)) {
            continue;
        }
        if (IsDialogMessageW(panel, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    Gdiplus::GdiplusShutdown(gdiplusToken);
    return static_cast<int>(message.wParam);
}
