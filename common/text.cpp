// Bounded copy, append and format of wide text.
#include "text.h"

#include <windows.h>
#include <strsafe.h>

#include <cstdarg>
#include <cwchar>

// The SDK counts an empty text copied into no characters as done, yet not even its end fits.
bool copyText(wchar_t* buffer, size_t capacity, const wchar_t* text) {
    return capacity > 0 &&
           SUCCEEDED(StringCchCopyExW(buffer, capacity, text, nullptr, nullptr, STRSAFE_NULL_ON_FAILURE));
}

bool appendText(wchar_t* buffer, size_t capacity, const wchar_t* text) {
    return SUCCEEDED(StringCchCatExW(buffer, capacity, text, nullptr, nullptr, STRSAFE_NULL_ON_FAILURE));
}

namespace {

bool formatTextList(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
    if (capacity == 0) {
        return false;
    }
    wmemset(buffer, L'\0', capacity);
    return SUCCEEDED(StringCchVPrintfW(buffer, capacity, format, args));
}

}  // namespace

bool formatText(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    bool whole = formatTextList(buffer, capacity, format, args);
    va_end(args);
    return whole;
}
