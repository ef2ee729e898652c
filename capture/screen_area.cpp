// Where a capture comes from: the chosen window brought forward, its area on the screen, and the
// part of that area that any screen shows.
#include "screen_area.h"

#include <dwmapi.h>

#include "system_calls.h"

namespace {

// Windows Vista and later know the frame that is drawn; where they do not tell it (no
// composition, Wine) the window's rectangle is used.
bool findFrameBounds(HWND window, RECT* area) {
    return queryWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, area, sizeof(*area));
}

}  // namespace

void bringForward(HWND window) {
    if (IsIconic(window)) {
        ShowWindowAsync(window, SW_RESTORE);
    }
    SetForegroundWindow(window);
}

bool findWindowArea(HWND window, RECT* area) {
    return findFrameBounds(window, area) || GetWindowRect(window, area);
}

ScreenPart visiblePart(const CaptureRegion& region, const RECT& screen) {
    const RECT whole = {region.left, region.top, region.left + region.width, region.top + region.height};
    RECT shown = {};
    if (!IntersectRect(&shown, &whole, &screen)) {
        return ScreenPart{};
    }
    return {shown.left, shown.top, shown.left - region.left, shown.top - region.top, shown.right - shown.left,
            shown.bottom - shown.top};
}

bool onAnyScreen(const RECT& area) {
    return MonitorFromRect(&area, MONITOR_DEFAULTTONULL) != nullptr;
}

RECT virtualScreen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}
