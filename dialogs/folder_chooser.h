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

// The shell's dialog itself, SHBrowseForFolderW in the program: a test stands in for it where the
// dialog cannot pick the folder it needs (Wine's selects none of 300 characters or more).
extern PIDLIST_ABSOLUTE(WINAPI* showFolderDialog)(LPBROWSEINFOW record);

#endif
