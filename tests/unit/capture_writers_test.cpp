// The image file writers: BMP bytes on disk, replacing and failing, and the GDI+ encoders.
#include <windows.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "capture.h"
#include "image_writers.h"
#include "capture_fixture.h"
#include "scoped.h"
#include "text.h"
#include "ui.h"
#include "scratch.h"

namespace {

void targetFile(const std::wstring& path) { ASSERT_TRUE(copyText(outputPath, kPathCapacity, path.c_str())); }

std::vector<unsigned char> patternBytes(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    }
    return bytes;
}

struct BmpCase {
    int width;
    int height;
    uint32_t imageSize;
    size_t fileSize;
};

TEST(ImageWriters, BmpFileHoldsHeadersAndPixelMemoryAsItIs) {
    const BmpCase cases[] = {
        {2, 2, 16, 70}, {3, 2, 24, 78}, {4, 1, 12, 66}, {1, 1, 4, 58}, {5, 3, 48, 102}, {0, 4, 0, 54}, {3, 0, 0, 54},
    };
    ScratchFolder folder;
    for (const BmpCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        std::vector<unsigned char> pixels = patternBytes(c.imageSize + 1);
        targetFile(folder.file(L"p.bmp"));
        EXPECT_EQ(1, writeBmpFile(c.width, c.height, pixels.data()));
        std::string bytes = readBytes(folder.file(L"p.bmp"));
        ASSERT_EQ(c.fileSize, bytes.size());
        EXPECT_EQ('B', bytes[0]);
        EXPECT_EQ('M', bytes[1]);
        EXPECT_EQ(c.fileSize, le32(bytes, 2));
        EXPECT_EQ(0u, le32(bytes, 6));  // both reserved words
        EXPECT_EQ(54u, le32(bytes, 10));
        EXPECT_EQ(40u, le32(bytes, 14));
        EXPECT_EQ(static_cast<uint32_t>(c.width), le32(bytes, 18));
        EXPECT_EQ(static_cast<uint32_t>(c.height), le32(bytes, 22));
        EXPECT_EQ(1u, le16(bytes, 26));
        EXPECT_EQ(24u, le16(bytes, 28));
        EXPECT_EQ(0u, le32(bytes, 30));
        EXPECT_EQ(c.imageSize, le32(bytes, 34));
        for (size_t offset = 38; offset < 54; offset += 4) {
            EXPECT_EQ(0u, le32(bytes, offset)) << "offset " << offset;
        }
        EXPECT_EQ(0, std::memcmp(bytes.data() + 54, pixels.data(), c.imageSize));
    }
}

TEST(ImageWriters, BmpFileReplacesAnExistingFileOfThatName) {
    ScratchFolder folder;
    ASSERT_TRUE(writeBytes(folder.file(L"old.bmp"), std::string(300, 'x')));
    std::vector<unsigned char> pixels = patternBytes(4);
    targetFile(folder.file(L"old.bmp"));
    EXPECT_EQ(1, writeBmpFile(1, 1, pixels.data()));
    EXPECT_EQ(58u, readBytes(folder.file(L"old.bmp")).size());
}

TEST(ImageWriters, BmpFileThatCannotBeWrittenWholeLeavesNoFile) {
    ScratchFolder folder;
    std::vector<unsigned char> pixels = patternBytes(16);
    // A missing folder: the file cannot be created.
    targetFile(folder.file(L"missing\\p.bmp"));
    EXPECT_EQ(0, writeBmpFile(2, 2, pixels.data()));
    EXPECT_FALSE(fileExists(folder.file(L"missing\\p.bmp")));
    // Pixel memory that cannot be read: the file is created, the pixel write fails.
    void* unreadable = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
    ASSERT_NE(nullptr, unreadable);
    targetFile(folder.file(L"cut.bmp"));
    EXPECT_EQ(0, writeBmpFile(2, 2, unreadable));
    EXPECT_FALSE(fileExists(folder.file(L"cut.bmp")));
    VirtualFree(unreadable, 0, MEM_RELEASE);
    // Negative sides describe no pixel memory at all.
    targetFile(folder.file(L"negative.bmp"));
    EXPECT_EQ(0, writeBmpFile(-2, 2, pixels.data()));
    EXPECT_EQ(0, writeBmpFile(2, -2, pixels.data()));
    EXPECT_FALSE(fileExists(folder.file(L"negative.bmp")));
}

TEST(ImageWriters, FindsJpegAndPngEncodersButNoneForAnUnknownType) {
    CLSID jpeg = {};
    CLSID png = {};
    EXPECT_GE(findEncoderClsid(L"image/jpeg", &jpeg), 0);
    EXPECT_GE(findEncoderClsid(L"image/png", &png), 0);
    EXPECT_NE(0, std::memcmp(&jpeg, &png, sizeof(CLSID)));

    CLSID untouched;
    std::memset(&untouched, 0xA5, sizeof(untouched));
    CLSID before = untouched;
    EXPECT_EQ(-1, findEncoderClsid(L"image/x-none", &untouched));
    EXPECT_EQ(0, std::memcmp(&before, &untouched, sizeof(CLSID)));
}

// A small DIB section with a known picture: a 6x4 gradient.
HBITMAP makeTestBitmap() {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 6;
    info.bmiHeader.biHeight = 4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        std::vector<unsigned char> pattern = patternBytes(4 * 20);
        std::memcpy(bits, pattern.data(), pattern.size());
    }
    return bitmap;
}

struct EncoderCase {
    const wchar_t* mimeType;
    const wchar_t* fileName;
    std::string signature;
};

TEST(ImageWriters, EncoderReplacesAnExistingFileWithTheWholeBitmap) {
    const EncoderCase cases[] = {
        {L"image/jpeg", L"p.jpg", std::string("\xFF\xD8\xFF", 3)},
        {L"image/png", L"p.png", std::string("\x89PNG", 4)},
    };
    ScratchFolder folder;
    ScopedGdiObject bitmap(makeTestBitmap());
    ASSERT_TRUE(bitmap);
    for (const EncoderCase& c : cases) {
        SCOPED_TRACE(narrow(c.mimeType));
        ASSERT_TRUE(writeBytes(folder.file(c.fileName), std::string(100000, 'x')));
        targetFile(folder.file(c.fileName));
        EXPECT_EQ(1, saveWithEncoder(static_cast<HBITMAP>(bitmap.get()), c.mimeType));
        std::string bytes = readBytes(folder.file(c.fileName));
        EXPECT_EQ(c.signature, bytes.substr(0, c.signature.size()));
        EXPECT_LT(bytes.size(), 100000u);
        Picture picture = decodePicture(folder.file(c.fileName));
        EXPECT_EQ(6, picture.width);
        EXPECT_EQ(4, picture.height);
    }
}

TEST(ImageWriters, EncoderFailureLeavesNoFile) {
    ScratchFolder folder;
    ScopedGdiObject bitmap(makeTestBitmap());
    ASSERT_TRUE(bitmap);
    targetFile(folder.file(L"p.none"));
    EXPECT_EQ(0, saveWithEncoder(static_cast<HBITMAP>(bitmap.get()), L"image/x-none"));
    EXPECT_FALSE(fileExists(folder.file(L"p.none")));
    targetFile(folder.file(L"missing\\p.png"));
    EXPECT_EQ(0, saveWithEncoder(static_cast<HBITMAP>(bitmap.get()), L"image/png"));
    EXPECT_FALSE(fileExists(folder.file(L"missing\\p.png")));
    EXPECT_TRUE(filesIn(folder.path()).empty());
}

}  // namespace
