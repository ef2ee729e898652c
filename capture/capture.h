// Taking a screenshot, naming it and writing it as BMP, JPEG and PNG.
#ifndef GLIMRA_CAPTURE_H
#define GLIMRA_CAPTURE_H

#include <windows.h>

#include "resources/ids.h"

extern wchar_t outputPath[kPathCapacity];

// capture.cpp
void captureAndSave(HWND window, const wchar_t* modeTag);
int waitMilliseconds(DWORD bound);

// image_writers.cpp
int writeBmpFile(int width, int height, const void* pixels);
int findEncoderClsid(const wchar_t* mimeType, CLSID* classId);
int saveWithEncoder(HBITMAP bitmap, const wchar_t* mimeType);

#endif
