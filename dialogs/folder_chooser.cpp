// The folder chooser: the shell's folder dialog, opened on a given folder, handing back the
// file-system path the user confirms.
#include "folder_chooser.h"

#include <shlobj.h>

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

// The shell's dialog; the path is asked for with the caller's room, since SHGetPathFromIDListW stops
// at MAX_PATH and a longer folder would act as Cancel.
bool showShellFolderDialog(BROWSEINFOW* record, wchar_t* path, int capacity) {
    ComPtr<IMalloc> allocator;
    SHGetMalloc(allocator.put());
    ScopedItemList chosen(allocator.get(), SHBrowseForFolderW(record));
    return chosen && SHGetPathFromIDListEx(chosen.get(), path, capacity, GPFIDL_DEFAULT);
}

}  // namespace

bool (*folderDialog)(BROWSEINFOW* record, wchar_t* path, int capacity) = showShellFolderDialog;

// The dialog writes its display name into a buffer of its own, so the caller's buffer only ever
// receives a whole path, and stays as it was after Cancel.
void browseForFolder(wchar_t* result, int capacity, HWND owner, const wchar_t* initialFolder) {
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
    if (folderDialog(&record, path, kPathCapacity)) {
        copyText(result, capacity, path);
    }
}
