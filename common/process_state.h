// What the whole process shares and every layer may read: the instance, the main window that owns
// the message boxes, the strings loaded at start-up, the executable's folder and the files beside it.
#ifndef GLIMRA_PROCESS_STATE_H
#define GLIMRA_PROCESS_STATE_H

#include <windows.h>

#include "sizes.h"

extern HINSTANCE appInstance;
extern HWND mainWindow;

// Strings 104 to 109.
extern wchar_t titleText[kStringCapacity];
extern wchar_t classNameText[kStringCapacity];
extern wchar_t shortcutFileName[kStringCapacity];
extern wchar_t settingsFileName[kStringCapacity];
extern wchar_t folderFileName[kStringCapacity];
extern wchar_t memoFileName[kStringCapacity];

extern wchar_t exeFolder[kPathCapacity];       // ends in a backslash; empty when unknown
extern wchar_t shortcutTarget[kPathCapacity];  // exeFolder + "Glimra3.exe"

// Stores the instance, loads the strings and finds the executable's folder: everything the
// loaders of the state files rely on, so it runs first.
void startProcess(HINSTANCE instance);

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
