// Taking a screenshot, naming it and writing it as BMP, JPEG and PNG; and the busy wait.
#ifndef GLIMRA_CAPTURE_H
#define GLIMRA_CAPTURE_H

#include <windows.h>

// Captures with the settings as they stand: the caller refreshes them from the panel first.
void captureAndSave(HWND window, const wchar_t* modeTag);
int waitMilliseconds(DWORD bound);

#endif
