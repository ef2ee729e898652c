// The image file writers: the BMP file written from the capture's pixel memory as it is, and the
// JPEG and PNG files through the image encoders of GDI+. Both write into a file the capture made.
#include "image_writers.h"

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <new>

#include "scoped.h"
#include "system_calls.h"

namespace {

constexpr int kBmpHeaderBytes = 54;      // 14-byte file header + 40-byte information header
constexpr WORD kBmpSignature = 0x4D42;   // "BM", little-endian

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
        gdiplus()->GdipCreateBitmapFromScan0(section.dsBm.bmWidth, section.dsBm.bmHeight, -stride,
                                                       PixelFormat24bppRGB, top, &image);
        return image;
    }
    gdiplus()->GdipCreateBitmapFromHBITMAP(bitmap, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), &image);
    return image;
}

// The encoder's bytes go straight into the file the capture made, each write checked: Wine's JPEG
// encoder does not pass on a failed write (a full disk), and its cut file would otherwise count as
// saved. Held whole in memory first, an encoded file cost up to twice its size there.
class FileStream final : public IStream {
public:
    explicit FileStream(HANDLE file) : file_(file) {}
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    bool writeFailed() const { return writeFailed_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_ISequentialStream) || IsEqualIID(id, IID_IStream)) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Write(const void* bytes, ULONG size, ULONG* written) override {
        DWORD done = 0;
        const bool whole = WriteFile(file_, bytes, size, &done, nullptr) && done == size;
        if (written) {
            *written = done;
        }
        writeFailed_ = writeFailed_ || !whole;
        return whole ? S_OK : STG_E_MEDIUMFULL;
    }
    // The file is made for writing only: nothing of it is read back.
    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG* read) override {
        if (read) {
            *read = 0;
        }
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        LARGE_INTEGER now = {};
        if (!SetFilePointerEx(file_, move, &now, origin)) {
            return STG_E_INVALIDFUNCTION;
        }
        if (position) {
            position->QuadPart = static_cast<ULONGLONG>(now.QuadPart);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
        LARGE_INTEGER now = {}, end = {};
        end.QuadPart = static_cast<LONGLONG>(size.QuadPart);
        const bool done = SetFilePointerEx(file_, LARGE_INTEGER{}, &now, FILE_CURRENT) &&
                          SetFilePointerEx(file_, end, nullptr, FILE_BEGIN) && SetEndOfFile(file_) &&
                          SetFilePointerEx(file_, now, nullptr, FILE_BEGIN);
        return done ? S_OK : STG_E_MEDIUMFULL;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* status, DWORD) override {
        LARGE_INTEGER size = {};
        if (!status || !GetFileSizeEx(file_, &size)) {
            return STG_E_INVALIDFUNCTION;
        }
        *status = STATSTG{};
        status->type = STGTY_STREAM;
        status->cbSize.QuadPart = static_cast<ULONGLONG>(size.QuadPart);
        status->grfMode = STGM_WRITE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    // A second cursor over the file would let writes past the check.
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override {
        if (copy) {
            *copy = nullptr;
        }
        return E_NOTIMPL;
    }

private:
    ~FileStream() = default;

    HANDLE file_;
    LONG references_ = 1;
    bool writeFailed_ = false;
};

// Encodes the image into the file; false unless every byte reached it.
bool encodeToFile(HANDLE file, Gdiplus::GpImage* image, const CLSID& encoder) {
    auto* stream = new (std::nothrow) FileStream(file);
    if (!stream) {
        return false;
    }
    ComPtr<IStream> owner;
    *owner.put() = stream;
    return gdiplus()->GdipSaveImageToStream(image, owner.get(), &encoder, nullptr) == Gdiplus::Ok &&
           !stream->writeFailed();
}

// The index of the first encoder of this MIME type, its class id copied out; -1 when there is none.
int findEncoderClsid(const wchar_t* mimeType, CLSID* classId) {
    UINT count = 0;
    UINT size = 0;
    gdiplus()->GdipGetImageEncodersSize(&count, &size);
    if (size == 0 || count == 0 || count > size / sizeof(Gdiplus::ImageCodecInfo)) {
        return -1;
    }
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block) {
        return -1;
    }
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.get());
    if (gdiplus()->GdipGetImageEncoders(count, size, encoders) != Gdiplus::Ok) {
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

}  // namespace

int writeBmpFile(HANDLE file, int width, int height, const void* pixels) {
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
    return writeAll(file, &fileHeader, sizeof(fileHeader)) && writeAll(file, &infoHeader, sizeof(infoHeader)) &&
                   (pixelBytes == 0 || writeAll(file, pixels, pixelBytes))
               ? 1
               : 0;
}

int saveWithEncoder(HANDLE file, HBITMAP bitmap, const wchar_t* mimeType) {
    CLSID encoder;
    if (!gdiplus() || findEncoderClsid(mimeType, &encoder) < 0) {
        return 0;
    }
    ScopedGdiplusImage image(imageOfBitmap(bitmap));
    if (!image) {
        return 0;
    }
    return encodeToFile(file, image.get(), encoder) ? 1 : 0;
}

bool encoderAvailable(const wchar_t* mimeType) {
    CLSID encoder;
    return gdiplus() && findEncoderClsid(mimeType, &encoder) >= 0;
}
