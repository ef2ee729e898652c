// The program's entry: start GDI+, build the windows, run the one message loop.
#include <windows.h>

#include "app.h"
#include "ids.h"
#include "process_state.h"
#include "scoped.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showState) {
    startProcess(instance);
    ScopedHandle claim;
    if (!claimStateFolder(&claim)) {
        return 0;
    }
    ScopedGdiplus gdiplus;
    registerMainWindowClass(instance);
    if (!createMainWindow(instance, showState)) {
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

    return static_cast<int>(message.wParam);
}
