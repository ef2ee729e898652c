// The one rule for every file the program writes: it is created new, never opened over a name
// that is there, since any name may be a link whose target lies elsewhere. A file that replaces
// another is made beside it, flushed, and moved over it once whole, taking over what the file
// carried, so a link there is replaced, never its target.
#ifndef GLIMRA_NEW_FILE_H
#define GLIMRA_NEW_FILE_H

#include <windows.h>

#include <functional>

#include "scoped.h"
#include "sizes.h"

// ".", eight hexadecimal digits and ".tmp" after the name of the file a replacement is for.
constexpr int kReplacementSuffixLength = 13;
constexpr int kNewFilePathCapacity = kPathCapacity + kReplacementSuffixLength;

// A file made new, without sharing, at "<path>.XXXXXXXX.tmp": a name nothing there has yet, written
// into made (kNewFilePathCapacity). Invalid, made empty and the last error set when none could be.
ScopedFile createBeside(const wchar_t* path, DWORD access, wchar_t* made);

// Owns a file it made until commit(); one not committed is deleted when its owner goes, so no cut
// file is ever left to pass for a whole one.
class NewFile {
public:
    // At path itself, which must not exist yet (CREATE_NEW): where it does, link or not, the
    // result is invalid and error() is ERROR_FILE_EXISTS.
    static NewFile create(const wchar_t* path);
    // At a name of its own in the temporary folder, for a copy of the file named name that is
    // worked on by name and never kept: "<name>.<process id>.<count>.tmp", each eight hexadecimal
    // digits, so a start can tell a leftover of a run that is gone.
    static NewFile scratch(const wchar_t* name);
    // At a free name beside path, to replace path once committed. A read-only file at path is
    // refused, as Windows refuses to move over it (Wine would not).
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
    // Opens the closed file again for writing, so that commit flushes what was written by name.
    bool reopen();
    // Why the file could not be made; 0 when it was.
    DWORD error() const { return error_; }
    // No replacement could be made beside the target, for a reason that leaves the plain write of
    // the target where it stands: the folder takes no new file, or the replacement's name is too
    // long for the calls that write it while the target's is not.
    bool writeInPlaceInstead() const { return writeInPlaceInstead_; }
    // Flushes and closes the file and keeps it; a replacement is moved over its target, waiting out
    // a program that holds the target for a moment. False, with nothing of ours left and the last
    // error set, when that fails.
    bool commit();

private:
    void discard();
    bool moveOverTarget();

    ScopedFile file_;
    wchar_t made_[kNewFilePathCapacity] = {};   // the name the file was made at
    wchar_t target_[kPathCapacity] = {};        // what a replacement replaces; empty for a new file
    DWORD error_ = 0;
    bool writeInPlaceInstead_ = false;
};

// Deletes the files that replacements of path left behind when the program was killed before their
// move: exactly path's name, a dot, eight hexadecimal digits and ".tmp", each a plain file. Folders,
// links of such a name (and their targets) and every other name are left alone.
void removeLeftoverReplacementsOf(const wchar_t* path);
// Deletes every plain file in folder (ending in a backslash) that FindFirstFile's pattern finds and
// isOurs takes for one of the program's own; never a folder, a link, or a file another program has open.
void removeFilesIn(const wchar_t* folder, const wchar_t* pattern, const std::function<bool(const wchar_t*)>& isOurs);
// Deletes the scratch copies of the file named name that runs no longer running left in the
// temporary folder; a running copy's are kept.
void removeLeftoverScratchesOf(const wchar_t* name);

#endif
