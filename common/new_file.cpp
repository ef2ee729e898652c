// Files made new, and replacements made beside their targets and moved over them.
#include "new_file.h"

#include <cwchar>
#include <functional>

#include "held_files.h"
#include "plain_files.h"
#include "text.h"

namespace {

const wchar_t kReplacementFormat[] = L"%ls.%08X.tmp";
const wchar_t kScratchFormat[] = L"%ls%ls.%08X.%08X.tmp";
constexpr int kScratchSuffixLength = 22;
constexpr int kHexDigits = 8;
constexpr int kReplacementNameTries = 100;

bool isHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
}

bool isHexNumber(const wchar_t* digits) {
    for (int at = 0; at < kHexDigits; ++at) {
        if (!isHexDigit(digits[at])) {
            return false;
        }
    }
    return true;
}

// "<of>.XXXXXXXX.tmp", the file names compared as the file system compares them.
bool isReplacementName(const wchar_t* name, const wchar_t* of) {
    const size_t length = wcslen(of);
    return wcslen(name) == length + kReplacementSuffixLength &&
           CompareStringOrdinal(name, static_cast<int>(length), of, static_cast<int>(length), TRUE) == CSTR_EQUAL &&
           name[length] == L'.' && isHexNumber(name + length + 1) &&
           CompareStringOrdinal(name + length + 1 + kHexDigits, -1, L".tmp", -1, TRUE) == CSTR_EQUAL;
}

// "<of>.PPPPPPPP.CCCCCCCC.tmp": the process that made it, and its count.
bool isScratchName(const wchar_t* name, const wchar_t* of, DWORD* process) {
    const size_t length = wcslen(of);
    const wchar_t* digits = name + length + 1;
    if (wcslen(name) != length + kScratchSuffixLength ||
        CompareStringOrdinal(name, static_cast<int>(length), of, static_cast<int>(length), TRUE) != CSTR_EQUAL ||
        name[length] != L'.' || !isHexNumber(digits) || digits[kHexDigits] != L'.' ||
        !isHexNumber(digits + kHexDigits + 1) ||
        CompareStringOrdinal(digits + 2 * kHexDigits + 1, -1, L".tmp", -1, TRUE) != CSTR_EQUAL) {
        return false;
    }
    *process = wcstoul(digits, nullptr, 16);
    return true;
}

bool processRunning(DWORD id) {
    const ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

}  // namespace

