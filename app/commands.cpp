// The main window's command switch over menu and panel commands, and the About box.
#include "app.h"

#include <shlwapi.h>

#include "capture.h"
#include "folder_chooser.h"
#include "ids.h"
#include "memo_file.h"
#include "process_state.h"
#include "save_folder.h"
#include "sequence_dialog.h"
#include "sequence_number.h"
#include "settings.h"
#include "shell_services.h"
#include "staged_file.h"
#include "state_files.h"
#include "text.h"
#include "ui.h"

namespace {

const wchar_t kReadmeName[] = L"readme.txt";

// The folder is taken exactly as the chooser gives it; Cancel leaves the save folder alone, and so
// does a folder too long to hold an image's name, for every capture into it would fail.
void changeSaveFolder(HWND window) {
    wchar_t chosen[kPathCapacity] = {};
    const FolderChoice choice = browseForFolder(chosen, kPathCapacity, window, saveFolder);
    if (choice == FolderChoice::Cancelled) {
        return;
    }
    if (choice == FolderChoice::TooLong || !leavesRoomForImageNames(chosen)) {
        showMessage(window, IDS_SAVE_FOLDER_TOO_LONG, MB_ICONERROR);
        return;
    }
    chooseSaveFolder(chosen);
}

// A folder path that would not fit the buffer is never used cut, and without the executable's
// folder there is no default to go back to: the save folder stays as it was.
// The default folder too may be too deep for an image's name: then it is refused as a chosen one.
void resetSaveFolder(HWND window) {
    wchar_t folder[kPathCapacity] = {};
    if (defaultSaveFolder(folder) && !leavesRoomForImageNames(folder)) {
        showMessage(window, IDS_SAVE_FOLDER_TOO_LONG, MB_ICONERROR);
        return;
    }
    if (!chooseDefaultSaveFolder()) {
        return;
    }
    if (testFolder(saveFolder) != FolderState::Present) {
        if (!createSaveFolder()) {
            showMessage(window, IDS_FOLDER_NOT_MADE, MB_ICONERROR, saveFolder);
            return;
        }
        showMessage(window, IDS_DEFAULT_FOLDER_MADE, MB_ICONINFORMATION, saveFolder);
    }
    showMessage(window, IDS_SAVE_FOLDER_RESET, MB_ICONINFORMATION);
}

void setSequenceNumber(HWND window) {
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_SEQUENCE), window, sequenceDialogProc, 0);
}

void resetSequenceNumber(HWND window) {
    resetSequenceCounter();
    showMessage(window, IDS_SEQUENCE_RESET, MB_ICONINFORMATION);
}

// A memo too long for its file says so before the failure: no retry can store it.
void saveMemoNow(HWND window) {
    if (showMessage(window, IDS_CONFIRM_MEMO_SAVE, MB_ICONQUESTION | MB_YESNO) != IDYES) {
        return;
    }
    takeMemoFromPanel();
    if (storeMemo()) {
        showMessage(window, IDS_MEMO_SAVED, MB_ICONINFORMATION);
        return;
    }
    if (!memoFitsItsFile()) {
        showMessage(window, IDS_FILE_TOO_LARGE, MB_ICONERROR);
    }
    showMessage(window, IDS_MEMO_SAVE_FAILED, MB_ICONERROR);
}

void reportShortcutCreated(HWND window, const wchar_t* linkPath) {
    if (createShortcut(linkPath)) {
        showMessage(window, IDS_SHORTCUT_MADE, MB_ICONINFORMATION);
    } else {
        showMessage(window, IDS_SHORTCUT_NOT_MADE, MB_ICONERROR);
    }
}

void createDesktopShortcut(HWND window) {
    wchar_t linkPath[kPathCapacity] = {};
    desktopLinkPath(linkPath);
    reportShortcutCreated(window, linkPath);
}

// A chosen folder whose link path would not fit creates nothing and shows nothing more.
// Kept on purpose: the path is shown first in a box captioned "テスト", as it always has been.
void createShortcutInChosenFolder(HWND window) {
    wchar_t linkPath[kPathCapacity] = {};
    if (browseForFolder(linkPath, kPathCapacity, window, exeFolder) != FolderChoice::Chosen) {
        return;
    }
    if (!appendText(linkPath, kPathCapacity, L"\\") || !appendText(linkPath, kPathCapacity, shortcutFileName)) {
        return;
    }
    showMessage(window, Caption{IDS_LINK_PATH_CAPTION}, linkPath, MB_ICONINFORMATION);
    reportShortcutCreated(window, linkPath);
}

