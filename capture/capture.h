// Taking a screenshot, naming it and writing it as BMP, JPEG and PNG; and the busy wait.
#ifndef GLIMRA_CAPTURE_H
#define GLIMRA_CAPTURE_H

#include <windows.h>

// Captures with the settings as they stand: the caller refreshes them from the panel first.
void captureAndSave(HWND window, const wchar_t* modeTag);
int waitMilliseconds(DWORD bound);

// The steps of captureAndSave after its wait, each callable on its own so each can be timed.
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
// Everything captureAndSave does between hiding and showing mainWindow, the wait excepted.
void captureAndStore(HWND window, const wchar_t* modeTag);

#endif
