// What stands at a name, told by a handle to the name itself and never through a link, and the
// two things done only to a plain file proven so: writing it where it stands, and deleting it.
#ifndef GLIMRA_PLAIN_FILES_H
#define GLIMRA_PLAIN_FILES_H

#include <windows.h>

enum class NameHolds { Nothing, PlainFile, SomethingElse };

struct NameEntry {
    NameHolds holds = NameHolds::Nothing;
    DWORD attributes = 0;  // a plain file's own
    DWORD links = 0;       // names the plain file has; more than one is a hard link
};

// A link, a reparse point or a folder at the name is SomethingElse, and so is a name that cannot be
// opened for a reason other than not being there, since nothing proves it plain. Under Wine a unix
// link opens as its target, so a file counts as plain only where the system names it at path.
NameEntry entryAt(const wchar_t* path);
NameEntry entryOf(HANDLE file, const wchar_t* path);

// Deletes path when it is a plain file (a link there is left alone, its target untouched), and
// not while another program has it open (another copy of the program still writing it); false,
// with the last error, when nothing was deleted.
bool deleteUnlessLink(const wchar_t* path);

// Writes bytes over the plain file at path where it stands: the whole content, then its end, then
// a flush. Never creates the file; refuses a link, a hard link or a read-only file, since no
// replacement protects what such a name reaches. A file another program holds is waited for.
bool writeInPlace(const wchar_t* path, const void* bytes, DWORD size);

#endif
