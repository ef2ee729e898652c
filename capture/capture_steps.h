// The steps of one capture, each on its own, for the tests that check them and the benchmark that
// times them; the program itself only calls captureAndSave.
#ifndef GLIMRA_CAPTURE_STEPS_H
#define GLIMRA_CAPTURE_STEPS_H

#include <windows.h>

#include "capture_notices.h"

struct CaptureRegion {
    int left;
    int top;
    int width;
    int height;
};
bool findCaptureRegion(HWND window, const wchar_t* modeTag, CaptureRegion* region);
// A 24-bit bottom-up DIB section of the region's size, and its pixel memory.
HBITMAP createCaptureBitmap(const CaptureRegion& region, void** pixels);
// False when the screen could not be copied.
bool copyScreen(HDC target, const CaptureRegion& region);
void drawCursor(HDC target, const CaptureRegion& region);
// Called with each image file's path just before the whole file is put at that name: a test takes
// the name there, as another copy of Glimra sharing the save folder may between the search for a
// free number and the file's move. Null in the program.
extern void (*beforeImageFileMade)(const wchar_t* path);

// Everything captureAndSave does after its wait, before it shows mainWindow again.
void captureAfterWait(HWND window, const wchar_t* modeTag, CaptureNoticeHandler tell);

#endif
