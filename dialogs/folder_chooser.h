// The folder chooser: the shell's folder dialog, opened on a given folder.
#ifndef GLIMRA_FOLDER_CHOOSER_H
#define GLIMRA_FOLDER_CHOOSER_H

#include <windows.h>

// result (capacity characters) receives the confirmed folder's whole path, or is emptied when the
// path does not fit; after Cancel it is left as it was.
void browseForFolder(wchar_t* result, int capacity, HWND owner, const wchar_t* initialFolder);

#endif
