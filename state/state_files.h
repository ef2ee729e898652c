// The files beside the executable: how each is named, read, made empty on a first start and
// replaced whole, and what a killed store left of them.
#ifndef GLIMRA_STATE_FILES_H
#define GLIMRA_STATE_FILES_H

#include <windows.h>

#include "process_state.h"

// Path of the named file beside the executable; false (and an empty buffer) when it does not fit.
bool exeRelativePath(wchar_t* buffer, const wchar_t* name);

// What a load of a state file came to; the caller tells the user.
enum class FileRead { Unopened, TooLarge, Failed, Read };
// Reads a whole file beside the executable into buffer. One that is not there reads as empty. One
// larger than maxBytes, or of unknown size, is TooLarge and left unread. A file another program
// holds is waited for a moment. bytesRead, when given, gets the size read.
FileRead readFileBesideExe(const wchar_t* name, void* buffer, DWORD maxBytes, DWORD* bytesRead = nullptr);
FileRead readFileAt(const wchar_t* path, void* buffer, DWORD maxBytes, DWORD* bytesRead = nullptr);
// A first start's empty state file, where the folder takes new files.
void createBesideExeIfMissing(const wchar_t* name);
// Deletes what stores of the three state files killed before their move left behind.
void removeLeftoverReplacements();
// Replaces the file with these bytes whole, keeping what it carried, or leaves it exactly as it was
// and returns false; where no replacement can be made beside it, writes it where it stands. A file
// another program holds is waited for a moment.
bool writeFileBesideExe(const wchar_t* name, const void* bytes, DWORD size);
// The same for a file named by its full path.
bool replaceFileWhole(const wchar_t* path, const void* bytes, DWORD size);

#endif
