// STUB
#include "dialogs/dialogs.h"
void desktopLinkPath(wchar_t*) {}
int createShortcut(const wchar_t*) { return 0; }
int saveShellLink(const wchar_t*) { return 0; }
int openDocument(const wchar_t*, HWND) { return 100; }
