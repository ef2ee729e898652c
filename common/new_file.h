// The one rule for every file the program writes: it is created new, never opened over a name
// that is there, since any name may be a link whose target lies elsewhere. A file that replaces
// another is made beside it and moved over it once whole, so a link there is replaced, never its
// target.
#ifndef GLIMRA_NEW_FILE_H
#define GLIMRA_NEW_FILE_H

#include <windows.h>

#include "scoped.h"
#include "sizes.h"

// ".", eight hexadecimal digits and ".tmp" after the name of the file a replacement is for.
constexpr int kReplacementSuffixLength = 13;
constexpr int kNewFilePathCapacity = kPathCapacity + kReplacementSuffixLength;

// Owns a file it made until commit(); one not committed is deleted when its owner goes, so no cut
// file is ever left to pass for a whole one.
class NewFile {
public:
    // At path itself, which must not exist yet (CREATE_NEW): where it does, link or not, the
    // result is invalid and error() is ERROR_FILE_EXISTS.
    static NewFile create(const wchar_t* path);
    // At a free name beside path, to replace path once committed.
    static NewFile replacing(const wchar_t* path);

    NewFile() = default;
    NewFile(NewFile&& other) noexcept;
    NewFile& operator=(NewFile&& other) noexcept;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile();

    HANDLE get() const { return file_.get(); }
    explicit operator bool() const { return file_.valid(); }
    // The name the file was made at, for a call that writes it by name once it is closed.
    const wchar_t* path() const { return made_; }
    // Lets others open the file; it stays ours until it is committed or dropped.
    void close() { file_.reset(); }
    // Why the file could not be made; 0 when it was.
    DWORD error() const { return error_; }
    // Closes the file and keeps it; a replacement is moved over its target, waiting out a program
    // that holds the target for a moment. False, with nothing of ours left, when that fails.
    bool commit();

private:
    void discard();

    ScopedFile file_;
    wchar_t made_[kNewFilePathCapacity] = {};   // the name the file was made at
    wchar_t target_[kPathCapacity] = {};        // what a replacement replaces; empty for a new file
    DWORD error_ = 0;
};

// Deletes the files that replacements of path left behind when the program was killed before their
// move: exactly path's name, a dot, eight hexadecimal digits and ".tmp". Folders and every other
// name are left alone.
void removeLeftoverReplacementsOf(const wchar_t* path);

// Deletes the regular file at path, never a folder, a link or what a link points to: under Wine a
// unix link reads as the file it names in every attribute, and deleting it by name removes its
// target. False, with nothing deleted, also while another program holds the file open.
bool deleteUnlessLink(const wchar_t* path);

#endif
