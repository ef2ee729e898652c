// The state files beside the executable: named by the rule of the executable's folder, read whole,
// made empty on a first start, replaced whole or written where they stand.
#include "state_files.h"

#include "held_files.h"
#include "new_file.h"
#include "plain_files.h"
#include "scoped.h"
#include "text.h"

bool exeRelativePath(wchar_t* buffer, const wchar_t* name) {
    return moduleFolder(buffer) && appendText(buffer, kPathCapacity, name);
}

// A path that cannot be named opens nothing, as a file held by another program would.
FileRead readFileBesideExe(const wchar_t* name, void* buffer, DWORD maxBytes, DWORD* bytesRead) {
    if (bytesRead) {
        *bytesRead = 0;
    }
    wchar_t path[kPathCapacity] = {};
    if (!exeRelativePath(path, name)) {
        return FileRead::Unopened;
    }
    return readFileAt(path, buffer, maxBytes, bytesRead);
}

// A file that is not there is nothing to read: it reads as an empty one, at once. Another reader
// never stands in the way; a writer, or a lock on the bytes, does for as long as the wait for a
// hold lasts.
FileRead readFileAt(const wchar_t* path, void* buffer, DWORD maxBytes, DWORD* bytesRead) {
    if (bytesRead) {
        *bytesRead = 0;
    }
    FileRead result = FileRead::Unopened;
    DWORD read = 0;
    retryWhileHeld(path, [&] {
        ScopedFile file(
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = GetLastError();
            result = fileNotThere(error) ? FileRead::Read : FileRead::Unopened;
            SetLastError(error);
            return result == FileRead::Read;
        }
        // The whole size: a file of 4 GiB and more is no small one.
        LARGE_INTEGER size = {};
        if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > static_cast<LONGLONG>(maxBytes)) {
            result = FileRead::TooLarge;
            return true;
        }
        const DWORD bytes = static_cast<DWORD>(size.QuadPart);
        if (!ReadFile(file.get(), buffer, bytes, &read, nullptr)) {
            result = FileRead::Failed;
            return false;
        }
        result = read == bytes ? FileRead::Read : FileRead::Failed;
        return true;
    });
    if (result == FileRead::Read && bytesRead) {
        *bytesRead = read;
    }
    return result;
}

// A start removes what a kill left: replacements beside the state files, and scratch copies of the
// settings file whose run is gone.
void removeLeftoverReplacements() {
    for (const wchar_t* name : {settingsFileName, folderFileName, memoFileName}) {
        wchar_t path[kPathCapacity] = {};
        if (exeRelativePath(path, name)) {
            removeLeftoverReplacementsOf(path);
        }
    }
    removeLeftoverScratchesOf(settingsFileName);
}

// Made new, so a name that appeared meanwhile, a link among them, is never written; a folder that
// takes no new file refuses at once, and that is no failure anyone is told of.
void createBesideExeIfMissing(const wchar_t* name) {
    wchar_t path[kPathCapacity] = {};
    if (exeRelativePath(path, name)) {
        NewFile::create(path).commit();
    }
}

bool writeFileBesideExe(const wchar_t* name, const void* bytes, DWORD size) {
    wchar_t path[kPathCapacity] = {};
    return exeRelativePath(path, name) && replaceFileWhole(path, bytes, size);
}

// A replacement keeps the file whole on a full drive and never writes through a link; where none
// can be made, or a plain file refuses to be replaced for good (one the user may write but not
// delete), the file is written where it stands, as a plain program would, rather than not at all.
// A file another program holds beyond the wait is no such case: it would refuse that write too.
bool replaceFileWhole(const wchar_t* path, const void* bytes, DWORD size) {
    NewFile file = NewFile::replacing(path);
    if (!file) {
        return file.writeInPlaceInstead() && writeInPlace(path, bytes, size);
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes, size, &written, nullptr) || written != size) {
        return false;
    }
    if (file.commit()) {
        return true;
    }
    const DWORD error = GetLastError();
    return error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION && writeInPlace(path, bytes, size);
}
