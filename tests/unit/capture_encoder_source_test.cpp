// The JPEG and PNG writers read the capture bitmap's pixel memory in place; the files must be the
// very files GDI+ writes from a bitmap it copies out of the handle.
#include <windows.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <string>

#include "capture.h"
#include "image_writers.h"
#include "capture_fixture.h"
#include "scoped.h"
#include "text.h"
#include "ui.h"
#include "scratch.h"

namespace {

struct SourceCase {
    const char* name;
    int width;
    int height;
    WORD bitCount;
};

// Every byte differs from its neighbours, fill bytes included, so a row read from the wrong place,
// backwards or shifted, changes the picture.
HBITMAP makeBitmap(const SourceCase& c) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = c.width;
    info.bmiHeader.biHeight = c.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = c.bitCount;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        const size_t stride = (static_cast<size_t>(c.width) * c.bitCount / 8 + 3) / 4 * 4;
        auto* bytes = static_cast<unsigned char*>(bits);
        for (size_t i = 0; i < stride * c.height; ++i) {
            bytes[i] = static_cast<unsigned char>(i * 37 + i / stride * 11);
        }
    }
    return bitmap;
}

// What GDI+ writes from a bitmap it copies out of the handle.
std::string referenceFile(HBITMAP bitmap, const wchar_t* mimeType, const std::wstring& path) {
    CLSID encoder;
    if (findEncoderClsid(mimeType, &encoder) < 0) {
        return std::string();
    }
    Gdiplus::GpBitmap* created = nullptr;
    Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)),
                                                     &created);
    ScopedGdiplusImage image(created);
    if (!image ||
        Gdiplus::DllExports::GdipSaveImageToFile(image.get(), path.c_str(), &encoder, nullptr) != Gdiplus::Ok) {
        return std::string();
    }
    return readBytes(path);
}

TEST(ImageWriters, EncodedFilesAreThoseGdiplusWritesFromTheBitmapHandle) {
    const SourceCase cases[] = {
        {"rows padded", 5, 3, 24},
        {"a screen's shape", 160, 90, 24},
        {"32-bit, handed over by handle", 7, 4, 32},
    };
    const wchar_t* mimeTypes[] = {L"image/png", L"image/jpeg"};
    ScratchFolder folder;
    for (const SourceCase& c : cases) {
        ScopedGdiObject bitmap(makeBitmap(c));
        ASSERT_TRUE(bitmap) << c.name;
        for (const wchar_t* mimeType : mimeTypes) {
            SCOPED_TRACE(std::string(c.name) + ", " + narrow(mimeType));
            const std::string expected =
                referenceFile(static_cast<HBITMAP>(bitmap.get()), mimeType, folder.file(L"reference"));
            ASSERT_FALSE(expected.empty());
            ASSERT_TRUE(copyText(outputPath, kPathCapacity, folder.file(L"written").c_str()));
            EXPECT_EQ(1, saveWithEncoder(static_cast<HBITMAP>(bitmap.get()), mimeType));
            EXPECT_TRUE(expected == readBytes(folder.file(L"written")));
        }
    }
}

// The picture's top row is the bitmap's top row: a bottom-up bitmap is not written upside down.
TEST(ImageWriters, PngOfABottomUpBitmapKeepsItsTopRowOnTop) {
    const SourceCase c = {"bottom-up", 3, 2, 24};
    ScopedGdiObject bitmap(makeBitmap(c));
    ASSERT_TRUE(bitmap);
    DIBSECTION section = {};
    ASSERT_EQ(static_cast<int>(sizeof(section)), GetObjectW(bitmap.get(), sizeof(section), &section));
    const auto* memory = static_cast<const unsigned char*>(section.dsBm.bmBits);
    ScratchFolder folder;
    ASSERT_TRUE(copyText(outputPath, kPathCapacity, folder.file(L"p.png").c_str()));
    ASSERT_EQ(1, saveWithEncoder(static_cast<HBITMAP>(bitmap.get()), L"image/png"));
    Picture picture = decodePicture(folder.file(L"p.png"));
    ASSERT_EQ(3, picture.width);
    ASSERT_EQ(2, picture.height);
    const size_t stride = 12;
    for (int y = 0; y < 2; ++y) {
        const unsigned char* row = memory + stride * (1 - y);  // the last row in memory is the top
        for (int x = 0; x < 3; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                EXPECT_EQ(row[x * 3 + channel], picture.at(x, y)[channel]) << x << "," << y;
            }
        }
    }
}

}  // namespace
