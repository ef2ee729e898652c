// The capture pipeline: the screen copied with the cursor into a DIB section, the save folder made
// sure of, the image named and written in the chosen formats; and the busy wait on the clock.
#include "capture.h"
#include "capture_steps.h"

#include <windows.h>

#include <ctime>
#include <cwchar>

#include "image_writers.h"
#include "new_file.h"
#include "process_state.h"
#include "save_folder.h"
#include "scoped.h"
#include "screen_area.h"
#include "sequence_number.h"
#include "settings.h"
#include "staged_file.h"
#include "system_calls.h"
#include "text.h"

namespace {

const wchar_t kFreeModeTag[] = L"mode:free";

// More than half a second between hiding the window and copying the screen.
constexpr DWORD kCaptureWaitMs = 500;

// The most files one capture writes: BMP, JPEG and PNG.
constexpr int kImageFormatCount = 3;

// One kind of image file: its extension and, for the files GDI+ encodes, the encoder's MIME type.
struct ImageFormat {
    const wchar_t* extension;
    const wchar_t* mimeType;  // null for the BMP file, which writeBmpFile writes itself
};

const ImageFormat kBmpFormat = {L".bmp", nullptr};
const ImageFormat kJpegFormat = {L".jpg", L"image/jpeg"};
const ImageFormat kPngFormat = {L".png", L"image/png"};

// The longest name an image can have, with its prefix and the largest number.
const wchar_t kLongestImageName[] = L"\\img2147483647";

constexpr unsigned long long kMillisecondsPerSecond = 1000;

// The bitmap leaves the memory DC before anyone reads it: GDI+ must not be handed a bitmap that is
// selected into a DC, and the flush makes the pixel memory whole before the BMP writer reads it.
// False when the screen could not be copied.
bool drawScreenAndCursor(HDC memoryDC, HGDIOBJ bitmap, const CaptureRegion& region) {
    ScopedSelection selection(memoryDC, bitmap);
    const bool copied = copyScreen(memoryDC, region);
    drawCursor(memoryDC, region);
    GdiFlush();
    return copied;
}

// A folder that cannot be tested (a long path where the system takes none) is kept: its files
// are reported by name, never written to another folder. Without a save folder at all (dirInfo.dat
// could not be read) there is none to name: the default folder's steps follow at once.
void ensureSaveFolder(CaptureNoticeHandler tell) {
    if (saveFolder[0] != L'\0' && testFolder(saveFolder) != FolderState::Missing) {
        return;
    }
    if (saveFolder[0] != L'\0') {
        tell(CaptureNotice::SaveFolderMissing, saveFolder);
    }
    // Without a whole fallback path the folder stays as it was, and every file reports its failure.
    if (!fallBackToDefaultSaveFolderUnchosen() || testFolder(saveFolder) == FolderState::Present) {
        return;
    }
    tell(CaptureNotice::DefaultFolderMissing, saveFolder);
    // A folder that could not be made is told, not reported as in place; each file then fails.
    tell(createSaveFolder() ? CaptureNotice::DefaultFolderMade : CaptureNotice::FolderNotMade, saveFolder);
}

// The path of an image file: the folder and the name joined by one backslash, whether or not the
// folder ends in one, then the extension. False, with the buffer empty, when it does not fit.
bool joinImagePath(wchar_t* path, size_t capacity, const wchar_t* folder, const wchar_t* name,
                   const wchar_t* extension) {
    const size_t length = wcsnlen(folder, kPathCapacity);
    const bool folderEndsInSeparator = length > 0 && folder[length - 1] == L'\\';
    return copyText(path, capacity, folder) &&
           appendText(path, capacity, folderEndsInSeparator && name[0] == L'\\' ? name + 1 : name) &&
           appendText(path, capacity, extension);
}

// The path is quoted whole even where it is too long for outputPath: the message holds more.
void reportFailedFile(CaptureNoticeHandler tell, const wchar_t* name, const wchar_t* extension) {
    wchar_t path[kMessageCapacity] = {};
    joinImagePath(path, kMessageCapacity, saveFolder, name, extension);
    tell(CaptureNotice::ImageNotMade, path);
}

// The files of one capture in writing order (USEBG, JPEGPIC, PNGPIC); returns how many.
int chooseImageFormats(bool alwaysBmp, bool jpeg, bool png, const ImageFormat* formats[kImageFormatCount]) {
    int count = 0;
    if (alwaysBmp || (!jpeg && !png)) {
        formats[count++] = &kBmpFormat;
    }
    if (jpeg) {
        formats[count++] = &kJpegFormat;
    }
    if (png) {
        formats[count++] = &kPngFormat;
    }
    return count;
}

// The part of the path between the save folder and the extension: "\\img7", "\\img", "\\7" or "\\"
// (NONEIMG, CONSTANT and the already advanced counter).
void buildImageName(wchar_t* name, bool withoutPrefix, bool numbered, int number) {
    const wchar_t* start = withoutPrefix ? L"\\" : L"\\img";
    if (numbered) {
        formatText(name, kPathCapacity, L"%ls%d", start, number);
    } else {
        formatText(name, kPathCapacity, L"%ls", start);
    }
}

int writeImageFile(HANDLE file, const ImageFormat& format, const CaptureRegion& region, const void* pixels,
                   HBITMAP bitmap) {
    if (format.mimeType) {
        return saveWithEncoder(file, bitmap, format.mimeType);
    }
    return writeBmpFile(file, region.width, region.height, pixels);
}

// Only a name that exists counts: a folder that cannot be read answers no name, so the search for
// a free number always ends.
bool anyImageExists(const wchar_t* name, const ImageFormat* const* formats, int count) {
    for (int i = 0; i < count; ++i) {
        wchar_t path[kPathCapacity] = {};
        if (saveFolder[0] != L'\0' && joinImagePath(path, kPathCapacity, saveFolder, name, formats[i]->extension) &&
            GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
            return true;
        }
    }
    return false;
}

// The next number no file of a chosen format has: after a reset, a lowered number or a run whose
// counter was not stored, earlier images stay as they are.
void takeNextFreeNumber(wchar_t* name, const ImageFormat* const* formats, int count) {
    do {
        buildImageName(name, Settings.NONEIMG != 0, true, advanceSequenceCounter());
    } while (anyImageExists(name, formats, count));
}

// One file of a capture: written whole under a temporary name, then put at its image name.
struct ImageFile {
    StagedFile file;
    bool written = false;
    bool placed = false;
};

// An empty folder names none: the files would land at the root of the current drive. A file not
// made (no path, no folder, no room) is reported later with the others.
void writeUnderTemporaryNames(const wchar_t* name, const ImageFormat* const* formats, int count,
                              const CaptureRegion& region, const void* pixels, HBITMAP bitmap, ImageFile* files) {
    for (int i = 0; i < count; ++i) {
        wchar_t outputPath[kPathCapacity] = {};
        if (saveFolder[0] == L'\0' ||
            !joinImagePath(outputPath, kPathCapacity, saveFolder, name, formats[i]->extension)) {
            continue;
        }
        files[i].file = StagedFile::beside(outputPath);
        files[i].written =
            files[i].file && writeImageFile(files[i].file.get(), *formats[i], region, pixels, bitmap);
    }
}

// A numbered file is put only at a name that is free, a fixed name replaced. False when a numbered
// name was taken after all (another copy of Glimra sharing the folder, a link the search could not
// see): the files already put there are taken back, so all formats of one capture keep one number.
bool putAtImageNames(const wchar_t* name, bool numbered, const ImageFormat* const* formats, int count,
                     ImageFile* files) {
    for (int i = 0; i < count; ++i) {
        wchar_t outputPath[kPathCapacity] = {};
        if (!files[i].written || !joinImagePath(outputPath, kPathCapacity, saveFolder, name, formats[i]->extension)) {
            continue;
        }
        if (beforeImageFileMade) {
            beforeImageFileMade(outputPath);
        }
        files[i].placed = files[i].file.putAt(outputPath, !numbered);
        if (!files[i].placed && numbered && GetLastError() == ERROR_ALREADY_EXISTS) {
            for (int put = 0; put < i; ++put) {
                files[put].placed = files[put].placed && !files[put].file.takeBack();
            }
            return false;
        }
    }
    return true;
}

// Without pixels (no bitmap could be made) no file is made, and every one is reported. Without an
// encoder (no GDI+) a capture of JPEG or PNG alone is kept as BMP, and those formats still reported.
void writeImageFiles(const CaptureRegion& region, const void* pixels, HBITMAP bitmap, CaptureNoticeHandler tell) {
    const bool jpeg = Settings.JPEGPIC != 0;
    const bool png = Settings.PNGPIC != 0;
    const bool anyEncoded = (jpeg && encoderAvailable(kJpegFormat.mimeType)) ||
                            (png && encoderAvailable(kPngFormat.mimeType));
    const ImageFormat* formats[kImageFormatCount] = {};
    const int count = chooseImageFormats(Settings.USEBG != 0 || !anyEncoded, jpeg, png, formats);
    const bool numbered = Settings.CONSTANT != 0;
    wchar_t name[kPathCapacity];
    if (numbered) {
        takeNextFreeNumber(name, formats, count);
    } else {
        buildImageName(name, Settings.NONEIMG != 0, false, Settings.sequenceCounter);
    }
    ImageFile files[kImageFormatCount];
    if (pixels) {
        writeUnderTemporaryNames(name, formats, count, region, pixels, bitmap, files);
        while (!putAtImageNames(name, numbered, formats, count, files)) {
            takeNextFreeNumber(name, formats, count);
        }
    }
    for (int i = 0; i < count; ++i) {
        if (files[i].placed) {
            files[i].file.keep();
        } else {
            files[i].file = StagedFile();
            reportFailedFile(tell, name, formats[i]->extension);
        }
    }
}

DWORD elapsedMilliseconds(clock_t start, clock_t now) {
    // Unsigned arithmetic keeps the difference right across a wrap of the tick count.
    DWORD ticks = static_cast<DWORD>(now) - static_cast<DWORD>(start);
    return static_cast<DWORD>(ticks * kMillisecondsPerSecond / CLOCKS_PER_SEC);
}

}  // namespace

