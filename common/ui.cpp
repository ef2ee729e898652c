// Message boxes captioned with the title, and check-box state.
#include "ui.h"

#include "process_state.h"

int showMessage(HWND owner, const wchar_t* text, UINT flags) {
    return MessageBoxW(owner, text, titleText, flags);
}

bool isChecked(HWND dialog, int id) {
    return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

void setChecked(HWND dialog, int id, int state) {
    SendMessageW(GetDlgItem(dialog, id), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}
