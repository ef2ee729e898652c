// Message boxes, check boxes and bounded string helpers shared by every window of the program.
#include "common/ui.h"

#include <cstdarg>
#include <cwchar>
#include <strsafe.h>

#include "app/app.h"

int showMessage(HWND owner, const wchar_t* text, UINT flags) {
    return MessageBoxW(owner, text, titleText, flags);
}

bool isChecked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void setChecked(HWND dialog, int id, int state) {
    SendMessageW(GetDlgItem(dialog, id), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

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
