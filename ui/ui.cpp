// Message boxes from the string table, captioned with the title or a caption of their own;
// check-box state.
#include "ui.h"

#include "ids.h"
#include "sizes.h"
#include "text.h"

namespace {

// The texts live in the executable's own resources, the title and the icons among them.
HINSTANCE ownModule() {
    return GetModuleHandleW(nullptr);
}

int showUnderTitle(HWND owner, const wchar_t* text, UINT flags) {
    wchar_t title[kStringCapacity];
    loadText(IDS_TITLE, title, kStringCapacity);
    return MessageBoxW(owner, text, title, flags);
}

}  // namespace

void loadText(UINT id, wchar_t* buffer, int capacity) {
    if (capacity > 0 && LoadStringW(ownModule(), id, buffer, capacity) <= 0) {
        buffer[0] = L'\0';
    }
}

int showMessage(HWND owner, UINT textId, UINT flags) {
    wchar_t text[kMessageCapacity];
    loadText(textId, text, kMessageCapacity);
    return showUnderTitle(owner, text, flags);
}

int showMessage(HWND owner, UINT textId, UINT flags, const wchar_t* name) {
    wchar_t format[kMessageCapacity];
    wchar_t text[kMessageCapacity];
    loadText(textId, format, kMessageCapacity);
    formatText(text, kMessageCapacity, format, name);
    return showUnderTitle(owner, text, flags);
}

int showMessage(HWND owner, Caption caption, const wchar_t* text, UINT flags, int iconId) {
    wchar_t captionText[kStringCapacity];
    loadText(caption.textId, captionText, kStringCapacity);
    MSGBOXPARAMSW record = {};
    record.cbSize = sizeof(record);
    record.hwndOwner = owner;
    record.hInstance = ownModule();
    record.lpszText = text;
    record.lpszCaption = captionText;
    record.dwStyle = flags;
    if (iconId != 0) {
        record.dwStyle |= MB_USERICON;
        record.lpszIcon = MAKEINTRESOURCEW(iconId);
    }
    record.dwLanguageId = LANG_USER_DEFAULT;
    return MessageBoxIndirectW(&record);
}

bool isChecked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

void setChecked(HWND dialog, int id, int state) {
    SendMessageW(GetDlgItem(dialog, id), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}
