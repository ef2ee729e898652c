// The DLL search confined to the system folder, and every call found by name: GDI+'s flat calls,
// dwmapi's window attributes, user32's thread DPI awareness and message filter.
#include "system_calls.h"

#include "scoped.h"
#include "sizes.h"
#include "text.h"

namespace {

// The calls of the DLLs every process has, and of dwmapi, one line each under the DLL that holds
// it: its export and its type. Where one is missing, the one function below that calls it does
// what the program does on a Windows without it.
#define KERNEL32_CALLS(V) V(SetDefaultDllDirectories, BOOL(WINAPI*)(DWORD))
#define USER32_CALLS(V)                                                                    \
    V(SetThreadDpiAwarenessContext, DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT)) \
    V(ChangeWindowMessageFilterEx, BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT))
#define DWMAPI_CALLS(V) V(DwmGetWindowAttribute, HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD))

struct Kernel32Calls {
    KERNEL32_CALLS(GLIMRA_CALL_FIELD)
};
struct User32Calls {
    USER32_CALLS(GLIMRA_CALL_FIELD)
};
struct DwmapiCalls {
    DWMAPI_CALLS(GLIMRA_CALL_FIELD)
};

template <typename Call>
bool findCall(HMODULE module, const char* name, Call* call) {
    *call = module ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    return *call != nullptr;
}

// Every call of a table looked up in its module; true when all were there.
#define FIND_CALL(name, type) found = findCall(module, #name, &calls->name) && found;
bool findCalls(HMODULE module, Kernel32Calls* calls) {
    bool found = true;
    KERNEL32_CALLS(FIND_CALL)
    return found;
}
bool findCalls(HMODULE module, User32Calls* calls) {
    bool found = true;
    USER32_CALLS(FIND_CALL)
    return found;
}
bool findCalls(HMODULE module, DwmapiCalls* calls) {
    bool found = true;
    DWMAPI_CALLS(FIND_CALL)
    return found;
}
bool findCalls(HMODULE module, GdiplusCalls* calls) {
    bool found = true;
    GLIMRA_GDIPLUS_CALLS(FIND_CALL)
    return found;
}
#undef FIND_CALL

template <typename Calls>
Calls callsIn(HMODULE module) {
    Calls calls = {};
    findCalls(module, &calls);
    return calls;
}

// Each table is filled once, at its first use. user32 and kernel32 are linked, so they stay loaded
// for as long as the process runs.
const Kernel32Calls& kernel32() {
    static const Kernel32Calls calls = callsIn<Kernel32Calls>(GetModuleHandleW(L"kernel32.dll"));
    return calls;
}

const User32Calls& user32() {
    static const User32Calls calls = callsIn<User32Calls>(GetModuleHandleW(L"user32.dll"));
    return calls;
}

// Loaded only when first asked, and kept: the picker asks for every window it walks.
const DwmapiCalls& dwmapi() {
    static const ScopedModule library(loadSystemLibrary(L"dwmapi.dll"));
    static const DwmapiCalls calls = callsIn<DwmapiCalls>(library.get());
    return calls;
}

GdiplusCalls gdiplusTable;
bool gdiplusFound;

// Kept loaded once found: images and encoders live in it until the program ends. The imaging
// component some GDI+ builds encode with (Wine's) is loaded from the system folder first: a DLL
// asked for by name is the one of that name already loaded, never one found beside the program.
// Without every call there is no GDI+ at all: gdiplus() stays null.
bool findGdiplusCalls() {
    static const ScopedModule codecs(loadSystemLibrary(L"windowscodecs.dll"));
    static const ScopedModule library(loadSystemLibrary(kGdiplusLibrary));
    static const bool found = findCalls(library.get(), &gdiplusTable);
    return found;
}

}  // namespace

// SetDefaultDllDirectories came with KB2533623 on Windows 7; without it, SetDllDirectoryW("") at
// least takes the current folder out.
void restrictDllSearchToSystemFolder() {
    const auto setDefault = kernel32().SetDefaultDllDirectories;
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
    if (gdiplusTable.GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) {
        token_ = 0;
    }
    gdiplusFound = token_ != 0;
}

ScopedGdiplus::~ScopedGdiplus() {
    if (token_) {
        gdiplusFound = false;
        gdiplusTable.GdiplusShutdown(token_);
    }
}

bool queryWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size) {
    const auto getAttribute = dwmapi().DwmGetWindowAttribute;
    return getAttribute && SUCCEEDED(getAttribute(window, attribute, value, size));
}

SetThreadDpiContextCall findSetThreadDpiContext() {
    return user32().SetThreadDpiAwarenessContext;
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
    const auto filter = user32().ChangeWindowMessageFilterEx;
    return filter && filter(window, message, MSGFLT_ALLOW, nullptr);
}