void (*beforeImageFileMade)(const wchar_t* path);

// False when there is nothing to copy: the chosen window is gone (its rectangle would be made up),
// still minimized after the wait (only its caption, or nothing, would be taken), or on no screen
// (the image would be black); or a side is zero or negative (a negative height would even turn
// the bitmap upside down).
bool findCaptureRegion(HWND window, const wchar_t* modeTag, CaptureRegion* region) {
    RECT rect = {};
    if (modeTag && lstrcmpW(modeTag, kFreeModeTag) == 0) {
        if (IsIconic(window) || !findWindowArea(window, &rect) || !onAnyScreen(rect)) {
            return false;
        }
        *region = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    } else {
        if (!GetWindowRect(GetDesktopWindow(), &rect)) {
            return false;
        }
        *region = {0, 0, rect.right, rect.bottom};
    }
    return region->width > 0 && region->height > 0;
}

// Positive height: bottom-up rows, the order the BMP file stores them in.
HBITMAP createCaptureBitmap(const CaptureRegion& region, void** pixels) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = region.width;
    info.bmiHeader.biHeight = region.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = kCaptureBitCount;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, pixels, nullptr, 0);
}

// A copy from off the screen fails or gives black as it pleases, so only the part on a screen is
// copied, to its place in the image, and the rest is made black.
bool copyScreen(HDC target, const CaptureRegion& region) {
    const ScreenPart part = visiblePart(region, virtualScreen());
    if ((part.width != region.width || part.height != region.height) &&
        !PatBlt(target, 0, 0, region.width, region.height, BLACKNESS)) {
        return false;
    }
    if (part.width == 0) {
        return true;
    }
    HWND desktop = GetDesktopWindow();
    ScopedWindowDC screen(desktop, GetWindowDC(desktop));
    return screen && BitBlt(target, part.imageLeft, part.imageTop, part.width, part.height, screen.get(),
                            part.screenLeft, part.screenTop, SRCCOPY);
}

