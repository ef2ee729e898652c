// The image file writers: the BMP file written from the capture's pixel memory as it is, and the
// JPEG and PNG files through the image encoders of GDI+. Both write to outputPath.
#include "capture/capture.h"

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <new>

#include "common/scoped.h"

namespace {

static_assert(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) == kBmpHeaderBytes,
              "the two BMP headers are written as they lie in memory");

constexpr long long kBytesPerPixel = kCaptureBitCount / 8;
constexpr long long kRowAlignment = sizeof(DWORD);

// Counts a short write as a failure, so a file shorter than its header never passes as written.
bool writeAll(HANDLE file, const void* bytes, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

// GDI+ reads the capture bitmap's pixels where they lie. A bitmap made from the handle would first
// copy them all: one more frame of memory and one more pass over it for every file encoded.
// The rows are taken as bottom-up, as the capture makes them: a DIB section does not tell (its
// header gives the height without its sign). Any other bitmap is handed over by its handle.
Gdiplus::GpBitmap* imageOfBitmap(HBITMAP bitmap) {
    Gdiplus::GpBitmap* image = nullptr;
    DIBSECTION section = {};
    if (GetObjectW(bitmap, sizeof(section), &section) == sizeof(section) && section.dsBm.bmBits &&
        section.dsBmih.biBitCount == kCaptureBitCount && section.dsBmih.biCompression == BI_RGB) {
        // The top row is the last in memory: GDI+ starts there and steps backwards.
        const INT stride = section.dsBm.bmWidthBytes;
        BYTE* top = static_cast<BYTE*>(section.dsBm.bmBits) + static_cast<size_t>(stride) * (section.dsBm.bmHeight - 1);
        Gdiplus::DllExports::GdipCreateBitmapFromScan0(section.dsBm.bmWidth, section.dsBm.bmHeight, -stride,
                                                       PixelFormat24bppRGB, top, &image);
        return image;
    }
    Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)),
                                                     &image);
    return image;
}

// The bytes an encoder left in a memory stream, written to outputPath whole or not at all.
bool writeEncodedFile(IStream* stream) {
    HGLOBAL memory = nullptr;
    STATSTG status = {};
    if (FAILED(GetHGlobalFromStream(stream, &memory)) || FAILED(stream->Stat(&status, STATFLAG_NONAME)) ||
        status.cbSize.QuadPart > MAXDWORD) {
        return false;
    }
    const DWORD size = static_cast<DWORD>(status.cbSize.QuadPart);
    const void* bytes = GlobalLock(memory);
    if (!bytes) {
        return false;
    }
    ScopedFile file(CreateFileW(outputPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool written = file && writeAll(file.get(), bytes, size);
    GlobalUnlock(memory);
    if (file && !written) {
        file.reset();
        DeleteFileW(outputPath);
    }
    return written;
}

}  // namespace

int writeBmpFile(int width, int height, const void* pixels) {
    // Negative sides would make a negative size, and a file cannot hold more than 4 GB: nothing
    // could be read from the pixel memory that way without running past it.
    if (width < 0 || height < 0) {
        return 0;
    }
    const long long stride = (width * kBytesPerPixel + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    const long long imageSize = stride * height;
    if (imageSize > static_cast<long long>(MAXDWORD) - kBmpHeaderBytes || (imageSize > 0 && !pixels)) {
        return 0;
    }

    ScopedFile file(CreateFileW(outputPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return 0;
    }

    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = kBmpSignature;
    fileHeader.bfSize = static_cast<DWORD>(kBmpHeaderBytes + imageSize);
    fileHeader.bfOffBits = kBmpHeaderBytes;

    BITMAPINFOHEADER infoHeader = {};
    infoHeader.biSize = sizeof(BITMAPINFOHEADER);
    infoHeader.biWidth = width;
    infoHeader.biHeight = height;
    infoHeader.biPlanes = 1;
    infoHeader.biBitCount = kCaptureBitCount;
    infoHeader.biCompression = BI_RGB;
    infoHeader.biSizeImage = static_cast<DWORD>(imageSize);

    const DWORD pixelBytes = static_cast<DWORD>(imageSize);
    if (writeAll(file.get(), &fileHeader, sizeof(fileHeader)) &&
        writeAll(file.get(), &infoHeader, sizeof(infoHeader)) &&
        (pixelBytes == 0 || writeAll(file.get(), pixels, pixelBytes))) {
        return 1;
    }
    // A cut-off picture is not left behind to pass for a whole one.
    file.reset();
    DeleteFileW(outputPath);
    return 0;
}

int findEncoderClsid(const wchar_t* mimeType, CLSID* classId) {
    UINT count = 0;
    UINT size = 0;
    Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &size);
    if (size == 0 || count == 0 || count > size / sizeof(Gdiplus::ImageCodecInfo)) {
        return -1;
    }
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block) {
        return -1;
    }
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.get());
    if (Gdiplus::DllExports::GdipGetImageEncoders(count, size, encoders) != Gdiplus::Ok) {
        return -1;
    }
    for (UINT index = 0; index < count; ++index) {
        if (encoders[index].MimeType && lstrcmpW(encoders[index].MimeType, mimeType) == 0) {
            *classId = encoders[index].Clsid;
            return static_cast<int>(index);
        }
    }
    return -1;
}

int saveWithEncoder(HBITMAP bitmap, const wchar_t* mimeType) {
    CLSID encoder;
    if (findEncoderClsid(mimeType, &encoder) < 0) {
        return 0;
    }
    ScopedGdiplusImage image(imageOfBitmap(bitmap));
    if (!image) {
        return 0;
    }
    // Encoded in memory and written out here: an encoder that does not pass on a failed write
    // (Wine's JPEG encoder on a full disk) would leave a cut file that counts as saved.
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
        Gdiplus::DllExports::GdipSaveImageToStream(image.get(), stream.get(), &encoder, nullptr) != Gdiplus::Ok) {
        return 0;
    }
    return writeEncodedFile(stream.get()) ? 1 : 0;
}
