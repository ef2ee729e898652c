// The folder chooser: the shell's folder dialog, opened on a given folder.
#ifndef GLIMRA_FOLDER_CHOOSER_H
#define GLIMRA_FOLDER_CHOOSER_H

#include <windows.h>
#include <shlobj.h>

// result (capacity characters) receives the confirmed folder's whole path, or is emptied when the
// path does not fit; after Cancel it is left as it was.
void browseForFolder(wchar_t* result, int capacity, HWND owner, const wchar_t* initialFolder);

// The dialog itself: the path of the folder the user confirms (capacity characters), or false for
// Cancel. The shell's by default; tests stand in for the user here.
extern bool (*folderDialog)(BROWSEINFOW* record, wchar_t* path, int capacity);

#endif
