// The sequence-number dialog: shows the running number in a field with up-down arrows and stores
// the field's number on OK.
#include "sequence_dialog.h"

#include <commctrl.h>

#include "ids.h"
#include "sequence_number.h"
#include "settings.h"

namespace {

// The field's range; the up-down control does not wrap.
constexpr int kSequenceMax = 9999;
constexpr int kSequenceDigits = 4;

// The control takes a 16-bit position, so a counter beyond the range is brought to the nearer
// bound here, before it could wrap into a number the user never had.
int positionWithinRange(int counter) {
    if (counter < 0) {
        return 0;
    }
    return counter > kSequenceMax ? kSequenceMax : counter;
}

// The field takes four digits at most, so what it shows is what OK can store; text set or pasted
// into it is still judged by the up-down control.
void showCounter(HWND dialog) {
    int counter = Settings.sequenceCounter;
    SendDlgItemMessageW(dialog, IDC_SEQUENCE_EDIT, EM_LIMITTEXT, kSequenceDigits, 0);
    HWND arrows = GetDlgItem(dialog, IDC_SEQUENCE_UPDOWN);
    SendMessageW(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_SEQUENCE_EDIT)), 0);
    SendMessageW(arrows, UDM_SETRANGE, 0, MAKELPARAM(kSequenceMax, 0));
    SendMessageW(arrows, UDM_SETPOS, 0, MAKELPARAM(positionWithinRange(counter), 0));
    SetWindowLongPtrW(dialog, DWLP_USER, FALSE);  // the field, filled just now, is not yet edited
}

// Typing and the arrows both change the field's text.
void noteFieldEdited(HWND dialog) { SetWindowLongPtrW(dialog, DWLP_USER, TRUE); }

bool fieldEdited(HWND dialog) { return GetWindowLongPtrW(dialog, DWLP_USER) != FALSE; }

// The control reads an empty field as 0, which would number the next image 1 again: a cleared
// field is no number, as far as the counter goes.
bool fieldEmpty(HWND dialog) { return GetWindowTextLengthW(GetDlgItem(dialog, IDC_SEQUENCE_EDIT)) == 0; }

// Text that is no number within the range leaves the control at its last valid position, and
// that position is what is stored; the error flag in the high word is not part of it. A field left
// as it was, or emptied, keeps the counter, which may lie beyond what the field can show.
void storeCounter(HWND dialog) {
    if (fieldEdited(dialog) && !fieldEmpty(dialog)) {
        LRESULT reply = SendDlgItemMessageW(dialog, IDC_SEQUENCE_UPDOWN, UDM_GETPOS, 0, 0);
        setSequenceCounter(LOWORD(reply));
    }
    EndDialog(dialog, 1);
}

void handleSequenceCommand(HWND dialog, int id, int notification) {
    switch (id) {
    case IDC_SEQUENCE_EDIT:
        if (notification == EN_CHANGE) {
            noteFieldEdited(dialog);
        }
        break;
    case IDOK:
        storeCounter(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, 0);
        break;
    default:
        break;
    }
}

}  // namespace

INT_PTR CALLBACK sequenceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        showCounter(dialog);
        return TRUE;
    case WM_COMMAND:
        handleSequenceCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return FALSE;
    default:
        return FALSE;
    }
}
