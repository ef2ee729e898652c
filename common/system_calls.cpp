// The DLL search confined to the system folder, and every call found by name: GDI+'s flat calls,
// dwmapi's window attributes, user32's thread DPI awareness and message filter.
#include "system_calls.h"

#include "scoped.h"
#include "sizes.h"
#include "text.h"

namespace {

template <typename Call>
bool findCall(HMODULE module, const char* name, Call* call) {
    *call = module ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    return *call != nullptr;
}

// user32 and kernel32 are linked, so they stay loaded for as long as the process runs.
template <typename Call>
Call findLinkedCall(const wchar_t* library, const char* name) {
    Call call = nullptr;
    findCall(GetModuleHandleW(library), name, &call);
    return call;
}

GdiplusCalls gdiplusTable;
bool gdiplusFound;

// Kept loaded once found: images and encoders live in it until the program ends. The imaging
// component some GDI+ builds encode with (Wine's) is loaded from the system folder first: a DLL
// asked for by name is the one of that name already loaded, never one found beside the program.
bool findGdiplusCalls() {
    static const ScopedModule codecs(loadSystemLibrary(L"windowscodecs.dll"));
    static const ScopedModule library(loadSystemLibrary(kGdiplusLibrary));
    static const bool found =
        findCall(library.get(), "GdiplusStartup", &gdiplusTable.Startup) &&
        findCall(library.get(), "GdiplusShutdown", &gdiplusTable.Shutdown) &&
        findCall(library.get(), "GdipGetImageEncodersSize", &gdiplusTable.GetImageEncodersSize) &&
        findCall(library.get(), "GdipGetImageEncoders", &gdiplusTable.GetImageEncoders) &&
        findCall(library.get(), "GdipCreateBitmapFromScan0", &gdiplusTable.CreateBitmapFromScan0) &&
        findCall(library.get(), "GdipCreateBitmapFromHBITMAP", &gdiplusTable.CreateBitmapFromHBITMAP) &&
        findCall(library.get(), "GdipSaveImageToStream", &gdiplusTable.SaveImageToStream) &&
        findCall(library.get(), "GdipDisposeImage", &gdiplusTable.DisposeImage);
    return found;
}

using GetWindowAttributeCall = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

// Kept once loaded: the picker asks for every window it walks.
GetWindowAttributeCall findGetWindowAttribute() {
    static const ScopedModule dwm(loadSystemLibrary(L"dwmapi.dll"));
    GetWindowAttributeCall call = nullptr;
    findCall(dwm.get(), "DwmGetWindowAttribute", &call);
    return call;
}

}  // namespace

// SetDefaultDllDirectories came with KB2533623 on Windows 7; without it, SetDllDirectoryW("") at
// least takes the current folder out.
void restrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
    const auto setDefault = findLinkedCall<SetDefaultDllDirectoriesCall>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return;
    }
    SetDllDirectoryW(L"");
}

// The DLLs it needs come from the system folder as well, where the system knows the flag.
HMODULE loadSystemLibrary(const wchar_t* name) {
    wchar_t path[kPathCapacity] = {};
    const UINT length = GetSystemDirectoryW(path, kPathCapacity);
    if (length == 0 || length >= kPathCapacity || !appendText(path, kPathCapacity, L"\\") ||
        !appendText(path, kPathCapacity, name)) {
        return nullptr;
    }
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
        module = LoadLibraryW(path);
    }
    return module;
}

const GdiplusCalls* gdiplus() {
    return gdiplusFound ? &gdiplusTable : nullptr;
}

ScopedGdiplus::ScopedGdiplus() {
    if (!findGdiplusCalls()) {
        return;
    }
    Gdiplus::GdiplusStartupInput input;
    if (gdiplusTable.Startup(&token_, &input, nullptr) != Gdiplus::Ok) {
        token_ = 0;
    }
    gdiplusFound = token_ != 0;
}

ScopedGdiplus::~ScopedGdiplus() {
    if (token_) {
        gdiplusFound = false;
        gdiplusTable.Shutdown(token_);
    }
}

bool queryWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size) {
    const GetWindowAttributeCall getAttribute = findGetWindowAttribute();
    return getAttribute && SUCCEEDED(getAttribute(window, attribute, value, size));
}

SetThreadDpiContextCall findSetThreadDpiContext() {
    return findLinkedCall<SetThreadDpiContextCall>(L"user32.dll", "SetThreadDpiAwarenessContext");
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

bool allowMessageFromOtherLevels(HWND window, UINT message) {
    using MessageFilterCall = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
    const auto filter = findLinkedCall<MessageFilterCall>(L"user32.dll", "ChangeWindowMessageFilterEx");
    return filter && filter(window, message, MSGFLT_ALLOW, nullptr);
}
