// The save folder kept in "dirInfo.dat" beside the executable as UTF-16LE without a mark or a
// terminator, and the one rule for the default folder.
#include "save_folder.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "state_files.h"
#include "text.h"

wchar_t saveFolder[kPathCapacity];

namespace {

const wchar_t kDefaultFolderName[] = L"image\\";

// 499 characters, so a terminator always follows what is read; Notepad's "Unicode" puts a
// byte-order mark before them.
constexpr DWORD kFolderFileMaxBytes = 998;
const unsigned char kUtf16Mark[] = {0xFF, 0xFE};

// A stored folder that could not be read at start-up is kept on disk until the user chooses one.
bool storedFolderUnread;
bool folderChosenThisRun;

}  // namespace

// Loading starts the run's record of the file: unread until the read succeeds, nothing chosen yet.
// A file with an odd number of bytes holds half a character: no exact path can be read from it.
FileRead loadSaveFolder() {
    storedFolderUnread = true;
    folderChosenThisRun = false;

    unsigned char bytes[sizeof(kUtf16Mark) + kFolderFileMaxBytes] = {};
    DWORD size = 0;
    const FileRead read = readFileBesideExe(folderFileName, bytes, sizeof(bytes), &size);
    if (read != FileRead::Read) {
        return read;
    }
    if (size == 0) {
        createBesideExeIfMissing(folderFileName);
    }
    const DWORD mark = size >= sizeof(kUtf16Mark) && memcmp(bytes, kUtf16Mark, sizeof(kUtf16Mark)) == 0
                           ? static_cast<DWORD>(sizeof(kUtf16Mark))
                           : 0;
    if (size - mark > kFolderFileMaxBytes) {
        return FileRead::TooLarge;
    }
    if ((size - mark) % sizeof(wchar_t) != 0) {
        return FileRead::Failed;
    }
    wchar_t stored[kPathCapacity] = {};
    memcpy(stored, bytes + mark, size - mark);
    if (stored[0] != L'\0') {
        copyText(saveFolder, kPathCapacity, stored);
    } else if (!chooseDefaultSaveFolder()) {
        saveFolder[0] = L'\0';
    }
    storedFolderUnread = false;
    return FileRead::Read;
}

int storeSaveFolder() {
    if (storedFolderUnread && !folderChosenThisRun) {
        return 1;
    }
    DWORD bytes = static_cast<DWORD>(wcsnlen(saveFolder, kPathCapacity) * sizeof(wchar_t));
    return writeFileBesideExe(folderFileName, saveFolder, bytes) ? 1 : 0;
}

void chooseSaveFolder(const wchar_t* folder) {
    copyText(saveFolder, kPathCapacity, folder);
    folderChosenThisRun = true;
}

// Without the executable's folder there is no default: a bare "image" folder would be looked
// for in whatever the current folder is.
bool defaultSaveFolder(wchar_t* folder) {
    return exeFolder[0] != L'\0' && copyText(folder, kPathCapacity, exeFolder) &&
           appendText(folder, kPathCapacity, kDefaultFolderName);
}

bool fallBackToDefaultSaveFolderUnchosen() {
    wchar_t folder[kPathCapacity] = {};
    if (!defaultSaveFolder(folder)) {
        return false;
    }
    copyText(saveFolder, kPathCapacity, folder);
    return true;
}

bool chooseDefaultSaveFolder() {
    if (!fallBackToDefaultSaveFolderUnchosen()) {
        return false;
    }
    folderChosenThisRun = true;
    return true;
}

FolderState testFolder(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FolderState::Present : FolderState::Missing;
    }
    return wcsnlen(path, kPathCapacity) >= MAX_PATH ? FolderState::Unknown : FolderState::Missing;
}

bool createSaveFolder() {
    return CreateDirectoryW(saveFolder, nullptr) != FALSE;
}
