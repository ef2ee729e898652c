// Files written beside their names and put there once whole, renamed through their own handle.
#include "staged_file.h"

#include <cstddef>
#include <cstring>
#include <cwchar>

#include "sizes.h"
#include "text.h"

namespace {

// The rename's record holds the new name inline: room for the longest temporary name.
constexpr size_t kRenameRecordBytes = sizeof(FILE_RENAME_INFO) + kNewFilePathCapacity * sizeof(wchar_t);

bool renameOpenFile(HANDLE file, const wchar_t* path, bool replace) {
    alignas(FILE_RENAME_INFO) unsigned char record[kRenameRecordBytes] = {};
    const size_t length = wcsnlen(path, kNewFilePathCapacity);
    if (length >= static_cast<size_t>(kNewFilePathCapacity)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(record);
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->FileNameLength = static_cast<DWORD>(length * sizeof(wchar_t));
    memcpy(rename->FileName, path, length * sizeof(wchar_t));
    return SetFileInformationByHandle(file, FileRenameInfo, rename, sizeof(record)) != FALSE;
}

bool deleteOpenFile(HANDLE file) {
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

// Wine's rename does not see a link whose target is missing and would replace it; a file made new
// at the name does see it. The probe is ours and goes when it is closed, even if we are killed.
bool nameIsFree(const wchar_t* path) {
    const ScopedFile probe(CreateFileW(path, DELETE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!probe && (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    return true;
}

}  // namespace

// Held with DELETE from the start, so it can be renamed and deleted through its own handle.
StagedFile StagedFile::beside(const wchar_t* path) {
    StagedFile made;
    made.file_ = createBeside(path, GENERIC_WRITE | DELETE, made.temporary_);
    return made;
}

StagedFile::StagedFile(StagedFile&& other) noexcept {
    *this = std::move(other);
}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        remove();
        file_ = std::move(other.file_);
        wmemcpy(temporary_, other.temporary_, kNewFilePathCapacity);
        placed_ = other.placed_;
        other.temporary_[0] = L'\0';
        other.placed_ = false;
    }
    return *this;
}

StagedFile::~StagedFile() {
    remove();
}

bool StagedFile::putAt(const wchar_t* path, bool replace) {
    if (!file_ || !FlushFileBuffers(file_.get()) || (!replace && !nameIsFree(path))) {
        return false;
    }
    placed_ = renameOpenFile(file_.get(), path, replace);
    return placed_;
}

bool StagedFile::takeBack() {
    placed_ = !(file_ && renameOpenFile(file_.get(), temporary_, false));
    return !placed_;
}

void StagedFile::keep() {
    file_.reset();
    temporary_[0] = L'\0';
    placed_ = false;
}

// Deleted through its own handle: the file is ours wherever it was put, and nothing else is reached.
void StagedFile::remove() {
    if (file_) {
        deleteOpenFile(file_.get());
    }
    file_.reset();
    temporary_[0] = L'\0';
    placed_ = false;
}

bool removeByReplacing(const wchar_t* path) {
    StagedFile stand = StagedFile::beside(path);
    return stand && stand.putAt(path, true);
}
