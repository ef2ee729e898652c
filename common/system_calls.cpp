// Calls that only later Windows versions have, found when first needed: dwmapi's window
// attributes and user32's thread DPI awareness.
#include "system_calls.h"

#include "scoped.h"
#include "sizes.h"
#include "text.h"

namespace {

using GetWindowAttributeCall = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

// Loaded from the system folder, never from beside the executable, and kept once loaded: the
// picker asks for every window it walks.
GetWindowAttributeCall findGetWindowAttribute() {
    static const ScopedModule dwm([] {
        wchar_t path[kPathCapacity] = {};
        const UINT length = GetSystemDirectoryW(path, kPathCapacity);
        if (length == 0 || length >= kPathCapacity || !appendText(path, kPathCapacity, L"\\dwmapi.dll")) {
            return static_cast<HMODULE>(nullptr);
        }
        return LoadLibraryW(path);
    }());
    if (!dwm) {
        return nullptr;
    }
    return reinterpret_cast<GetWindowAttributeCall>(
        reinterpret_cast<void*>(GetProcAddress(dwm.get(), "DwmGetWindowAttribute")));
}

}  // namespace

bool queryWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size) {
    const GetWindowAttributeCall getAttribute = findGetWindowAttribute();
    return getAttribute && SUCCEEDED(getAttribute(window, attribute, value, size));
}

// user32 is linked, so it is loaded for as long as the process runs.
SetThreadDpiContextCall findSetThreadDpiContext() {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32) {
        return nullptr;
    }
    return reinterpret_cast<SetThreadDpiContextCall>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetThreadDpiAwarenessContext")));
}

// The call answers the context the thread had before, or null when it refused the new one.
ScopedPhysicalPixels::ScopedPhysicalPixels(SetThreadDpiContextCall setContext)
    : setContext_(setContext),
      previous_(setContext ? setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) : nullptr) {}

ScopedPhysicalPixels::~ScopedPhysicalPixels() {
    if (previous_) {
        setContext_(previous_);
    }
}
