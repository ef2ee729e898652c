// The folder chooser: the shell's folder dialog, opened on a given folder, handing back the
// file-system path the user confirms.
#include "folder_chooser.h"

#include <shlobj.h>

#include <cwchar>

#include "ids.h"
#include "scoped.h"
#include "sizes.h"
#include "text.h"
#include "ui.h"

namespace {

int CALLBACK browseCallbackProc(HWND browseWindow, UINT message, LPARAM, LPARAM data) {
    const wchar_t* initialFolder = reinterpret_cast<const wchar_t*>(data);
    if (message == BFFM_INITIALIZED && initialFolder && initialFolder[0] != L'\0') {
        SendMessageW(browseWindow, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

}  // namespace

PIDLIST_ABSOLUTE(WINAPI* showFolderDialog)(LPBROWSEINFOW record) = SHBrowseForFolderW;

// The dialog writes its display name into a buffer of its own, so the caller's buffer only ever
// receives a whole path, and stays as it was after Cancel. The path is asked for with the caller's
// room: a confirmed folder is always one of the file system, so a path that cannot be had is one
// too long for it, which SHGetPathFromIDListW would cut at MAX_PATH.
FolderChoice browseForFolder(wchar_t* result, int capacity, HWND owner, const wchar_t* initialFolder) {
    ComPtr<IMalloc> allocator;
    SHGetMalloc(allocator.put());

    wchar_t displayName[MAX_PATH] = {};
    wchar_t instruction[kStringCapacity] = {};
    loadText(IDS_CHOOSE_FOLDER, instruction, kStringCapacity);
    BROWSEINFOW record = {};
    record.hwndOwner = owner;
    record.pidlRoot = nullptr;
    record.pszDisplayName = displayName;
    record.lpszTitle = instruction;
    record.ulFlags = BIF_RETURNONLYFSDIRS;
    record.lpfn = browseCallbackProc;
    record.lParam = reinterpret_cast<LPARAM>(initialFolder);

    ScopedItemList chosen(allocator.get(), showFolderDialog(&record));
    if (!chosen) {
        return FolderChoice::Cancelled;
    }
    wchar_t path[kPathCapacity] = {};
    if (!SHGetPathFromIDListEx(chosen.get(), path, kPathCapacity, GPFIDL_DEFAULT) || capacity <= 0 ||
        wcsnlen(path, kPathCapacity) >= static_cast<size_t>(capacity)) {
        return FolderChoice::TooLong;
    }
    copyText(result, static_cast<size_t>(capacity), path);
    return FolderChoice::Chosen;
}
