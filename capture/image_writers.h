// The image file writers: one captured image into one file the capture made, as BMP, JPEG or PNG.
#ifndef GLIMRA_IMAGE_WRITERS_H
#define GLIMRA_IMAGE_WRITERS_H

#include <windows.h>

// The 24 bits per pixel of the capture bitmap and of the BMP file.
constexpr WORD kCaptureBitCount = 24;

// Each writes from the file's current position and returns 1 when every byte was written; on 0 the
// caller removes what was written.
int writeBmpFile(HANDLE file, int width, int height, const void* pixels);
// A 24-bit DIB section is read in place as the capture makes it, bottom-up; other bitmaps are
// copied. 0 without GDI+ or an encoder for the type.
int saveWithEncoder(HANDLE file, HBITMAP bitmap, const wchar_t* mimeType);
// Whether GDI+ is there with an encoder for the type.
bool encoderAvailable(const wchar_t* mimeType);

#endif