// Drawn whenever there is a cursor handle, shown or not.
void drawCursor(HDC target, const CaptureRegion& region) {
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof(cursor);
    if (!GetCursorInfo(&cursor) || !cursor.hCursor) {
        return;
    }
    ICONINFO icon = {};
    if (!GetIconInfo(cursor.hCursor, &icon)) {
        return;
    }
    // GetIconInfo hands out copies of the cursor's bitmaps; they are ours to delete.
    ScopedGdiObject mask(icon.hbmMask);
    ScopedGdiObject colour(icon.hbmColor);
    // At its own size: DrawIcon would draw at the icon size, shrinking a pointer the user enlarged.
    DrawIconEx(target, cursor.ptScreenPos.x - static_cast<int>(icon.xHotspot) - region.left,
               cursor.ptScreenPos.y - static_cast<int>(icon.yHotspot) - region.top, cursor.hCursor, 0, 0, 0, nullptr,
               DI_NORMAL);
}

// Everything that needs the bitmap; its DC and the bitmap itself are gone when this returns.
void captureAfterWait(HWND window, const wchar_t* modeTag, CaptureNoticeHandler tell) {
    CaptureRegion region = {};
    ScopedMemoryDC memoryDC;
    ScopedGdiObject bitmap;
    void* pixels = nullptr;
    {
        // The window's rectangle, the frame bounds, the screen's size, the copy and the cursor in
        // one space, physical pixels: a system-aware thread gets some of them scaled on a screen
        // whose scale differs from the sign-in one. The boxes below keep the process's awareness.
        const ScopedPhysicalPixels physicalPixels;
        const bool haveRegion = findCaptureRegion(window, modeTag, &region);
        memoryDC.reset(haveRegion ? CreateCompatibleDC(nullptr) : nullptr);
        bitmap.reset(memoryDC ? createCaptureBitmap(region, &pixels) : nullptr);
        // A failed copy is reported like a file that cannot be written, never saved as a black picture.
        if (!bitmap || !pixels || !drawScreenAndCursor(memoryDC.get(), bitmap.get(), region)) {
            pixels = nullptr;
        }
    }
    ensureSaveFolder(tell);
    if (Settings.NONESCS) {
        return;
    }
    removeImageTemporariesIn(saveFolder);
    writeImageFiles(region, pixels, static_cast<HBITMAP>(bitmap.get()), tell);
}

