// Taking a screenshot, naming it and writing it as BMP, JPEG and PNG; and the busy wait.
#ifndef GLIMRA_CAPTURE_H
#define GLIMRA_CAPTURE_H

#include <windows.h>

#include "capture_notices.h"

// Captures with the settings as they stand: the caller refreshes them from the panel first.
void captureAndSave(HWND window, const wchar_t* modeTag, CaptureNoticeHandler tell);
int waitMilliseconds(DWORD bound);

// Whether a folder leaves room in an image path for the longest image name: otherwise every
// capture into it would fail.
bool leavesRoomForImageNames(const wchar_t* folder);

// Deletes the temporaries that captures killed while writing left in a save folder: regular files
// named as an image file, a dot, eight hexadecimal digits and ".tmp", and nothing that another
// running copy of Glimra is still writing.
void removeImageTemporariesIn(const wchar_t* folder);

#endif
