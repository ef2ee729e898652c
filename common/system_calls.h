// Calls that only later Windows versions have, found when first needed so that the program still
// starts where they are missing: the desktop window manager's window attributes, and the thread's
// DPI awareness with its owner. Where a call is missing or fails, its callers go on as before.
#ifndef GLIMRA_SYSTEM_CALLS_H
#define GLIMRA_SYSTEM_CALLS_H

#include <windows.h>

// DwmGetWindowAttribute; false where dwmapi or the call is missing or refuses (no composition,
// Wine), with the value then left as it was.
bool queryWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size);

using SetThreadDpiContextCall = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
// user32's SetThreadDpiAwarenessContext (Windows 10 1607 and later), or null.
SetThreadDpiContextCall findSetThreadDpiContext();

// While one lives, the thread sees every rectangle and the screen in physical pixels (per-monitor
// aware v2); the context it had is set back when it goes. Where the call is missing or refuses the
// context, nothing changes and the thread keeps the process's awareness.
class ScopedPhysicalPixels {
public:
    explicit ScopedPhysicalPixels(SetThreadDpiContextCall setContext = findSetThreadDpiContext());
    ~ScopedPhysicalPixels();
    ScopedPhysicalPixels(const ScopedPhysicalPixels&) = delete;
    ScopedPhysicalPixels& operator=(const ScopedPhysicalPixels&) = delete;
    bool active() const { return previous_ != nullptr; }

private:
    SetThreadDpiContextCall setContext_;
    DPI_AWARENESS_CONTEXT previous_;
};

#endif
