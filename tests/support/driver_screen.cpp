// Pattern windows, screen pixels, BMP and raw images, and message-box icons told by their pixels.
#include "driver_screen.h"

#include <algorithm>
#include <map>

#include "driver.h"

namespace {

// A 32-bit DIB's pixels as 0xRRGGBB, without the unused top byte.
void takePixels(Image& image, const void* bits, int width, int height) {
    image.width = width;
    image.height = height;
    const uint32_t* source = static_cast<const uint32_t*>(bits);
    image.pixels.assign(source, source + static_cast<size_t>(width) * height);
    for (uint32_t& pixel : image.pixels) {
        pixel &= 0xFFFFFF;
    }
}

const wchar_t kPatternClass[] = L"GlimraE2EPattern";

std::map<HWND, Image>& patterns() {
    static std::map<HWND, Image> table;
    return table;
}

BITMAPINFO topDownInfo(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

void paintPattern(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    auto found = patterns().find(window);
    if (found != patterns().end()) {
        const Image& image = found->second;
        BITMAPINFO info = topDownInfo(image.width, image.height);
        SetDIBitsToDevice(dc, 0, 0, image.width, image.height, 0, 0, 0, image.height, image.pixels.data(), &info,
                          DIB_RGB_COLORS);
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK patternProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paintPattern(window);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void registerPatternClass() {
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = patternProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kPatternClass;
    RegisterClassExW(&windowClass);
    registered = true;
}

// Draws an icon the way a static control does: its rectangle filled, the icon stretched over it.
Image drawIconOver(HICON icon, int width, int height, uint32_t background) {
    Image image;
    BITMAPINFO info = topDownInfo(width, height);
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!memory || !bitmap) {
        if (bitmap) {
            DeleteObject(bitmap);
        }
        if (memory) {
            DeleteDC(memory);
        }
        return image;
    }
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF));
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    GdiFlush();
    takePixels(image, bits, width, height);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return image;
}

HWND iconControlOf(HWND box) {
    HWND found = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child && !found; child = GetWindow(child, GW_HWNDNEXT)) {
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if (_wcsicmp(classOf(child).c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON &&
            (style & WS_VISIBLE)) {
            found = child;
        }
    }
    return found;
}

}  // namespace

uint32_t patternColour(int x, int y) {
    uint32_t red = static_cast<uint32_t>(((x >> 8) * 16 + (y >> 8) * 64 + 37) & 0xFF);
    return (red << 16) | (static_cast<uint32_t>(y & 0xFF) << 8) | static_cast<uint32_t>(x & 0xFF);
}

Image patternImage(int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.pixels[static_cast<size_t>(y) * width + x] = patternColour(x, y);
        }
    }
    return image;
}

PatternWindow::PatternWindow(const std::wstring& title, RECT rect, bool topmost) : rect_(rect) {
    registerPatternClass();
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    window_ = CreateWindowExW(topmost ? WS_EX_TOPMOST : 0, kPatternClass, title.c_str(), WS_POPUP, rect.left,
                              rect.top, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window_) {
        patterns()[window_] = patternImage(width, height);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
    }
}

PatternWindow::~PatternWindow() {
    if (window_) {
        DestroyWindow(window_);
        patterns().erase(window_);
        pumpMessages(50);
    }
}

bool PatternWindow::waitUntilOnScreen() {
    if (!window_) {
        return false;
    }
    Image expected = patternImage(rect_.right - rect_.left, rect_.bottom - rect_.top);
    DWORD started = GetTickCount();
    while (GetTickCount() - started < kWaitMs) {
        pumpMessages(50);
        if (countDifferences(grabScreen(rect_), expected) == 0) {
            return true;
        }
        InvalidateRect(window_, nullptr, FALSE);
    }
    return false;
}

Image grabScreen(const RECT& rect) {
    Image image;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return image;
    }
    BITMAPINFO info = topDownInfo(width, height);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (screen && memory && bitmap) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        takePixels(image, bits, width, height);
        SelectObject(memory, previous);
    }
    if (bitmap) {
        DeleteObject(bitmap);
    }
    if (memory) {
        DeleteDC(memory);
    }
    if (screen) {
        ReleaseDC(nullptr, screen);
    }
    return image;
}

namespace {

uint32_t readU32(const std::string& bytes, size_t offset) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 3])) << 24;
}

