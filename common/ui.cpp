// Message boxes from the string table, captioned with the title; check-box state.
#include "ui.h"

#include <cstdarg>

#include "ids.h"
#include "sizes.h"
#include "text.h"

// The texts live in the executable's own resources, the title among them.
void loadText(UINT id, wchar_t* buffer, int capacity) {
    if (capacity > 0 && LoadStringW(GetModuleHandleW(nullptr), id, buffer, capacity) <= 0) {
        buffer[0] = L'\0';
    }
}

int showMessage(HWND owner, UINT textId, UINT flags, ...) {
    wchar_t format[kMessageCapacity];
    wchar_t text[kMessageCapacity];
    wchar_t title[kStringCapacity];
    loadText(textId, format, kMessageCapacity);
    loadText(IDS_TITLE, title, kStringCapacity);
    va_list args;
    va_start(args, flags);
    formatTextList(text, kMessageCapacity, format, args);
    va_end(args);
    return MessageBoxW(owner, text, title, flags);
}

bool isChecked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

void setChecked(HWND dialog, int id, int state) {
    SendMessageW(GetDlgItem(dialog, id), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}
