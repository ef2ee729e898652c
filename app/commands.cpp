// The main window's command switch over menu and panel commands, and the About box.
#include "app.h"

#include <commctrl.h>
#include <shlwapi.h>

#include "folder_chooser.h"
#include "ids.h"
#include "memo_file.h"
#include "process_state.h"
#include "save_folder.h"
#include "sequence_dialog.h"
#include "settings.h"
#include "shell_services.h"
#include "text.h"
#include "ui.h"

namespace {

// The maker and the maker's web site, an empty line between them.
const wchar_t kCreditText[] = L"Glimra Project\n\nhttps://glimra.example/";
const wchar_t kReadmeName[] = L"readme.txt";

// The folder is taken exactly as the chooser gives it; Cancel leaves the save folder alone.
void changeSaveFolder(HWND window) {
    wchar_t chosen[kPathCapacity] = {};
    browseForFolder(chosen, kPathCapacity, window, saveFolder);
    if (chosen[0] == L'\0') {
        return;
    }
    chooseSaveFolder(chosen);
}

// A folder path that would not fit the buffer is never used cut, and without the executable's
// folder there is no default to go back to: the save folder stays as it was.
void resetSaveFolder(HWND window) {
    if (!useDefaultSaveFolder()) {
        return;
    }
    if (testFolder(saveFolder) != FolderState::Present) {
        if (!createSaveFolder(window)) {
            return;
        }
        showFormattedMessage(window, MB_ICONINFORMATION, L"%lsが存在しなかったため、新たに作成しました。", saveFolder);
    }
    showMessage(window, L"保存先を初期化しました。", MB_ICONINFORMATION);
}

// The up-down control's class must exist before the dialog creates its controls.
void setSequenceNumber(HWND window) {
    InitCommonControls();
    DialogBoxParamW(appInstance, MAKEINTRESOURCEW(IDD_SEQUENCE), window, sequenceDialogProc, 0);
}

void resetSequenceNumber(HWND window) {
    Settings.sequenceCounter = 0;
    showMessage(window, L"リセットしました。", MB_ICONINFORMATION);
}

void saveMemoNow(HWND window) {
    if (showMessage(window, L"保存してもよろしいですか？", MB_ICONQUESTION | MB_YESNO) != IDYES) {
        return;
    }
    takeMemoFromPanel();
    if (storeMemo()) {
        showMessage(window, L"保存しました。", MB_ICONINFORMATION);
    } else {
        showMessage(window, L"保存に失敗しました。", MB_ICONERROR);
    }
}

void reportShortcutCreated(HWND window, const wchar_t* linkPath) {
    if (createShortcut(linkPath)) {
        showMessage(window, L"ショートカットの作成に成功しました。", MB_ICONINFORMATION);
    } else {
        showMessage(window, L"ショートカットの作成に失敗しました。", MB_ICONERROR);
    }
}

void createDesktopShortcut(HWND window) {
    wchar_t linkPath[kPathCapacity] = {};
    desktopLinkPath(linkPath);
    reportShortcutCreated(window, linkPath);
}

// A chosen folder whose link path would not fit creates nothing and shows nothing more.
void createShortcutInChosenFolder(HWND window) {
    wchar_t linkPath[kPathCapacity] = {};
    browseForFolder(linkPath, kPathCapacity, window, exeFolder);
    if (linkPath[0] == L'\0') {
        return;
    }
    if (!appendText(linkPath, kPathCapacity, L"\\") || !appendText(linkPath, kPathCapacity, shortcutFileName)) {
        return;
    }
    MessageBoxW(window, linkPath, L"テスト", MB_ICONINFORMATION);
    reportShortcutCreated(window, linkPath);
}

void removeDesktopShortcut(HWND window) {
    wchar_t linkPath[kPathCapacity] = {};
    desktopLinkPath(linkPath);
    if (!PathFileExistsW(linkPath)) {
        showMessage(window, L"Glimra3.lnkが存在しません。\n既に削除されている可能性があります。", MB_ICONINFORMATION);
        return;
    }
    if (showMessage(window, L"Glimra3.lnkを削除してもよろしいですか？", MB_ICONINFORMATION | MB_YESNO) != IDYES) {
        return;
    }
    if (DeleteFileW(linkPath)) {
        showMessage(window, L"削除に成功しました。", MB_ICONINFORMATION);
    } else {
        showMessage(window, L"削除に失敗しました。", MB_ICONERROR);
    }
}

// The shell's own failures keep their own texts; any other failure is told all the same.
struct ReadmeMessage {
    int code;
    const wchar_t* text;
    UINT icon;
};
const ReadmeMessage kReadmeMessages[] = {
    {kOpenOutOfMemory, L"メモリが不足しています", MB_ICONWARNING},
    {kOpenFileNotFound, L"ファイルが見つかりません。", MB_ICONWARNING},
    {kOpenAccessDenied, L"アクセスが拒否されました", MB_ICONERROR},
    {kOpenShareViolation, L"ファイルの共有違反が発生しました。", MB_ICONERROR},
};

void reportReadmeOutcome(HWND window, int code) {
    if (code == kOpenOther) {
        return;
    }
    for (const ReadmeMessage& message : kReadmeMessages) {
        if (message.code == code) {
            showMessage(window, message.text, message.icon);
            return;
        }
    }
    showMessage(window, L"readme.txtを開けませんでした。", MB_ICONERROR);
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
    MSGBOXPARAMSW record = {};
    record.cbSize = sizeof(record);
    record.hwndOwner = owner;
    record.hInstance = GetModuleHandleW(nullptr);
    record.lpszText = text;
    record.lpszCaption = L"バージョン情報";
    record.dwStyle = style | MB_USERICON;
    record.lpszIcon = MAKEINTRESOURCEW(iconId);
    record.dwContextHelpId = 0;
    record.lpfnMsgBoxCallback = nullptr;
    record.dwLanguageId = LANG_USER_DEFAULT;
    if (beep) {
        MessageBeep(0);
    }
    MessageBoxIndirectW(&record);
}

void showVersion(HWND window) {
    wchar_t text[kMessageCapacity];
    formatText(text, kMessageCapacity, L"%ls\n\n%ls", titleText, kCreditText);
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
        // Greyed in the menu: placeholders that do nothing.
        return 0;
    default:
        return DefWindowProcW(window, WM_COMMAND, wParam, lParam);
    }
}

