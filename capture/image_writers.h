// The image file writers: one captured image into one file, as BMP, JPEG or PNG, at outputPath.
#ifndef GLIMRA_IMAGE_WRITERS_H
#define GLIMRA_IMAGE_WRITERS_H

#include <windows.h>

#include "sizes.h"

// The 24 bits per pixel of the capture bitmap and of the BMP file.
constexpr WORD kCaptureBitCount = 24;

// The file the writers write; the capture builds it before each file.
extern wchar_t outputPath[kPathCapacity];

// 1 when the file was written whole; a file that could not be finished is removed.
int writeBmpFile(int width, int height, const void* pixels);
// A 24-bit DIB section is read in place as the capture makes it, bottom-up; other bitmaps are copied.
int saveWithEncoder(HBITMAP bitmap, const wchar_t* mimeType);

#endif