uint32_t readU16(const std::string& bytes, size_t offset) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 1])) << 8;
}

}  // namespace

bool readBmp24(const std::string& bytes, Image& image) {
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') {
        return false;
    }
    int width = static_cast<int>(readU32(bytes, 18));
    int height = static_cast<int>(readU32(bytes, 22));
    uint32_t offset = readU32(bytes, 10);
    if (readU16(bytes, 28) != 24 || readU32(bytes, 30) != 0 || width < 0 || height < 0) {
        return false;
    }
    size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    if (bytes.size() < offset + stride * height) {
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height, 0);
    for (int row = 0; row < height; ++row) {
        size_t start = offset + stride * (height - 1 - row);  // bottom-up
        for (int x = 0; x < width; ++x) {
            size_t at = start + static_cast<size_t>(x) * 3;
            uint32_t blue = static_cast<unsigned char>(bytes[at]);
            uint32_t green = static_cast<unsigned char>(bytes[at + 1]);
            uint32_t red = static_cast<unsigned char>(bytes[at + 2]);
            image.pixels[static_cast<size_t>(row) * width + x] = (red << 16) | (green << 8) | blue;
        }
    }
    return true;
}

bool readRawRgb(const std::string& bytes, int width, int height, Image& image) {
    size_t count = static_cast<size_t>(width) * height;
    if (bytes.size() != count * 3) {
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.resize(count);
    for (size_t i = 0; i < count; ++i) {
        uint32_t red = static_cast<unsigned char>(bytes[i * 3]);
        uint32_t green = static_cast<unsigned char>(bytes[i * 3 + 1]);
        uint32_t blue = static_cast<unsigned char>(bytes[i * 3 + 2]);
        image.pixels[i] = (red << 16) | (green << 8) | blue;
    }
    return true;
}

size_t countDifferences(const Image& a, const Image& b, const RECT& except) {
    if (a.width != b.width || a.height != b.height) {
        return static_cast<size_t>(-1);
    }
    size_t differences = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            bool excepted = x >= except.left && x < except.right && y >= except.top && y < except.bottom;
            if (!excepted && a.at(x, y) != b.at(x, y)) {
                ++differences;
            }
        }
    }
    return differences;
}

namespace {

// Compares the icon control's pixels with each candidate until one matches. The box may not have
// painted yet when it is first looked at; a control that shows the same pixels twice in a row
// and matches none shows some other icon.
template <typename Candidates>
int matchIcon(HWND control, const Candidates& icons, size_t count) {
    Image previous;
    DWORD started = GetTickCount();
    while (GetTickCount() - started < 5000) {
        RECT rect;
        GetWindowRect(control, &rect);
        Image shown = grabScreen(rect);
        if (shown.pixels.empty()) {
            return -1;
        }
        uint32_t background = shown.at(0, 0);
        for (size_t i = 0; i < count; ++i) {
            if (icons[i] && countDifferences(shown, drawIconOver(icons[i], shown.width, shown.height, background)) == 0) {
                return static_cast<int>(i);
            }
        }
        bool uniform = std::all_of(shown.pixels.begin(), shown.pixels.end(),
                                   [background](uint32_t pixel) { return pixel == background; });
        if (!uniform && countDifferences(shown, previous) == 0) {
            return -1;
        }
        previous = shown;
        pumpMessages(100);
    }
    return -1;
}

}  // namespace

BoxIcon identifyBoxIcon(HWND box) {
    HWND control = iconControlOf(box);
    if (!control) {
        return BoxIcon::None;
    }
    const HICON icons[] = {LoadIconW(nullptr, IDI_ERROR), LoadIconW(nullptr, IDI_WARNING),
                           LoadIconW(nullptr, IDI_INFORMATION), LoadIconW(nullptr, IDI_QUESTION)};
    const BoxIcon kinds[] = {BoxIcon::Error, BoxIcon::Warning, BoxIcon::Information, BoxIcon::Question};
    int match = matchIcon(control, icons, 4);
    return match < 0 ? BoxIcon::Other : kinds[match];
}

bool boxShowsIcon(HWND box, HICON icon) {
    HWND control = iconControlOf(box);
    const HICON icons[] = {icon};
    return control && matchIcon(control, icons, 1) == 0;
}
