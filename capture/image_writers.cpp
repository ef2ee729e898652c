// STUB
#include "capture/capture.h"
int writeBmpFile(int, int, const void*) { return 0; }
int findEncoderClsid(const wchar_t*, CLSID*) { return -1; }
int saveWithEncoder(HBITMAP, const wchar_t*) { return 0; }
