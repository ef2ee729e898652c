// The screen every grabber captures: a photo-like backdrop (soft colour fields with grain) under a
// few flat windows of text and a task bar, the mix of smooth, noisy and flat areas a desktop has.
#include "bench.h"

#include <windows.h>

#include <cmath>
#include <cstdint>

#include "scoped.h"

namespace {

const wchar_t kSceneryClass[] = L"GlimraBenchScenery";
constexpr int kFieldColumns = 16;  // the coarse grid of colours the backdrop blends between
constexpr int kFieldRows = 9;
constexpr int kGrain = 7;          // +-3 of noise per channel, like a photo's grain
constexpr int kWindowCount = 4;
constexpr int kTextLines = 14;

HDC sceneryDC;  // holds the finished picture for WM_PAINT; lives as long as the window
HGDIOBJ sceneryBitmap;
int sceneryWidth;
int sceneryHeight;

uint32_t nextRandom(uint32_t* state) {
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return x;
}

unsigned char clampByte(int value) { return static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value); }

// Bilinear blend of a coarse random colour grid, waves along each axis, and grain.
void paintBackdrop(uint32_t* pixels, int width, int height) {
    uint32_t seed = 0x2545F491u;
    int field[kFieldRows + 1][kFieldColumns + 1][3];
    for (auto& row : field) {
        for (auto& cell : row) {
            for (int& channel : cell) {
                channel = 40 + static_cast<int>(nextRandom(&seed) % 176);
            }
        }
    }
    for (int y = 0; y < height; ++y) {
        const double fy = static_cast<double>(y) * kFieldRows / height;
        const int row = static_cast<int>(fy);
        const double ty = fy - row;
        const int waveY = static_cast<int>(18.0 * std::sin(y * 0.011));
        for (int x = 0; x < width; ++x) {
            const double fx = static_cast<double>(x) * kFieldColumns / width;
            const int column = static_cast<int>(fx);
            const double tx = fx - column;
            int colour[3];
            for (int c = 0; c < 3; ++c) {
                const double top = field[row][column][c] * (1 - tx) + field[row][column + 1][c] * tx;
                const double bottom = field[row + 1][column][c] * (1 - tx) + field[row + 1][column + 1][c] * tx;
                const int grain = static_cast<int>(nextRandom(&seed) % kGrain) - kGrain / 2;
                colour[c] = static_cast<int>(top * (1 - ty) + bottom * ty) + waveY * (c - 1) + grain;
            }
            pixels[static_cast<size_t>(y) * width + x] =
                static_cast<uint32_t>(clampByte(colour[2])) << 16 | static_cast<uint32_t>(clampByte(colour[1])) << 8 |
                clampByte(colour[0]);
        }
    }
}

void fillRect(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    RECT rect = {left, top, right, bottom};
    ScopedGdiObject brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
}

// Flat windows with a title bar and lines of Japanese and English text, and a task bar.
void paintWindows(HDC dc, int width, int height) {
    const int lineHeight = height / 60 + 6;
    ScopedGdiObject font(CreateFontW(-(lineHeight - 4), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH,
                                     L"MS UI Gothic"));
    ScopedSelection selection(dc, font.get());
    SetBkMode(dc, TRANSPARENT);
    const wchar_t* lines[] = {
        L"画面全体を取得 — 任意のウィンドウを取得",
        L"保存先: C:\\Users\\glimra\\Pictures\\screenshots\\img42.png",
        L"The quick brown fox jumps over the lazy dog. 0123456789",
        L"連番を付ける / JPEG でも保存する / PNG でも保存する",
        L"memo: 会議資料の図を差し替えること (2024-05-17 14:32)",
    };
    for (int i = 0; i < kWindowCount; ++i) {
        const int left = width / 12 + i * width / 5;
        const int top = height / 10 + i * height / 9;
        const int right = left + width * 2 / 5;
        const int bottom = top + lineHeight * (kTextLines + 3);
        fillRect(dc, left + 6, top + 6, right + 6, bottom + 6, RGB(40, 40, 48));  // shadow
        fillRect(dc, left, top, right, bottom, RGB(250, 250, 248));
        fillRect(dc, left, top, right, top + lineHeight + 8, RGB(36, 92, 170 - i * 20));
        SetTextColor(dc, RGB(255, 255, 255));
        RECT title = {left + 8, top + 4, right - 8, top + lineHeight + 8};
        DrawTextW(dc, L"Glimra Ver 3.00", -1, &title, DT_SINGLELINE | DT_NOPREFIX);
        SetTextColor(dc, RGB(20, 20, 24));
        for (int line = 0; line < kTextLines; ++line) {
            const wchar_t* text = lines[(line + i) % ARRAYSIZE(lines)];
            RECT rect = {left + 12, top + lineHeight * (line + 2), right - 12, top + lineHeight * (line + 3)};
            DrawTextW(dc, text, -1, &rect, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
    }
    fillRect(dc, 0, height - lineHeight * 2, width, height, RGB(32, 34, 40));
    SetTextColor(dc, RGB(230, 230, 230));
    RECT clock = {width - lineHeight * 8, height - lineHeight * 2, width - 8, height};
    DrawTextW(dc, L"14:32  2024/05/17", -1, &clock, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
}

LRESULT CALLBACK sceneryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        BitBlt(dc, 0, 0, sceneryWidth, sceneryHeight, sceneryDC, 0, 0, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_NCDESTROY:
        DeleteDC(sceneryDC);
        DeleteObject(sceneryBitmap);
        sceneryDC = nullptr;
        sceneryBitmap = nullptr;
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

HWND showScenery(HINSTANCE instance) {
    RECT screen = {};
    GetWindowRect(GetDesktopWindow(), &screen);
    sceneryWidth = screen.right;
    sceneryHeight = screen.bottom;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = sceneryWidth;
    info.bmiHeader.biHeight = -sceneryHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    sceneryDC = CreateCompatibleDC(nullptr);
    sceneryBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!sceneryDC || !sceneryBitmap || !bits) {
        fail("no memory for the scenery");
    }
    SelectObject(sceneryDC, sceneryBitmap);
    paintBackdrop(static_cast<uint32_t*>(bits), sceneryWidth, sceneryHeight);
    paintWindows(sceneryDC, sceneryWidth, sceneryHeight);
    GdiFlush();

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = sceneryProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kSceneryClass;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kSceneryClass, L"scenery", WS_POPUP | WS_VISIBLE, 0, 0,
                                  sceneryWidth, sceneryHeight, nullptr, nullptr, instance, nullptr);
    if (!window) {
        fail("the scenery window could not be made");
    }
    UpdateWindow(window);
    return window;
}

void pumpMessagesFor(DWORD milliseconds) {
    const double end = nowMilliseconds() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const double left = end - nowMilliseconds();
        if (left <= 0) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left) + 1, QS_ALLINPUT);
    }
}
