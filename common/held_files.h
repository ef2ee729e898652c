// Files another program holds for a moment, and the one rule for waiting such a hold out.
#ifndef GLIMRA_HELD_FILES_H
#define GLIMRA_HELD_FILES_H

#include <windows.h>

#include <functional>

// Antivirus programs, the search indexer and sync clients open a file right after it changes and
// let it go within moments; a wait longer than this would hold up the user for nothing.
constexpr DWORD kHoldWaitMs = 2000;
constexpr DWORD kHoldStepMs = 50;

// The errors of a file that is not there: nothing holds it, and a load reads it as empty.
inline bool fileNotThere(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Runs attempt until it succeeds. While it fails because another program holds the file at path,
// as its last error tells, it is run again after a short step, for about kHoldWaitMs in all. A
// failure leaves the last error of the last attempt.
bool retryWhileHeld(const wchar_t* path, const std::function<bool()>& attempt);

#endif
