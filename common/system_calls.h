// Where DLLs come from, and every call found by name at run time: the DLL search confined to the
// system folder, GDI+ loaded from there with its flat calls, the desktop window manager's window
// attributes, the thread's DPI awareness and the message filter. Where a call is missing or fails,
// its callers go on as before.
#ifndef GLIMRA_SYSTEM_CALLS_H
#define GLIMRA_SYSTEM_CALLS_H

#include <windows.h>
#include <objbase.h>
#include <gdiplus.h>

#include "scoped.h"

// Takes the executable's folder and the current folder out of every later DLL search, so that a
// DLL planted beside the program never runs. The first thing the program does.
void restrictDllSearchToSystemFolder();

// A DLL of Windows' own, by its full path in the system folder; null where it cannot be loaded.
HMODULE loadSystemLibrary(const wchar_t* name);

constexpr wchar_t kGdiplusLibrary[] = L"gdiplus.dll";

// A table of calls found by name: one field per line of a list, named as the call's export. The
// alias lets a list spell a pointer type as it is written, "BOOL(WINAPI*)(DWORD)".
template <typename Call>
using CallPointer = Call;
#define GLIMRA_CALL_FIELD(name, type) CallPointer<type> name;

// The GDI+ calls the program makes, found in gdiplus.dll from the system folder. GDI+ is not in
// the import table: the loader would look for it beside the executable before anything here runs.
#define GLIMRA_GDIPLUS_CALLS(V)                                                                 \
    V(GdiplusStartup, decltype(&Gdiplus::GdiplusStartup))                                     \
    V(GdiplusShutdown, decltype(&Gdiplus::GdiplusShutdown))                                   \
    V(GdipGetImageEncodersSize, decltype(&Gdiplus::DllExports::GdipGetImageEncodersSize))     \
    V(GdipGetImageEncoders, decltype(&Gdiplus::DllExports::GdipGetImageEncoders))             \
    V(GdipCreateBitmapFromScan0, decltype(&Gdiplus::DllExports::GdipCreateBitmapFromScan0))   \
    V(GdipCreateBitmapFromHBITMAP, decltype(&Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP)) \
    V(GdipSaveImageToStream, decltype(&Gdiplus::DllExports::GdipSaveImageToStream))           \
    V(GdipDisposeImage, decltype(&Gdiplus::DllExports::GdipDisposeImage))
struct GdiplusCalls {
    GLIMRA_GDIPLUS_CALLS(GLIMRA_CALL_FIELD)
};
// Null until ScopedGdiplus has started GDI+, and where it could not.
const GdiplusCalls* gdiplus();

// GDI+ from start-up to shut-down; its encoders work only in between.
class ScopedGdiplus {
public:
    ScopedGdiplus();
    ~ScopedGdiplus();
    ScopedGdiplus(const ScopedGdiplus&) = delete;
    ScopedGdiplus& operator=(const ScopedGdiplus&) = delete;
    bool started() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

// A GDI+ image or bitmap, disposed of once.
struct GdiplusImageTraits {
    static Gdiplus::GpImage* none() { return nullptr; }
    static void free(Gdiplus::GpImage* image) { gdiplus()->GdipDisposeImage(image); }
};
using ScopedGdiplusImage = Scoped<Gdiplus::GpImage*, GdiplusImageTraits>;

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

// ChangeWindowMessageFilterEx (Windows 7 and later): lets the message reach the window from a
// process of lower integrity. False where the filter is missing or refuses.
bool allowMessageFromOtherLevels(HWND window, UINT message);

#endif
