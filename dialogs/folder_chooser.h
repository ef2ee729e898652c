// The folder chooser: the shell's folder dialog, opened on a given folder.
#ifndef GLIMRA_FOLDER_CHOOSER_H
#define GLIMRA_FOLDER_CHOOSER_H

#include <windows.h>
#include <shlobj.h>

// What came of the dialog: a folder whose path fits the caller's buffer, none, or one too long.
enum class FolderChoice { Chosen, Cancelled, TooLong };

// result (capacity characters) receives the confirmed folder's whole path; after Cancel, and for a
// folder whose path does not fit, it is left as it was.
FolderChoice browseForFolder(wchar_t* result, int capacity, HWND owner, const wchar_t* initialFolder);

// The shell's dialog and the path of the folder confirmed in it, into kPathCapacity characters.
// A test stands in for it: Wine's dialog selects no folder of 300 characters or more, and Wine
// cuts every path it gives for a folder at MAX_PATH.
extern FolderChoice (*askShellForFolder)(BROWSEINFOW* record, wchar_t* path);

#endif
