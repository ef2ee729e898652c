// Taking a screenshot, naming it and writing it as BMP, JPEG and PNG; and the busy wait.
#ifndef GLIMRA_CAPTURE_H
#define GLIMRA_CAPTURE_H

#include <windows.h>

// The most files one capture writes: BMP, JPEG and PNG.
constexpr int kImageFormatCount = 3;

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
void copyScreen(HDC target, const CaptureRegion& region);
void drawCursor(HDC target, const CaptureRegion& region);
// Everything captureAndSave does between hiding and showing mainWindow, the wait excepted.
void captureAndStore(HWND window, const wchar_t* modeTag);

// One kind of image file: its extension and, for the files GDI+ encodes, the encoder's MIME type.
struct ImageFormat {
    const wchar_t* extension;
    const wchar_t* mimeType;  // null for the BMP file, which writeBmpFile writes itself
};
// The files of one capture in writing order (USEBG, JPEGPIC, PNGPIC); returns how many.
int chooseImageFormats(bool alwaysBmp, bool jpeg, bool png, const ImageFormat* formats[kImageFormatCount]);
// The part of the path between the save folder and the extension, into a kPathCapacity buffer:
// "\img7", "\img", "\7" or "\" (NONEIMG, CONSTANT and the already advanced counter).
void buildImageName(wchar_t* name, bool withoutPrefix, bool numbered, int number);
// outputPath = folder + name + extension; false, with outputPath empty, when that does not fit.
bool buildOutputPath(const wchar_t* folder, const wchar_t* name, const wchar_t* extension);

#endif
