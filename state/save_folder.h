// The save folder, kept in dirInfo.dat beside the executable, and its default, the "image" folder
// beside the executable.
#ifndef GLIMRA_SAVE_FOLDER_H
#define GLIMRA_SAVE_FOLDER_H

#include <windows.h>

#include "state_files.h"
#include "sizes.h"

extern wchar_t saveFolder[kPathCapacity];

// Read when the file reads as a folder, an empty one or none; otherwise the file is kept unread.
FileRead loadSaveFolder();
int storeSaveFolder();

// Every change of saveFolder during the run goes through these three, so that a stored folder
// that could not be read at start-up is only replaced by a folder the user chose.
void chooseSaveFolder(const wchar_t* folder);
// saveFolder becomes "image\" beside the executable, chosen by the user; false, with saveFolder
// as it was, when the executable's folder is unknown or the path does not fit.
bool chooseDefaultSaveFolder();
// The same without counting as chosen: the capture's way out of a missing folder.
bool fallBackToDefaultSaveFolderUnchosen();
// The default folder's path into a kPathCapacity buffer, without choosing it; false as above.
bool defaultSaveFolder(wchar_t* folder);

// Whether a path names a folder, by the file system's own test: the shell's path tests stop at
// MAX_PATH characters on Windows. A path that long whose test fails may be one the system takes no
// path that long for at all, so it is Unknown: such a folder is never taken for missing and
// swapped for another.
enum class FolderState { Present, Missing, Unknown };
FolderState testFolder(const wchar_t* path);

// Creates the missing save folder; false when it could not be made (a file of that name in the way,
// a folder that takes no new entries), for the caller to tell rather than report it in place.
bool createSaveFolder();

#endif
