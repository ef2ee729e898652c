// The mouse cursor in the captured image: at its screen position less its hot spot less the
// region's corner. The cursor is this process's own, over this process's own window, since a
// cursor over another process's window cannot be read back under Wine.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture_fixture.h"

namespace {

constexpr COLORREF kBackground = RGB(0, 128, 128);
constexpr int kHotX = 5;
constexpr int kHotY = 7;
constexpr int kCursorSide = 32;
const RECT kTargetRect = {300, 200, 500, 350};

// A black and white checkered block with a transparent margin; its hot spot is off the corner.
HCURSOR makeCheckeredCursor() {
    const int rowBytes = kCursorSide / 8;
    std::vector<BYTE> andPlane(rowBytes * kCursorSide, 0xFF);
    std::vector<BYTE> xorPlane(rowBytes * kCursorSide, 0x00);
    for (int y = 3; y < 21; ++y) {
        for (int x = 2; x < 18; ++x) {
            BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
            andPlane[y * rowBytes + x / 8] &= static_cast<BYTE>(~bit);
            if ((x / 2 + y / 2) % 2 == 0) {
                xorPlane[y * rowBytes + x / 8] |= bit;
            }
        }
    }
    return CreateCursor(GetModuleHandleW(nullptr), kHotX, kHotY, kCursorSide, kCursorSide, andPlane.data(),
                        xorPlane.data());
}

void pumpMessages() {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 200) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

// What the window should look like with the cursor at a screen point: its background with the
// cursor drawn by the same DrawIcon.
Picture referencePicture(HCURSOR cursor, POINT at) {
    Picture picture;
    picture.width = kTargetRect.right - kTargetRect.left;
    picture.height = kTargetRect.bottom - kTargetRect.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top-down, as Picture holds its rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    ScopedMemoryDC dc(CreateCompatibleDC(nullptr));
    ScopedGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ScopedGdiObject brush(CreateSolidBrush(kBackground));
    {
        ScopedSelection selection(dc.get(), bitmap.get());
        RECT all = {0, 0, picture.width, picture.height};
        FillRect(dc.get(), &all, static_cast<HBRUSH>(brush.get()));
        DrawIcon(dc.get(), at.x - kHotX - kTargetRect.left, at.y - kHotY - kTargetRect.top, cursor);
        GdiFlush();
    }
    const int stride = (picture.width * 3 + 3) / 4 * 4;
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y) {
        const BYTE* row = static_cast<const BYTE*>(bits) + y * stride;
        std::copy(row, row + picture.width * 3, picture.pixels.begin() + static_cast<size_t>(y) * picture.width * 3);
    }
    return picture;
}

// The window's area cut out of a larger capture whose corner is at the given screen point.
Picture cutOut(const Picture& whole, int left, int top) {
    Picture part;
    part.width = kTargetRect.right - kTargetRect.left;
    part.height = kTargetRect.bottom - kTargetRect.top;
    for (int y = 0; y < part.height; ++y) {
        const unsigned char* row = whole.at(kTargetRect.left - left, kTargetRect.top - top + y);
        part.pixels.insert(part.pixels.end(), row, row + part.width * 3);
    }
    return part;
}

int pixelsNot(const Picture& picture, COLORREF colour) {
    int count = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const unsigned char* p = picture.at(x, y);
            count += RGB(p[2], p[1], p[0]) != colour;
        }
    }
    return count;
}

class CaptureCursorTest : public CaptureTest {
protected:
    void SetUp() override {
        CaptureTest::SetUp();
        cursor = makeCheckeredCursor();
        ASSERT_NE(nullptr, cursor);
        background = CreateSolidBrush(kBackground);
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = cursor;
        windowClass.hbrBackground = background;
        windowClass.lpszClassName = L"GlimraCursorTarget";
        RegisterClassW(&windowClass);
        target = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"GlimraCursorTarget", L"target",
                                 WS_POPUP | WS_VISIBLE, kTargetRect.left, kTargetRect.top,
                                 kTargetRect.right - kTargetRect.left, kTargetRect.bottom - kTargetRect.top, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, target);
        SetForegroundWindow(target);
        UpdateWindow(target);
        tick({IDC_USEBG});
    }

    void TearDown() override {
        DestroyWindow(target);
        UnregisterClassW(L"GlimraCursorTarget", GetModuleHandleW(nullptr));
        DeleteObject(background);
        DestroyCursor(cursor);
        CaptureTest::TearDown();
    }

    void pointAt(POINT at) {
        SetCursorPos(at.x, at.y);
        SetCursor(cursor);
        pumpMessages();
        CURSORINFO info = {};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(GetCursorInfo(&info));
        ASSERT_EQ(at.x, info.ptScreenPos.x);
        ASSERT_EQ(at.y, info.ptScreenPos.y);
    }

    Picture captured(HWND window, const wchar_t* modeTag) {
        DeleteFileW(savePath(L"img.bmp").c_str());
        refreshSettingsFromPanel();
        captureAndSave(window, modeTag);
        return readBmpPicture(savePath(L"img.bmp"));
    }

    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    HWND target = nullptr;
};

TEST_F(CaptureCursorTest, CursorLandsAtItsPositionLessHotSpotAndCorner) {
    const POINT at = {kTargetRect.left + 60, kTargetRect.top + 50};
    pointAt(at);
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    GetCursorInfo(&info);
    ASSERT_EQ(cursor, info.hCursor) << "the cursor is not this process's own";
    const Picture expected = referencePicture(cursor, at);
    ASSERT_GT(pixelsNot(expected, kBackground), 100);

    Picture window = captured(target, L"mode:free");
    ASSERT_EQ(expected.width, window.width);
    ASSERT_EQ(expected.height, window.height);
    EXPECT_TRUE(expected.pixels == window.pixels) << pixelsNot(window, kBackground) << " pixels off the background";

    pointAt(at);
    Picture screen = captured(GetDesktopWindow(), L"mode:desktop");
    ASSERT_EQ(screenRect().right, screen.width);
    Picture part = cutOut(screen, 0, 0);
    EXPECT_TRUE(expected.pixels == part.pixels) << pixelsNot(part, kBackground) << " pixels off the background";
}

TEST_F(CaptureCursorTest, CursorOutsideTheWindowLeavesNoMark) {
    pointAt({kTargetRect.left - 100, kTargetRect.top - 100});
    Picture window = captured(target, L"mode:free");
    ASSERT_EQ(kTargetRect.right - kTargetRect.left, window.width);
    EXPECT_EQ(0, pixelsNot(window, kBackground));
}

}  // namespace
