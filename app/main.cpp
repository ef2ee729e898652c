// The program's entry: the process made safe, one copy per folder, COM and GDI+ started, the
// windows built, the one message loop run.
#include <windows.h>
#include <commctrl.h>

#include "app.h"
#include "ids.h"
#include "process_state.h"
#include "scoped.h"
#include "state_files.h"
#include "system_calls.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showState) {
    // Before anything loads a DLL by name: one planted beside the program must never run.
    restrictDllSearchToSystemFolder();
    // A corrupted heap ends the program at once instead of letting it run on with the damage.
    HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);
    startProcess(instance);
    ScopedHandle claim;
    if (!claimStateFolder(&claim)) {
        return 0;
    }
    // Only the copy that holds the folder may clear what a store killed midway left there.
    removeLeftoverReplacements();
    const ScopedCoInitialize com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const ScopedGdiplus gdiplusSession;
    // The number dialog's up-down control: its class must exist before any dialog creates one.
    InitCommonControls();
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
