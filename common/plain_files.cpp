// Plain files told apart from links by a handle to the name itself, and the write and the delete
// that are done only to them.
#include "plain_files.h"

#include <cwchar>

#include "held_files.h"
#include "scoped.h"
#include "sizes.h"
#include "text.h"

namespace {

// Any path the program names, on its volume.
constexpr int kNameCapacity = kPathCapacity;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Why a name was refused: no wait mends it, and it is not taken for a file held by another program.
constexpr DWORD kNotAPlainFile = ERROR_CANT_ACCESS_FILE;

// The path of an open file or folder on its volume, as the system names it: "\dir\name".
struct NameOnVolume {
    FILE_NAME_INFO information;
    wchar_t rest[kNameCapacity];
};

bool nameOf(HANDLE handle, NameOnVolume* name, DWORD* volume) {
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(handle, &information) ||
        !GetFileInformationByHandleEx(handle, FileNameInfo, name, sizeof(*name))) {
        return false;
    }
    *volume = information.dwVolumeSerialNumber;
    return true;
}

bool sameName(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength) {
    return CompareStringOrdinal(a, static_cast<int>(aLength), b, static_cast<int>(bLength), TRUE) == CSTR_EQUAL;
}

// The system names the open file as its folder's own entry of that name: a unix link under Wine
// opens as its target and is named where the target lies. Windows opens the link itself here, and
// tells it by its attributes instead.
bool standsAtItsOwnName(HANDLE file, const wchar_t* path) {
    const wchar_t* name = wcsrchr(path, L'\\');
    wchar_t folder[kPathCapacity] = {};
    if (!name || !copyText(folder, kPathCapacity, path)) {
        return false;
    }
    ++name;
    folder[name - path] = L'\0';
    const ScopedFile folderHandle(CreateFileW(folder, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    NameOnVolume folderName = {}, fileName = {};
    DWORD folderVolume = 0, fileVolume = 0;
    if (!folderHandle || !nameOf(folderHandle.get(), &folderName, &folderVolume) ||
        !nameOf(file, &fileName, &fileVolume) || folderVolume != fileVolume) {
        return false;
    }
    const wchar_t* inFolder = folderName.information.FileName;
    size_t folderLength = folderName.information.FileNameLength / sizeof(wchar_t);
    if (folderLength > 0 && inFolder[folderLength - 1] == L'\\') {
        --folderLength;
    }
    const wchar_t* inFile = fileName.information.FileName;
    const size_t fileLength = fileName.information.FileNameLength / sizeof(wchar_t);
    return fileLength > folderLength + 1 && inFile[folderLength] == L'\\' &&
           sameName(inFile, folderLength, inFolder, folderLength) &&
           sameName(inFile + folderLength + 1, fileLength - folderLength - 1, name, wcslen(name));
}

}  // namespace

NameEntry entryOf(HANDLE file, const wchar_t* path) {
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(file, &information)) {
        return {NameHolds::SomethingElse};
    }
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    const bool plain = (information.dwFileAttributes & kNotPlain) == 0 && standsAtItsOwnName(file, path);
    return {plain ? NameHolds::PlainFile : NameHolds::SomethingElse, information.dwFileAttributes,
            information.nNumberOfLinks};
}

// Attributes only: such a handle never stands in the way of another program's, nor theirs in its.
NameEntry entryAt(const wchar_t* path) {
    const ScopedFile file(CreateFileW(path, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        return {fileNotThere(GetLastError()) ? NameHolds::Nothing : NameHolds::SomethingElse};
    }
    return entryOf(file.get(), path);
}

// Opened without sharing, the file cannot change under the check, and one another program has open
// cannot be opened at all. It goes through the handle that was checked, so only what was proven
// plain goes.
bool deleteUnlessLink(const wchar_t* path) {
    const ScopedFile file(CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        return false;
    }
    if (entryOf(file.get(), path).holds != NameHolds::PlainFile) {
        SetLastError(kNotAPlainFile);
        return false;
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

bool writeInPlace(const wchar_t* path, const void* bytes, DWORD size) {
    return retryWhileHeld(path, [&] {
        const ScopedFile file(CreateFileW(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file) {
            return false;
        }
        const NameEntry entry = entryOf(file.get(), path);
        if (entry.holds != NameHolds::PlainFile || entry.links != 1 || (entry.attributes & FILE_ATTRIBUTE_READONLY)) {
            SetLastError(kNotAPlainFile);
            return false;
        }
        DWORD written = 0;
        return WriteFile(file.get(), bytes, size, &written, nullptr) && written == size && SetEndOfFile(file.get()) &&
               FlushFileBuffers(file.get());
    });
}