void removeFilesIn(const wchar_t* folder, const wchar_t* pattern, const std::function<bool(const wchar_t*)>& isOurs) {
    wchar_t search[kNewFilePathCapacity] = {};
    if (!copyText(search, kNewFilePathCapacity, folder) || !appendText(search, kNewFilePathCapacity, pattern)) {
        return;
    }
    WIN32_FIND_DATAW found = {};
    const ScopedFind find(
        FindFirstFileExW(search, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    for (BOOL more = find.valid(); more; more = FindNextFileW(find.get(), &found)) {
        wchar_t leftover[kNewFilePathCapacity] = {};
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
            isOurs(found.cFileName) && copyText(leftover, kNewFilePathCapacity, folder) &&
            appendText(leftover, kNewFilePathCapacity, found.cFileName)) {
            deleteUnlessLink(leftover);
        }
    }
}

namespace {

bool temporaryFolder(wchar_t* folder) {
    const DWORD length = GetTempPathW(kPathCapacity, folder);
    return length > 0 && length < static_cast<DWORD>(kPathCapacity);
}

ScopedFile createAt(const wchar_t* path) {
    return ScopedFile(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// What a replacement takes over from the file it replaces; read-only is never among them, so a
// replacement of ours can always be deleted again.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

DWORD keptAttributes(DWORD attributes) {
    const DWORD kept = attributes & kKeptAttributes;
    return kept ? kept : FILE_ATTRIBUTE_NORMAL;
}

// Wine's ReplaceFileW makes a file of its own beside a target it then fails to move, and leaves it;
// a target another program holds is waited for here instead, before the call.
bool freeToReplace(const wchar_t* target) {
    const ScopedFile file(CreateFileW(target, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return file.valid();
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
// same names. A name of MAX_PATH or more is refused by every call on a Windows without long paths,
// and by the profile calls under Wine: a replacement is not made at one for a target that has none.
// Numbers start from the clock and the process, so two runs seldom try the same names; a name that
// is taken, by a file or a folder, is never written over.
ScopedFile createBeside(const wchar_t* path, DWORD access, wchar_t* made) {
    static DWORD nextNumber = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int tries = 0; tries < kReplacementNameTries; ++tries) {
        if (!formatText(made, kNewFilePathCapacity, kReplacementFormat, path, static_cast<unsigned>(nextNumber++))) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            break;
        }
        ScopedFile file(CreateFileW(made, access, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        // A name that is free but cannot be made (a full or read-only folder) is no better than the next.
        const DWORD error = GetLastError();
        if (file || GetFileAttributesW(made) == INVALID_FILE_ATTRIBUTES) {
            SetLastError(error);
            if (!file) {
                made[0] = L'\0';
            }
            return file;
        }
    }
    made[0] = L'\0';
    SetLastError(ERROR_FILE_EXISTS);
    return ScopedFile();
}

NewFile NewFile::scratch(const wchar_t* name) {
    static DWORD count = 0;
    NewFile made;
    wchar_t folder[kPathCapacity] = {};
    if (!temporaryFolder(folder) ||
        !formatText(made.made_, kNewFilePathCapacity, kScratchFormat, folder, name,
                    static_cast<unsigned>(GetCurrentProcessId()), ++count)) {
        made.made_[0] = L'\0';
        made.error_ = ERROR_FILENAME_EXCED_RANGE;
        return made;
    }
    made.file_ = createAt(made.made_);
    made.error_ = made.file_ ? 0 : GetLastError();
    if (!made.file_) {
        made.made_[0] = L'\0';
    }
    return made;
}

NewFile NewFile::replacing(const wchar_t* path) {
    NewFile made;
    const NameEntry target = entryAt(path);
    if (target.holds == NameHolds::PlainFile && (target.attributes & FILE_ATTRIBUTE_READONLY)) {
        made.error_ = ERROR_ACCESS_DENIED;
        return made;
    }
    const size_t length = wcslen(path);
    if (!copyText(made.target_, kPathCapacity, path) ||
        (length < MAX_PATH && length + kReplacementSuffixLength >= MAX_PATH)) {
        made.error_ = ERROR_FILENAME_EXCED_RANGE;
        made.writeInPlaceInstead_ = made.target_[0] != L'\0';
        return made;
    }
    made.file_ = createBeside(path, GENERIC_WRITE, made.made_);
    made.error_ = made.file_ ? 0 : GetLastError();
    if (!made.file_) {
        made.made_[0] = L'\0';
        made.writeInPlaceInstead_ = made.error_ == ERROR_ACCESS_DENIED;
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
        writeInPlaceInstead_ = other.writeInPlaceInstead_;
        other.made_[0] = L'\0';
    }
    return *this;
}

NewFile::~NewFile() {
    discard();
}

bool NewFile::reopen() {
    if (made_[0] == L'\0') {
        return false;
    }
    file_ = ScopedFile(CreateFileW(made_, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_.valid();
}

// A move done by renaming flushes nothing: the bytes reach the disk before any name points at them.
bool NewFile::commit() {
    if (made_[0] == L'\0') {
        return false;
    }
    if ((!file_ || FlushFileBuffers(file_.get())) && (file_.reset(), target_[0] == L'\0' || moveOverTarget())) {
        made_[0] = L'\0';
        return true;
    }
    error_ = GetLastError();
    discard();
    SetLastError(error_);
    return false;
}

// A plain file is replaced with ReplaceFileW, which on Windows keeps its security, encryption, named
// streams and creation time; its attributes are set here too, since Wine's keeps none. ReplaceFileW
// names no path of MAX_PATH or more: such a file is replaced by a rename, as a link is, or a name
// with nothing there: the name is taken over, whatever a link pointed at is never reached.
bool NewFile::moveOverTarget() {
    return retryWhileHeld(target_, [&] {
        const NameEntry target = entryAt(target_);
        if (target.holds == NameHolds::PlainFile) {
            if (!SetFileAttributesW(made_, keptAttributes(target.attributes))) {
                return false;
            }
            if (wcslen(target_) < MAX_PATH) {
                return freeToReplace(target_) &&
                       ReplaceFileW(target_, made_, nullptr,
                                    REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr);
            }
        }
        return MoveFileExW(made_, target_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    });
}

// The name is ours alone, made new: deleting it never reaches anything else. A program that
// opens every new file (an antivirus) may still hold it for a moment.
void NewFile::discard() {
    file_.reset();
    if (made_[0] != L'\0') {
        retryWhileHeld(made_, [&] { return deleteUnlessLink(made_); });
        made_[0] = L'\0';
    }
}

void removeLeftoverReplacementsOf(const wchar_t* path) {
    const wchar_t* name = wcsrchr(path, L'\\');
    wchar_t folder[kPathCapacity] = {};
    wchar_t pattern[kPathCapacity] = {};
    if (!name || !copyText(folder, kPathCapacity, path) || !copyText(pattern, kPathCapacity, name + 1) ||
        !appendText(pattern, kPathCapacity, L".*.tmp")) {
        return;
    }
    ++name;
    folder[name - path] = L'\0';
    removeFilesIn(folder, pattern, [&](const wchar_t* found) { return isReplacementName(found, name); });
}

void removeLeftoverScratchesOf(const wchar_t* name) {
    wchar_t folder[kPathCapacity] = {};
    wchar_t pattern[kPathCapacity] = {};
    if (!temporaryFolder(folder) || !copyText(pattern, kPathCapacity, name) ||
        !appendText(pattern, kPathCapacity, L".*.tmp")) {
        return;
    }
    removeFilesIn(folder, pattern, [&](const wchar_t* found) {
        DWORD process = 0;
        return isScratchName(found, name, &process) && !processRunning(process);
    });
}
