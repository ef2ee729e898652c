// What an in-process capture needs: the real panel, a stand-in main window, scratch folders for
// the executable's folder and the save folder, and readers for the files a capture leaves.
#ifndef GLIMRA_TEST_CAPTURE_FIXTURE_H
#define GLIMRA_TEST_CAPTURE_FIXTURE_H

#include <windows.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "app.h"
#include "ids.h"
#include "process_state.h"
#include "capture.h"
#include "image_writers.h"
#include "scoped.h"
#include "text.h"
#include "ui.h"
#include "scratch.h"
#include "memo_file.h"
#include "save_folder.h"
#include "settings.h"

inline std::vector<std::wstring> filesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(entry.cFileName);
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

inline uint32_t le32(const std::string& bytes, size_t offset) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 3])) << 24;
}

inline uint16_t le16(const std::string& bytes, size_t offset) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                 static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

// A 24-bit picture, rows top to bottom, three bytes per pixel in blue, green, red order.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
    const unsigned char* at(int x, int y) const { return &pixels[(static_cast<size_t>(y) * width + x) * 3]; }
};

// A BMP file as this program writes it, its rows turned top to bottom.
inline Picture readBmpPicture(const std::wstring& path) {
    Picture picture;
    std::string bytes = readBytes(path);
    if (bytes.size() < 54) {
        return picture;
    }
    picture.width = static_cast<int>(le32(bytes, 18));
    picture.height = static_cast<int>(le32(bytes, 22));
    size_t stride = (static_cast<size_t>(picture.width) * 3 + 3) / 4 * 4;
    if (bytes.size() != 54 + stride * picture.height) {
        return Picture{};
    }
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y) {
        const char* row = bytes.data() + 54 + stride * (picture.height - 1 - y);
        std::copy(row, row + picture.width * 3, picture.pixels.begin() + static_cast<size_t>(y) * picture.width * 3);
    }
    return picture;
}

// Any file GDI+ can decode, read back as 24-bit pixels.
inline Picture decodePicture(const std::wstring& path) {
    Picture picture;
    Gdiplus::GpBitmap* loaded = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(path.c_str(), &loaded) != Gdiplus::Ok) {
        return picture;
    }
    ScopedGdiplusImage image(loaded);
    UINT width = 0;
    UINT height = 0;
    Gdiplus::DllExports::GdipGetImageWidth(image.get(), &width);
    Gdiplus::DllExports::GdipGetImageHeight(image.get(), &height);
    Gdiplus::GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data = {};
    if (Gdiplus::DllExports::GdipBitmapLockBits(loaded, &all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) !=
        Gdiplus::Ok) {
        return picture;
    }
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (UINT y = 0; y < height; ++y) {
        const unsigned char* row =
            static_cast<const unsigned char*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
        std::copy(row, row + width * 3, picture.pixels.begin() + static_cast<size_t>(y) * width * 3);
    }
    Gdiplus::DllExports::GdipBitmapUnlockBits(loaded, &data);
    return picture;
}

inline std::wstring withSlash(const std::wstring& folder) { return folder + L"\\"; }

// Globals as start-up leaves them, with the executable's folder and the save folder in scratch
// folders, every check box clear and the counter at 0.
class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        startProcess(instance);
        appInstance = instance;
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = instance;
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = L"GlimraCaptureTestMain";
        RegisterClassW(&windowClass);
        // Out of the way of the windows the tests capture, and never the active window.
        mainWindow = CreateWindowExW(0, L"GlimraCaptureTestMain", L"main", WS_OVERLAPPEDWINDOW, 900, 600, 200, 120,
                                     nullptr, nullptr, instance, nullptr);
        ShowWindow(mainWindow, SW_SHOWNOACTIVATE);
        panel = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PANEL), mainWindow, panelDialogProc, 0);
        ASSERT_NE(nullptr, panel);
        Settings = SettingsRecord{};
        ASSERT_TRUE(copyText(exeFolder, kPathCapacity, withSlash(exeScratch.path()).c_str()));
        ASSERT_TRUE(copyText(saveFolder, kPathCapacity, saveScratch.path().c_str()));
    }

    void TearDown() override {
        DestroyWindow(mainWindow);
        mainWindow = nullptr;
        panel = nullptr;
        exeFolder[0] = L'\0';
        saveFolder[0] = L'\0';
    }

    void tick(std::initializer_list<int> boxes) {
        for (int box : boxes) {
            setChecked(panel, box, BST_CHECKED);
        }
    }

    void untickAll() {
        for (int id : {IDC_TRIMING, IDC_ALTER, IDC_NONESCS, IDC_JPEGPIC, IDC_PNGPIC, IDC_CONSTANT, IDC_SAVEINI,
                       IDC_POPWINDOW, IDC_NONEDIALOG, IDC_NONEIMG, IDC_AUTOEND, IDC_USEBG, IDC_ISTASK, IDC_ALMEMO,
                       IDC_ASMEMO}) {
            setChecked(panel, id, BST_UNCHECKED);
        }
    }

    std::wstring savePath(const std::wstring& name) const { return saveScratch.file(name); }

    ScratchFolder exeScratch{L"exe"};
    ScratchFolder saveScratch{L"save"};
};

inline RECT screenRect() {
    RECT rect = {};
    GetWindowRect(GetDesktopWindow(), &rect);
    return rect;
}

#endif