void removeDesktopShortcut(HWND window) {
    wchar_t linkPath[kPathCapacity] = {};
    desktopLinkPath(linkPath);
    if (!PathFileExistsW(linkPath)) {
        showMessage(window, IDS_SHORTCUT_MISSING, MB_ICONINFORMATION, shortcutFileName);
        return;
    }
    if (showMessage(window, IDS_CONFIRM_SHORTCUT_DELETE, MB_ICONINFORMATION | MB_YESNO, shortcutFileName) != IDYES) {
        return;
    }
    // A link at the name goes, never what it points to: Wine's DeleteFileW would remove its target.
    if (removeByReplacing(linkPath)) {
        showMessage(window, IDS_SHORTCUT_DELETED, MB_ICONINFORMATION);
    } else {
        showMessage(window, IDS_SHORTCUT_NOT_DELETED, MB_ICONERROR);
    }
}

// The shell's own failures keep their own texts; any other failure is told all the same.
struct ReadmeMessage {
    int code;
    UINT text;
    UINT icon;
};
const ReadmeMessage kReadmeMessages[] = {
    {kOpenOutOfMemory, IDS_OPEN_OUT_OF_MEMORY, MB_ICONWARNING},
    {kOpenFileNotFound, IDS_OPEN_FILE_NOT_FOUND, MB_ICONWARNING},
    {kOpenAccessDenied, IDS_OPEN_ACCESS_DENIED, MB_ICONERROR},
    {kOpenShareViolation, IDS_OPEN_SHARE_VIOLATION, MB_ICONERROR},
};

void reportReadmeOutcome(HWND window, int code) {
    if (code == kOpenOpened) {
        return;
    }
    for (const ReadmeMessage& message : kReadmeMessages) {
        if (message.code == code) {
            showMessage(window, message.text, message.icon);
            return;
        }
    }
    showMessage(window, IDS_OPEN_FAILED, MB_ICONERROR, kReadmeName);
}

// A readme path too long for its buffer is as good as missing; an empty path is never opened.
void openReadme(HWND window) {
    wchar_t readme[kPathCapacity] = {};
    if (!exeRelativePath(readme, kReadmeName)) {
        reportReadmeOutcome(window, kOpenFileNotFound);
        return;
    }
    reportReadmeOutcome(window, openDocument(readme, window));
}

void showAboutBox(const wchar_t* text, HWND owner, UINT style, int iconId, int beep) {
    if (beep) {
        MessageBeep(0);
    }
    showMessage(owner, Caption{IDS_ABOUT_CAPTION}, text, style, iconId);
}

// The title, an empty line, then the maker and the maker's web site.
void showVersion(HWND window) {
    wchar_t format[kMessageCapacity] = {};
    wchar_t text[kMessageCapacity] = {};
    loadText(IDS_ABOUT_TEXT, format, kMessageCapacity);
    formatText(text, kMessageCapacity, format, titleText);
    showAboutBox(text, window, 0, IDI_GLIMRA, 0);
}

}  // namespace

LRESULT handleCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDM_QUIT:
        requestEnding(window, Ending::Quit);
        return 0;
    case IDM_CHANGE_FOLDER:
        changeSaveFolder(window);
        return 0;
    case IDM_RESET_FOLDER:
        resetSaveFolder(window);
        return 0;
    case IDM_SET_SEQUENCE:
        setSequenceNumber(window);
        return 0;
    case IDM_RESET_SEQUENCE:
        resetSequenceNumber(window);
        return 0;
    case IDM_SAVE_MEMO:
        saveMemoNow(window);
        return 0;
    case IDM_DESKTOP_SHORTCUT:
        createDesktopShortcut(window);
        return 0;
    case IDM_FOLDER_SHORTCUT:
        createShortcutInChosenFolder(window);
        return 0;
    case IDM_DESKTOP_SHORTCUT_REMOVE:
        removeDesktopShortcut(window);
        return 0;
    case IDM_README:
        openReadme(window);
        return 0;
    case IDM_ABOUT:
        showVersion(window);
        return 0;
    case IDM_NEW_FOLDER:
    case IDM_JPEG_QUALITY:
    case IDM_START_MENU_ADD:
    case IDM_START_MENU_REMOVE:
        // Kept on purpose: greyed placeholders in the menu for features still to come.
        return 0;
    default:
        // Kept on purpose: the accelerator's Alt+S (IDM_ACCEL_ALT_S) arrives here, a shortcut reserved.
        return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
    }
}

