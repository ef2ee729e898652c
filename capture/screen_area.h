// Where a capture comes from: the chosen window brought forward, its area on the screen, and the
// part of that area that any screen shows.
#ifndef GLIMRA_SCREEN_AREA_H
#define GLIMRA_SCREEN_AREA_H

#include <windows.h>

#include "capture_steps.h"

// Restores a minimized window and brings it to the front without waiting for it to answer, so a
// hung window cannot hang the program; a maximized window stays maximized.
void bringForward(HWND window);

// The window as the user sees it: without the invisible resize borders where the system reports
// them, else its whole rectangle. False for a window that is gone.
bool findWindowArea(HWND window, RECT* area);

// The part of a region that lies on the screen, where it is on the screen and where it goes in
// the image; width and height are 0 when no part of the region is on the screen.
struct ScreenPart {
    int screenLeft;
    int screenTop;
    int imageLeft;
    int imageTop;
    int width;
    int height;
};
ScreenPart visiblePart(const CaptureRegion& region, const RECT& screen);

// True when some part of the area lies on a screen; the rectangle around every screen may hold
// places that none shows.
bool onAnyScreen(const RECT& area);

// The rectangle around every screen, a second screen left of or above the primary one included.
RECT virtualScreen();

#endif
