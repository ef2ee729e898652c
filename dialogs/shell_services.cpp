// Shell services behind the menu: the desktop shortcut's path, writing a shortcut to the program,
// and opening a document with the shell.
#include "shell_services.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "new_file.h"
#include "process_state.h"
#include "scoped.h"
#include "text.h"

namespace {

// ShellExecuteW answers a number above this on success.
constexpr UINT_PTR kLastShellErrorCode = 32;

// Each step runs only when the one before it succeeded, so 1 means the file was saved. The link is
// saved under a new name beside its own and moved over it: a link at the name, in a folder others
// may share, is replaced, never written through; a save that fails leaves nothing behind.
int saveShellLink(const wchar_t* linkPath) {
    if (!linkPath || linkPath[0] == L'\0') {
        return 0;
    }
    ComPtr<IShellLinkW> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid());
    if (FAILED(result) || !link) {
        return 0;
    }
    ComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.putVoid());
    if (FAILED(result) || !file) {
        return 0;
    }
    result = link->SetPath(shortcutTarget);
    if (SUCCEEDED(result)) {
        result = link->SetDescription(L"");
    }
    if (SUCCEEDED(result)) {
        result = link->SetShowCmd(SW_SHOWNORMAL);
    }
    if (FAILED(result)) {
        return 0;
    }
    NewFile saved = NewFile::replacing(linkPath);
    if (!saved) {
        return 0;
    }
    saved.close();
    result = file->Save(saved.path(), TRUE);
    return SUCCEEDED(result) && saved.commit() ? 1 : 0;
}

}  // namespace

// Without a desktop folder the path stays empty: a bare "\\Glimra3.lnk" would land in the root
// of whatever drive is current.
void desktopLinkPath(wchar_t* result) {
    wchar_t desktop[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOP, TRUE) || desktop[0] == L'\0') {
        return;
    }
    if (copyText(result, kPathCapacity, desktop) && appendText(result, kPathCapacity, L"\\")) {
        appendText(result, kPathCapacity, shortcutFileName);
    }
}

int createShortcut(const wchar_t* linkPath) {
    ScopedCoInitialize com;
    return saveShellLink(linkPath);
}

int openDocument(const wchar_t* path, HWND owner) {
    HINSTANCE answer = ShellExecuteW(owner, L"open", path, nullptr, nullptr, SW_SHOW);
    UINT_PTR code = reinterpret_cast<UINT_PTR>(answer);
    switch (code) {
    case 0:
        return kOpenOutOfMemory;
    case ERROR_FILE_NOT_FOUND:
        return kOpenFileNotFound;
    case ERROR_PATH_NOT_FOUND:
        return kOpenPathNotFound;
    case ERROR_BAD_FORMAT:
        return kOpenBadFormat;
    case SE_ERR_ACCESSDENIED:
        return kOpenAccessDenied;
    case SE_ERR_DLLNOTFOUND:
        return kOpenDllNotFound;
    case SE_ERR_SHARE:
        return kOpenShareViolation;
    default:
        return code > kLastShellErrorCode ? kOpenOpened : kOpenFailedOther;
    }
}
