// The wait for a file another program holds: which failures a wait can mend, and for how long.
#include "held_files.h"

namespace {

// A read-only file or a folder in the way is refused with the error a hold gives, and so is a file
// that is not there in a folder that takes no new files; no wait mends any of them. A file whose
// attributes cannot be read for another reason (one being deleted) may still come free.
bool heldForNow(const wchar_t* path, DWORD error) {
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
        return true;
    }
    if (error != ERROR_ACCESS_DENIED) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return !fileNotThere(GetLastError());
    }
    return (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

}  // namespace

bool retryWhileHeld(const wchar_t* path, const std::function<bool()>& attempt) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (attempt()) {
            return true;
        }
        const DWORD error = GetLastError();
        if (!heldForNow(path, error) || GetTickCount() - start >= kHoldWaitMs) {
            SetLastError(error);
            return false;
        }
        Sleep(kHoldStepMs);
    }
}