void captureAndSave(HWND window, const wchar_t* modeTag, CaptureNoticeHandler tell) {
    ShowWindow(mainWindow, SW_HIDE);
    waitMilliseconds(kCaptureWaitMs);
    captureAfterWait(window, modeTag, tell);
    ShowWindow(mainWindow, SW_SHOW);
}

bool leavesRoomForImageNames(const wchar_t* folder) {
    wchar_t path[kPathCapacity] = {};
    return joinImagePath(path, kPathCapacity, folder, kLongestImageName, kJpegFormat.extension);
}

namespace {

const wchar_t* const kImageExtensions[] = {kBmpFormat.extension, kJpegFormat.extension, kPngFormat.extension};
constexpr int kMaxNumberDigits = 10;  // 2147483647
constexpr int kTemporaryDigits = 8;
const wchar_t kTemporaryEnd[] = L".tmp";

bool isUpperHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F');
}

// Exactly the names captures give their temporaries: "img" or not, a number or not, an image
// extension, then "." and eight hexadecimal digits and ".tmp", as StagedFile makes them.
bool isImageTemporaryName(const wchar_t* name) {
    const wchar_t* at = wcsncmp(name, L"img", 3) == 0 ? name + 3 : name;
    int digits = 0;
    while (at[digits] >= L'0' && at[digits] <= L'9') {
        ++digits;
    }
    if (digits > kMaxNumberDigits) {
        return false;
    }
    at += digits;
    const wchar_t* rest = nullptr;
    for (const wchar_t* extension : kImageExtensions) {
        const size_t length = wcslen(extension);
        if (wcsncmp(at, extension, length) == 0) {
            rest = at + length;
        }
    }
    if (!rest || rest[0] != L'.') {
        return false;
    }
    for (int i = 1; i <= kTemporaryDigits; ++i) {
        if (!isUpperHexDigit(rest[i])) {
            return false;
        }
    }
    return wcscmp(rest + 1 + kTemporaryDigits, kTemporaryEnd) == 0;
}

}  // namespace

// A save folder may be shared by copies started from different folders: a temporary another copy
// is writing is held open without sharing, and is left alone.
void removeImageTemporariesIn(const wchar_t* folder) {
    wchar_t withSeparator[kPathCapacity] = {};
    if (folder && folder[0] != L'\0' && joinImagePath(withSeparator, kPathCapacity, folder, L"\\", L"")) {
        removeFilesIn(withSeparator, L"*.tmp", isImageTemporaryName);
    }
}

// Kept on purpose: the wait takes no messages, so nothing may repaint or move while the screen is
// about to be copied, and no command may start meanwhile.
int waitMilliseconds(DWORD bound) {
    const clock_t start = clock();
    for (;;) {
        const clock_t now = clock();
        if (now == static_cast<clock_t>(-1)) {
            return 0;
        }
        if (elapsedMilliseconds(start, now) > bound) {
            return 1;
        }
    }
}
