// The driver's side of the screen: windows painted with a known pattern, screen pixels, images
// read from BMP files and raw RGB, and telling a message box's icon by the pixels it shows.
#ifndef GLIMRA_TEST_DRIVER_SCREEN_H
#define GLIMRA_TEST_DRIVER_SCREEN_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "message_boxes.h"

// Pixels as 0xRRGGBB, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The colour of a pattern pixel at (x, y) from the window's top-left corner; no two pixels of
// a window up to 4096 x 1024 share it, so a shifted or flipped copy cannot pass.
uint32_t patternColour(int x, int y);
Image patternImage(int width, int height);

// A borderless window painted with the pattern, owned by the driver's thread. Topmost windows
// cover everything else on the screen.
class PatternWindow {
public:
    PatternWindow(const std::wstring& title, RECT rect, bool topmost);
    ~PatternWindow();
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;
    HWND window() const { return window_; }
    // Waits until the screen shows the pattern where the window is.
    bool waitUntilOnScreen();

private:
    HWND window_ = nullptr;
    RECT rect_;
};

// Screen pixels of a rectangle in screen coordinates.
Image grabScreen(const RECT& rect);

// A 24-bit bottom-up BMP as the capture writes it; false when the headers say otherwise.
bool readBmp24(const std::string& bytes, Image& image);
// Raw "rgb:" output of ImageMagick (three bytes a pixel, top row first).
bool readRawRgb(const std::string& bytes, int width, int height, Image& image);

// Pixels that differ between two images of one size, leaving out a rectangle (may be empty).
size_t countDifferences(const Image& a, const Image& b, const RECT& except = RECT{0, 0, 0, 0});

// The icon of a message box, told by comparing the pixels of its icon control on the screen
// with the driver's own drawing of each system icon over the same background. Icon handles
// belong to their process under Wine, so the box's own handle cannot be read from here.
// BoxIcon::Other when the control shows none of the four system icons.
BoxIcon identifyBoxIcon(HWND box);
// Whether the box's icon control shows this icon (for a program's own icon).
bool boxShowsIcon(HWND box, HICON icon);

#endif
