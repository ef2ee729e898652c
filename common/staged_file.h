// Files written under a free temporary name beside the name they are for, and put at that name
// only once whole: a program killed while it writes leaves no cut file at a name that passes for
// a whole one, only a temporary that its pattern gives away.
#ifndef GLIMRA_STAGED_FILE_H
#define GLIMRA_STAGED_FILE_H

#include <windows.h>

#include "new_file.h"
#include "scoped.h"

// Held open, without sharing, from its creation until it is kept or gone: another copy of Glimra
// clearing temporaries can never take it while it is written, nor between the writing and the move.
class StagedFile {
public:
    // "<path>.XXXXXXXX.tmp", a name nothing there has yet, made new.
    static StagedFile beside(const wchar_t* path);

    StagedFile() = default;
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&& other) noexcept;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    // A file not kept goes, wherever it was put.
    ~StagedFile();

    HANDLE get() const { return file_.get(); }
    explicit operator bool() const { return file_.valid(); }

    // Flushed first, so even a power cut never leaves the name holding less than the whole file.
    // Without replace a name that is there, link or not, is left alone: false with
    // ERROR_ALREADY_EXISTS. With replace, a link at the name is replaced, never its target.
    bool putAt(const wchar_t* path, bool replace);
    // Back to its temporary name, after a name beside it was found taken.
    bool takeBack();
    // Closes the file where it was put.
    void keep();

private:
    void remove();

    ScopedFile file_;
    wchar_t temporary_[kNewFilePathCapacity] = {};
    bool placed_ = false;
};

// Removes what stands at path, a link itself but never what it points to, by putting an empty file
// of ours over it and deleting that. Fails where the name is held open or is a folder.
bool removeByReplacing(const wchar_t* path);

#endif
