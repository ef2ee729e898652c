// The image name, the files of one capture and the path built from them.
#include <windows.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "capture.h"
#include "image_writers.h"
#include "scratch.h"

namespace {

struct NameCase {
    bool withoutPrefix;
    bool numbered;
    int number;
    const wchar_t* name;
};

TEST(CaptureNaming, ImageNameIsBackslashPrefixAndNumber) {
    const NameCase cases[] = {
        {false, true, 42, L"\\img42"},
        {false, false, 42, L"\\img"},
        {true, true, 7, L"\\7"},
        {true, false, 7, L"\\"},
        {false, true, 0, L"\\img0"},
        {false, true, -3, L"\\img-3"},
        {true, true, INT_MIN, L"\\-2147483648"},
        {false, true, INT_MAX, L"\\img2147483647"},
    };
    for (const NameCase& c : cases) {
        wchar_t name[kPathCapacity];
        wmemset(name, L'?', kPathCapacity);
        buildImageName(name, c.withoutPrefix, c.numbered, c.number);
        EXPECT_EQ(std::wstring(c.name), name);
    }
}

struct MatrixCase {
    bool alwaysBmp;
    bool jpeg;
    bool png;
    std::vector<std::wstring> extensions;
};

TEST(CaptureNaming, ChosenFormatsGiveTheFilesInOrder) {
    const MatrixCase cases[] = {
        {false, false, false, {L".bmp"}},
        {false, true, false, {L".jpg"}},
        {false, false, true, {L".png"}},
        {false, true, true, {L".jpg", L".png"}},
        {true, false, false, {L".bmp"}},
        {true, true, false, {L".bmp", L".jpg"}},
        {true, false, true, {L".bmp", L".png"}},
        {true, true, true, {L".bmp", L".jpg", L".png"}},
    };
    for (const MatrixCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.alwaysBmp) + std::to_string(c.jpeg) + std::to_string(c.png));
        const ImageFormat* formats[kImageFormatCount] = {};
        int count = chooseImageFormats(c.alwaysBmp, c.jpeg, c.png, formats);
        std::vector<std::wstring> extensions;
        for (int i = 0; i < count; ++i) {
            extensions.push_back(formats[i]->extension);
            // Only the BMP file is written without a GDI+ encoder.
            EXPECT_EQ(extensions.back() == L".bmp", formats[i]->mimeType == nullptr);
        }
        EXPECT_EQ(c.extensions, extensions);
    }
}

TEST(CaptureNaming, OutputPathTakesUpTo499CharactersAndNeverACutOne) {
    const std::wstring name = L"\\img1";
    const std::wstring fits(490, L'f');  // 490 + 5 + 4 = 499
    ASSERT_TRUE(buildOutputPath(fits.c_str(), name.c_str(), L".bmp"));
    EXPECT_EQ(fits + name + L".bmp", outputPath);

    const std::wstring tooLong(491, L'f');
    EXPECT_FALSE(buildOutputPath(tooLong.c_str(), name.c_str(), L".bmp"));
    EXPECT_EQ(L'\0', outputPath[0]);
    EXPECT_EQ(L'\0', outputPath[kPathCapacity - 1]);
}

}  // namespace
