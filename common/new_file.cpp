// Files made new, and replacements made beside their targets and moved over them.
#include "new_file.h"

#include <cwchar>

#include "held_files.h"
#include "text.h"

namespace {

const wchar_t kReplacementFormat[] = L"%ls.%08X.tmp";
constexpr int kReplacementNameTries = 100;

bool isHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
}

// "<of>.XXXXXXXX.tmp", the file names compared as the file system compares them.
bool isReplacementName(const wchar_t* name, const wchar_t* of) {
    const size_t length = wcslen(of);
    if (wcslen(name) != length + kReplacementSuffixLength ||
        CompareStringOrdinal(name, static_cast<int>(length), of, static_cast<int>(length), TRUE) != CSTR_EQUAL ||
        name[length] != L'.' || CompareStringOrdinal(name + length + 9, -1, L".tmp", -1, TRUE) != CSTR_EQUAL) {
        return false;
    }
    for (size_t at = length + 1; at < length + 9; ++at) {
        if (!isHexDigit(name[at])) {
            return false;
        }
    }
    return true;
}

struct FindTraits {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static void free(HANDLE find) { FindClose(find); }
};

ScopedFile createAt(const wchar_t* path) {
    return ScopedFile(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

NewFile NewFile::create(const wchar_t* path) {
    NewFile made;
    if (!copyText(made.made_, kNewFilePathCapacity, path)) {
        made.error_ = ERROR_FILENAME_EXCED_RANGE;
        return made;
    }
    made.file_ = createAt(path);
    made.error_ = made.file_ ? 0 : GetLastError();
    if (!made.file_) {
        made.made_[0] = L'\0';
    }
    return made;
}

// Beside the target, so the move stays on one volume and a write cut short (a full drive) never
// touches it. The name is the target's own with a number no file or folder there has yet, so
// nothing an earlier run left behind (a folder, a read-only file) is ever in the way, and it is
// never written over. Numbers start from the clock and the process, so two runs seldom try the
// same names. A read-only target is refused, as Windows refuses to move over it (Wine would not).
NewFile NewFile::replacing(const wchar_t* path) {
    static DWORD nextNumber = GetTickCount() ^ (GetCurrentProcessId() << 16);
    NewFile made;
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        made.error_ = ERROR_ACCESS_DENIED;
        return made;
    }
    if (!copyText(made.target_, kPathCapacity, path)) {
        made.error_ = ERROR_FILENAME_EXCED_RANGE;
        return made;
    }
    for (int tries = 0; tries < kReplacementNameTries; ++tries) {
        const unsigned number = nextNumber++;
        if (!formatText(made.made_, kNewFilePathCapacity, kReplacementFormat, path, number)) {
            made.error_ = ERROR_FILENAME_EXCED_RANGE;
            break;
        }
        made.file_ = createAt(made.made_);
        made.error_ = made.file_ ? 0 : GetLastError();
        // A name that is free but cannot be made (a full or read-only folder) is no better than the next.
        if (made.file_ || GetFileAttributesW(made.made_) == INVALID_FILE_ATTRIBUTES) {
            break;
        }
    }
    if (!made.file_) {
        made.made_[0] = L'\0';
    }
    return made;
}

NewFile::NewFile(NewFile&& other) noexcept {
    *this = std::move(other);
}

NewFile& NewFile::operator=(NewFile&& other) noexcept {
    if (this != &other) {
        discard();
        file_ = std::move(other.file_);
        error_ = other.error_;
        wmemcpy(made_, other.made_, kNewFilePathCapacity);
        wmemcpy(target_, other.target_, kPathCapacity);
        other.made_[0] = L'\0';
    }
    return *this;
}

NewFile::~NewFile() {
    discard();
}

bool NewFile::commit() {
    if (made_[0] == L'\0') {
        return false;
    }
    file_.reset();
    if (target_[0] == L'\0' || retryWhileHeld(target_, [&] {
            return MoveFileExW(made_, target_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        })) {
        made_[0] = L'\0';
        return true;
    }
    discard();
    return false;
}

// The name is ours alone, made new: deleting it never reaches anything else. A program that
// opens every new file (an antivirus) may still hold it for a moment.
void NewFile::discard() {
    file_.reset();
    if (made_[0] != L'\0') {
        retryWhileHeld(made_, [&] { return DeleteFileW(made_) != FALSE; });
        made_[0] = L'\0';
    }
}

void removeLeftoverReplacementsOf(const wchar_t* path) {
    const wchar_t* name = wcsrchr(path, L'\\');
    wchar_t pattern[kNewFilePathCapacity] = {};
    if (!name || !copyText(pattern, kNewFilePathCapacity, path) ||
        !appendText(pattern, kNewFilePathCapacity, L".*.tmp")) {
        return;
    }
    ++name;
    const size_t folderLength = static_cast<size_t>(name - path);
    WIN32_FIND_DATAW found = {};
    const Scoped<HANDLE, FindTraits> find(
        FindFirstFileExW(pattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    for (BOOL more = find.valid(); more; more = FindNextFileW(find.get(), &found)) {
        wchar_t leftover[kNewFilePathCapacity] = {};
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !isReplacementName(found.cFileName, name) ||
            !copyText(leftover, kNewFilePathCapacity, path)) {
            continue;
        }
        leftover[folderLength] = L'\0';
        if (appendText(leftover, kNewFilePathCapacity, found.cFileName)) {
            DeleteFileW(leftover);
        }
    }
}

namespace {

// The path the file system gives for an open file or folder: "\\?\" and its full path.
bool finalPathOf(HANDLE handle, wchar_t* path, DWORD capacity) {
    const DWORD length = GetFinalPathNameByHandleW(handle, path, capacity, FILE_NAME_NORMALIZED);
    return length > 0 && length < capacity;
}

// Opened through a link, a file's final path is its target's: Windows' own links show as reparse
// points, Wine's unix links only by that path. The folder's own final path stands for the folder,
// since it may itself be reached through a link.
bool isFileAtItsOwnName(HANDLE file, const wchar_t* path) {
    const wchar_t* name = wcsrchr(path, L'\\');
    wchar_t folder[kNewFilePathCapacity] = {};
    if (!name || !copyText(folder, kNewFilePathCapacity, path)) {
        return false;
    }
    folder[name - path] = L'\0';
    const ScopedFile folderHandle(CreateFileW(folder, FILE_READ_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    wchar_t expected[kNewFilePathCapacity] = {};
    wchar_t actual[kNewFilePathCapacity] = {};
    return folderHandle && finalPathOf(folderHandle.get(), expected, kNewFilePathCapacity) &&
           appendText(expected, kNewFilePathCapacity, name) &&
           finalPathOf(file, actual, kNewFilePathCapacity) &&
           CompareStringOrdinal(expected, -1, actual, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

// Opened without sharing, the file cannot change under the checks, and one another program is
// writing cannot be opened at all. It goes through its own handle, so only what was checked goes.
bool deleteUnlessLink(const wchar_t* path) {
    const ScopedFile file(CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!file || !GetFileInformationByHandle(file.get(), &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        !isFileAtItsOwnName(file.get(), path)) {
        return false;
    }
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}
