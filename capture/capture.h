// Taking a screenshot, naming it and writing it as BMP, JPEG and PNG; and the busy wait.
#ifndef GLIMRA_CAPTURE_H
#define GLIMRA_CAPTURE_H

#include <windows.h>

// What a capture has to tell the user, handed to its caller the moment it happens, in order, while
// the main window is still hidden. The path is the folder or the image file named.
enum class CaptureNotice {
    SaveFolderMissing,     // the save folder, given up for the default one
    DefaultFolderMissing,  // the default folder, about to be made
    DefaultFolderMade,     // the default folder, made
    FolderNotMade,         // the default folder, which could not be made
    ImageNotMade,          // an image file that was not written
};
using CaptureNoticeHandler = void (*)(CaptureNotice notice, const wchar_t* path);

// Captures with the settings as they stand: the caller refreshes them from the panel first.
void captureAndSave(HWND window, const wchar_t* modeTag, CaptureNoticeHandler tell);
int waitMilliseconds(DWORD bound);

// Whether a folder leaves room in an image path for the longest image name: otherwise every
// capture into it would fail.
bool leavesRoomForImageNames(const wchar_t* folder);

#endif
