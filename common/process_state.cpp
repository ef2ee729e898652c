// The process-wide globals, the start-up that fills them, and the executable's folder.
#include "process_state.h"

#include <cwchar>

#include "ids.h"
#include "text.h"

HINSTANCE appInstance;
HWND mainWindow;

wchar_t titleText[kStringCapacity];
wchar_t classNameText[kStringCapacity];
wchar_t shortcutFileName[kStringCapacity];
wchar_t settingsFileName[kStringCapacity];
wchar_t folderFileName[kStringCapacity];
wchar_t memoFileName[kStringCapacity];

wchar_t exeFolder[kPathCapacity];
wchar_t shortcutTarget[kPathCapacity];

namespace {

// Every shortcut names this file, whatever the running file is called.
const wchar_t kShortcutTargetName[] = L"Glimra3.exe";

}  // namespace

void startProcess(HINSTANCE instance) {
    appInstance = instance;
    LoadStringW(instance, IDS_TITLE, titleText, kStringCapacity);
    LoadStringW(instance, IDS_CLASS_NAME, classNameText, kStringCapacity);
    LoadStringW(instance, IDS_SHORTCUT_FILE, shortcutFileName, kStringCapacity);
    LoadStringW(instance, IDS_SETTINGS_FILE, settingsFileName, kStringCapacity);
    LoadStringW(instance, IDS_FOLDER_FILE, folderFileName, kStringCapacity);
    LoadStringW(instance, IDS_MEMO_FILE, memoFileName, kStringCapacity);
    if (moduleFolder(exeFolder) && !(copyText(shortcutTarget, kPathCapacity, exeFolder) &&
                                     appendText(shortcutTarget, kPathCapacity, kShortcutTargetName))) {
        shortcutTarget[0] = L'\0';
    }
}

bool moduleFolder(wchar_t* buffer) {
    buffer[0] = L'\0';
    wchar_t module[kPathCapacity] = {};
    DWORD length = GetModuleFileNameW(nullptr, module, kPathCapacity);
    // A full buffer means the path was cut, and a cut path names another file.
    if (length == 0 || length >= static_cast<DWORD>(kPathCapacity)) {
        return false;
    }
    wchar_t* lastSlash = wcsrchr(module, L'\\');
    if (!lastSlash) {
        return false;
    }
    lastSlash[1] = L'\0';
    return copyText(buffer, kPathCapacity, module);
}
