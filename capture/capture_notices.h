// What a capture has to tell the user, and the handler its caller gives it to tell it with: the
// capture chooses no box and no text.
#ifndef GLIMRA_CAPTURE_NOTICES_H
#define GLIMRA_CAPTURE_NOTICES_H

// Handed to the caller the moment it happens, in order, while the main window is still hidden.
// The path is the folder or the image file named.
enum class CaptureNotice {
    SaveFolderMissing,     // the save folder, given up for the default one
    DefaultFolderMissing,  // the default folder, about to be made
    DefaultFolderMade,     // the default folder, made
    FolderNotMade,         // the default folder, which could not be made
    ImageNotMade,          // an image file that was not written
};
using CaptureNoticeHandler = void (*)(CaptureNotice notice, const wchar_t* path);

#endif
