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

namespace {

// A confirmed folder is always one of the file system, so a path that cannot be had is one too long
// for the room it is asked for with, which SHGetPathFromIDListW would cut at MAX_PATH.
FolderChoice askShell(BROWSEINFOW* record, wchar_t* path) {
    ComPtr<IMalloc> allocator;
    SHGetMalloc(allocator.put());
    ScopedItemList chosen(allocator.get(), SHBrowseForFolderW(record));
    if (!chosen) {
        return FolderChoice::Cancelled;
    }
    return SHGetPathFromIDListEx(chosen.get(), path, kPathCapacity, GPFIDL_DEFAULT) ? FolderChoice::Chosen
                                                                                    : FolderChoice::TooLong;
}

}  // namespace

FolderChoice (*askShellForFolder)(BROWSEINFOW* record, wchar_t* path) = askShell;

// The dialog writes its display name into a buffer of its own, so the caller's buffer only ever
// receives a whole path, and stays as it was after Cancel.
FolderChoice browseForFolder(wchar_t* result, int capacity, HWND owner, const wchar_t* initialFolder) {
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

    wchar_t path[kPathCapacity] = {};
    const FolderChoice choice = askShellForFolder(&record, path);
    if (choice != FolderChoice::Chosen) {
        return choice;
    }
    if (capacity <= 0 || wcsnlen(path, kPathCapacity) >= static_cast<size_t>(capacity)) {
        return FolderChoice::TooLong;
    }
    copyText(result, static_cast<size_t>(capacity), path);
    return FolderChoice::Chosen;
}
