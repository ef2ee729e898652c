// The image file writers: the BMP file written from the capture's pixel memory as it is, and the
// JPEG and PNG files through the image encoders of GDI+. Both write to outputPath.
#include "image_writers.h"

#include <windows.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <memory>
#include <new>

#include "scoped.h"

wchar_t outputPath[kPathCapacity];

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
        Gdiplus::DllExports::GdipCreateBitmapFromScan0(section.dsBm.bmWidth, section.dsBm.bmHeight, -stride,
                                                       PixelFormat24bppRGB, top, &image);
        return image;
    }
    Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)),
                                                     &image);
    return image;
}

// The encoder's bytes on their way to the file, each write checked: Wine's JPEG encoder does not
// pass on a failed write (a full disk), and its cut file would otherwise count as saved. The bytes
// go straight to the file: held whole in memory first, an encoded file cost up to twice its size
// there, and time that grew with the square of its size as the memory grew write by write.
class CheckedFileStream final : public IStream {
public:
    explicit CheckedFileStream(IStream* file) : file_(file) { file_->AddRef(); }
    CheckedFileStream(const CheckedFileStream&) = delete;
    CheckedFileStream& operator=(const CheckedFileStream&) = delete;

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
        ULONG done = 0;
        const HRESULT result = file_->Write(bytes, size, &done);
        if (written) {
            *written = done;
        }
        if (FAILED(result) || done != size) {
            writeFailed_ = true;
            return FAILED(result) ? result : STG_E_MEDIUMFULL;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Read(void* bytes, ULONG size, ULONG* read) override {
        return file_->Read(bytes, size, read);
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        return file_->Seek(move, origin, position);
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override { return file_->SetSize(size); }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override {
        return file_->CopyTo(target, size, read, written);
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override { return file_->Commit(flags); }
    HRESULT STDMETHODCALLTYPE Revert() override { return file_->Revert(); }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) override {
        return file_->LockRegion(offset, size, type);
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) override {
        return file_->UnlockRegion(offset, size, type);
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* status, DWORD flags) override { return file_->Stat(status, flags); }
    // A second cursor over the file would let writes past the check.
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override {
        if (copy) {
            *copy = nullptr;
        }
        return E_NOTIMPL;
    }

private:
    ~CheckedFileStream() { file_->Release(); }

    IStream* file_;
    LONG references_ = 1;
    bool writeFailed_ = false;
};

// Encodes the image into outputPath, created or emptied with no sharing. A file that cannot be
// opened is left as it was; one that was opened and not wholly saved is not left as a picture.
bool encodeToFile(Gdiplus::GpImage* image, const CLSID& encoder) {
    ComPtr<IStream> file;
    if (FAILED(SHCreateStreamOnFileEx(outputPath, STGM_WRITE | STGM_CREATE | STGM_SHARE_EXCLUSIVE,
                                      FILE_ATTRIBUTE_NORMAL, TRUE, nullptr, file.put()))) {
        return false;
    }
    bool saved = false;
    if (auto* checked = new (std::nothrow) CheckedFileStream(file.get())) {
        ComPtr<IStream> stream;
        *stream.put() = checked;
        saved = Gdiplus::DllExports::GdipSaveImageToStream(image, stream.get(), &encoder, nullptr) == Gdiplus::Ok &&
                !checked->writeFailed();
    }
    file.reset();
    if (!saved) {
        DeleteFileW(outputPath);
    }
    return saved;
}

// The index of the first encoder of this MIME type, its class id copied out; -1 when there is none.
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

int saveWithEncoder(HBITMAP bitmap, const wchar_t* mimeType) {
    CLSID encoder;
    if (findEncoderClsid(mimeType, &encoder) < 0) {
        return 0;
    }
    ScopedGdiplusImage image(imageOfBitmap(bitmap));
    if (!image) {
        return 0;
    }
    return encodeToFile(image.get(), encoder) ? 1 : 0;
}
