// Move-only owners for what one call creates and must free, so every early return is a correct one.
#ifndef GLIMRA_SCOPED_H
#define GLIMRA_SCOPED_H

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <utility>

// A value with a "none" state and a function that frees it; the template behind the wrappers below.
template <typename T, typename Traits>
class Scoped {
public:
    Scoped() : value_(Traits::none()) {}
    explicit Scoped(T value) : value_(value) {}
    ~Scoped() { reset(); }
    Scoped(Scoped&& other) noexcept : value_(other.release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    T get() const { return value_; }
    bool valid() const { return value_ != Traits::none(); }
    explicit operator bool() const { return valid(); }
    T release() {
        T value = value_;
        value_ = Traits::none();
        return value;
    }
    void reset(T value = Traits::none()) {
        if (valid()) {
            Traits::free(value_);
        }
        value_ = value;
    }

private:
    T value_;
};

struct FileHandleTraits {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static void free(HANDLE h) { CloseHandle(h); }
};
using ScopedFile = Scoped<HANDLE, FileHandleTraits>;

struct KernelHandleTraits {
    static HANDLE none() { return nullptr; }
    static void free(HANDLE h) { CloseHandle(h); }
};
using ScopedHandle = Scoped<HANDLE, KernelHandleTraits>;

struct FindTraits {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static void free(HANDLE find) { FindClose(find); }
};
using ScopedFind = Scoped<HANDLE, FindTraits>;

struct MemoryDCTraits {
    static HDC none() { return nullptr; }
    static void free(HDC dc) { DeleteDC(dc); }
};
using ScopedMemoryDC = Scoped<HDC, MemoryDCTraits>;

struct GdiObjectTraits {
    static HGDIOBJ none() { return nullptr; }
    static void free(HGDIOBJ object) { DeleteObject(object); }
};
using ScopedGdiObject = Scoped<HGDIOBJ, GdiObjectTraits>;

struct IconTraits {
    static HICON none() { return nullptr; }
    static void free(HICON icon) { DestroyIcon(icon); }
};
using ScopedIcon = Scoped<HICON, IconTraits>;

struct ModuleTraits {
    static HMODULE none() { return nullptr; }
    static void free(HMODULE module) { FreeLibrary(module); }
};
using ScopedModule = Scoped<HMODULE, ModuleTraits>;

// A device context obtained from a window (GetWindowDC/GetDC) goes back with ReleaseDC.
class ScopedWindowDC {
public:
    ScopedWindowDC(HWND window, HDC dc) : window_(window), dc_(dc) {}
    ~ScopedWindowDC() {
        if (dc_) {
            ReleaseDC(window_, dc_);
        }
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Puts the previously selected object back before the DC or the object is deleted.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelection() {
        if (previous_ && previous_ != HGDI_ERROR) {
            SelectObject(dc_, previous_);
        }
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A COM interface pointer, released once.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& other) noexcept : ptr_(other.ptr_) { other.ptr_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            ptr_ = other.ptr_;
            other.ptr_ = nullptr;
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // For out-parameters: frees what was held and hands out the slot.
    T** put() {
        reset();
        return &ptr_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (ptr_) {
            ptr_->Release();
            ptr_ = nullptr;
        }
    }

private:
    T* ptr_ = nullptr;
};

// COM on this thread while one lives: for one call (the shortcut), or for the whole run,
// apartment-threaded as the shell's folder dialog and ShellExecuteW want it. Undone only where it
// succeeded: S_FALSE (COM already started on the thread) is undone too, a refusal (another
// apartment kind) is not, since undoing that would end the caller's own COM.
class ScopedCoInitialize {
public:
    explicit ScopedCoInitialize(DWORD apartment = COINIT_APARTMENTTHREADED)
        : result_(CoInitializeEx(nullptr, apartment)) {}
    ~ScopedCoInitialize() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ScopedCoInitialize(const ScopedCoInitialize&) = delete;
    ScopedCoInitialize& operator=(const ScopedCoInitialize&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// A shell item-identifier list, freed with the shell's task allocator it came from.
class ScopedItemList {
public:
    ScopedItemList(IMalloc* allocator, LPITEMIDLIST list) : allocator_(allocator), list_(list) {}
    ~ScopedItemList() {
        if (list_ && allocator_) {
            allocator_->Free(list_);
        }
    }
    ScopedItemList(const ScopedItemList&) = delete;
    ScopedItemList& operator=(const ScopedItemList&) = delete;
    LPITEMIDLIST get() const { return list_; }
    explicit operator bool() const { return list_ != nullptr; }

private:
    IMalloc* allocator_;
    LPITEMIDLIST list_;
};

#endif
