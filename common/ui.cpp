// Message boxes captioned with the title, and check-box state.
#include "ui.h"

#include <cstdarg>

#include "process_state.h"
#include "sizes.h"
#include "text.h"

int showMessage(HWND owner, const wchar_t* text, UINT flags) {
    return MessageBoxW(owner, text, titleText, flags);
}

int showFormattedMessage(HWND owner, UINT flags, const wchar_t* format, ...) {
    wchar_t text[kMessageCapacity];
    va_list args;
    va_start(args, format);
    formatTextList(text, kMessageCapacity, format, args);
    va_end(args);
    return showMessage(owner, text, flags);
}

bool isChecked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

void setChecked(HWND dialog, int id, int state) {
    SendMessageW(GetDlgItem(dialog, id), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}
