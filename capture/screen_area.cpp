// Where a capture comes from: the chosen window brought forward, its area on the screen, and the
// part of that area that any screen shows.
#include "screen_area.h"

#include <dwmapi.h>

#include "scoped.h"
#include "sizes.h"
#include "text.h"

namespace {

using GetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

// Windows Vista and later know the frame that is drawn. dwmapi is loaded from the system folder
// only when asked, so the program still starts where it is missing; where it fails (no
// composition, Wine) the window's rectangle is used.
bool findFrameBounds(HWND window, RECT* area) {
    wchar_t path[kPathCapacity] = {};
    const UINT length = GetSystemDirectoryW(path, kPathCapacity);
    if (length == 0 || length >= kPathCapacity || !appendText(path, kPathCapacity, L"\\dwmapi.dll")) {
        return false;
    }
    ScopedModule dwm(LoadLibraryW(path));
    if (!dwm) {
        return false;
    }
    const auto getAttribute = reinterpret_cast<GetWindowAttribute>(
        reinterpret_cast<void*>(GetProcAddress(dwm.get(), "DwmGetWindowAttribute")));
    return getAttribute && SUCCEEDED(getAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, area, sizeof(*area)));
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

RECT virtualScreen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}
