// The save folder kept in "dirInfo.dat" beside the executable, and the rule that names every file
// beside the executable.
#include "state/state.h"

#include <cwchar>

#include "app/app.h"
#include "common/scoped.h"
#include "common/ui.h"

wchar_t saveFolder[kPathCapacity];

namespace {

const wchar_t kDefaultFolderName[] = L"image\\";

// A stored folder that could not be read at start-up is kept on disk until the run has a folder
// of its own to put there.
bool storedFolderUnread;
bool folderChosenThisRun;

ScopedFile openFolderFile(DWORD access) {
    wchar_t path[kPathCapacity] = {};
    if (!exeRelativePath(path, folderFileName)) {
        return ScopedFile();
    }
    return ScopedFile(CreateFileW(path, access, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Without the executable's folder there is no default: a bare "image" folder would be looked
// for in whatever the current folder is.
void useDefaultFolder() {
    if (exeFolder[0] == L'\0' || !copyText(saveFolder, kPathCapacity, exeFolder) ||
        !appendText(saveFolder, kPathCapacity, kDefaultFolderName)) {
        saveFolder[0] = L'\0';
    }
}

}  // namespace

bool exeRelativePath(wchar_t* buffer, const wchar_t* name) {
    buffer[0] = L'\0';
    wchar_t module[kPathCapacity] = {};
    DWORD length = GetModuleFileNameW(nullptr, module, kPathCapacity);
    // A full buffer means the path was cut, and a cut path names another file.
    if (length == 0 || length >= static_cast<DWORD>(kPathCapacity)) {
        return false;
    }
    wchar_t* lastSlash = wcsrchr(module, L'\\');
    if (!lastSlash) {
        return false;
    }
    lastSlash[1] = L'\0';
    return copyText(buffer, kPathCapacity, module) && appendText(buffer, kPathCapacity, name);
}

// Loading starts the run's record of the file: unread until the read succeeds, nothing chosen yet.
int loadSaveFolder() {
    storedFolderUnread = true;
    folderChosenThisRun = false;

    wchar_t stored[kPathCapacity] = {};
    ScopedFile file = openFolderFile(GENERIC_READ);
    if (!file) {
        return 0;
    }
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > static_cast<DWORD>(kFolderFileMaxBytes)) {
        showMessage(mainWindow, L"ファイルサイズが許容限界をオーバーしています。", MB_ICONERROR);
        return 0;
    }
    SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    DWORD read = 0;
    if (!ReadFile(file.get(), stored, size, &read, nullptr) || read != size) {
        return 0;
    }
    file.reset();

    if (stored[0] != L'\0') {
        copyText(saveFolder, kPathCapacity, stored);
    } else {
        useDefaultFolder();
    }
    storedFolderUnread = false;
    return 1;
}

int storeSaveFolder() {
    if (storedFolderUnread && !folderChosenThisRun) {
        return 1;
    }
    ScopedFile file = openFolderFile(GENERIC_WRITE);
    if (!file) {
        return 0;
    }
    DWORD bytes = static_cast<DWORD>(wcsnlen(saveFolder, kPathCapacity) * sizeof(wchar_t));
    DWORD written = 0;
    if (!WriteFile(file.get(), saveFolder, bytes, &written, nullptr) || written != bytes) {
        return 0;
    }
    // Whatever a longer path written earlier left behind goes.
    SetFilePointer(file.get(), 0, nullptr, FILE_CURRENT);
    if (!SetEndOfFile(file.get())) {
        return 0;
    }
    return 1;
}

void markSaveFolderChosen() { folderChosenThisRun = true; }
