// The main window's command switch over menu and panel commands, and the About box.
#include "app/app.h"

LRESULT handleCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
}
