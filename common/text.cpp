// Bounded copy, append and format of wide text.
#include "text.h"

#include <windows.h>
#include <strsafe.h>

#include <cstdarg>
#include <cwchar>

bool copyText(wchar_t* buffer, size_t capacity, const wchar_t* text) {
    if (capacity == 0) {
        return false;
    }
    buffer[0] = L'\0';
    return appendText(buffer, capacity, text);
}

bool appendText(wchar_t* buffer, size_t capacity, const wchar_t* text) {
    size_t used = wcsnlen(buffer, capacity);
    size_t length = wcslen(text);
    if (used >= capacity || length >= capacity - used) {
        if (capacity > 0) {
            buffer[0] = L'\0';
        }
        return false;
    }
    wmemcpy(buffer + used, text, length + 1);
    return true;
}

bool formatText(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    if (capacity == 0) {
        return false;
    }
    wmemset(buffer, L'\0', capacity);
    va_list args;
    va_start(args, format);
    HRESULT result = StringCchVPrintfW(buffer, capacity, format, args);
    va_end(args);
    return SUCCEEDED(result);
}
