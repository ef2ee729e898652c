// The settings record, loaded from the profile file beside the executable and saved back to it.
#include "settings.h"

#include <windows.h>

#include "held_files.h"
#include "new_file.h"
#include "process_state.h"
#include "scoped.h"
#include "text.h"

SettingsRecord Settings;

namespace {

// "-2147483648" and its terminator: every value is written in full.
constexpr int kSettingValueCapacity = 12;

struct StoredKey {
    const wchar_t* section;
    const wchar_t* key;
    int SettingsRecord::*field;
    int defaultValue;
};

// Every key in the order it is read and written, so that a file created by the first save lists
// its sections and keys in this order.
const StoredKey kStoredKeys[] = {
    {L"HISTORY", L"PICNUM", &SettingsRecord::PICNUM, 0},
    {L"MODE", L"TRIMING", &SettingsRecord::TRIMING, 0},
    {L"MODE", L"ALTER", &SettingsRecord::ALTER, 0},
    {L"MODE", L"NONESCS", &SettingsRecord::NONESCS, 0},
    {L"MODE", L"JPEGPIC", &SettingsRecord::JPEGPIC, 0},
    {L"MODE", L"PNGPIC", &SettingsRecord::PNGPIC, 0},
    {L"MODE", L"CONSTANT", &SettingsRecord::CONSTANT, 1},
    {L"SETTING", L"SAVEINI", &SettingsRecord::SAVEINI, 1},
    {L"SETTING", L"POPWINDOW", &SettingsRecord::POPWINDOW, 0},
    {L"SETTING", L"NONEDIALOG", &SettingsRecord::NONEDIALOG, 0},
    {L"SETTING", L"NONEIMG", &SettingsRecord::NONEIMG, 0},
    {L"SETTING", L"AUTOEND", &SettingsRecord::AUTOEND, 0},
    {L"SETTING", L"USEBG", &SettingsRecord::USEBG, 1},
    {L"SETTING", L"ISTASK", &SettingsRecord::ISTASK, 0},
    {L"SETTING", L"ALMEMO", &SettingsRecord::ALMEMO, 1},
    {L"SETTING", L"ASMEMO", &SettingsRecord::ASMEMO, 1},
    {L"IMG", L"QUALITY", &SettingsRecord::QUALITY, 95},
};

// The profile calls give the defaults for a file they cannot open, as for a missing one: a file
// another program holds for a moment is waited for first, so its values are not taken for absent.
void waitUntilReadable(const wchar_t* path) {
    retryWhileHeld(path, [&] {
        const ScopedFile file(
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.valid();
    });
}

bool writeKey(const StoredKey& stored, const wchar_t* path) {
    wchar_t value[kSettingValueCapacity];
    formatText(value, kSettingValueCapacity, L"%d", Settings.*stored.field);
    return WritePrivateProfileStringW(stored.section, stored.key, value, path) != FALSE;
}

// The file as it stands into the copy, so the profile calls keep its own order of sections and keys
// and whatever else it holds; a file that is not there leaves the copy empty.
bool copyInto(const wchar_t* path, const wchar_t* copy) {
    return retryWhileHeld(path, [&] { return CopyFileW(path, copy, FALSE) || fileNotThere(GetLastError()); });
}

}  // namespace

// A settings file that cannot be named leaves the defaults, as a missing file does.
void loadSettings() {
    wchar_t path[kPathCapacity] = {};
    bool named = exeRelativePath(path, settingsFileName);
    if (named) {
        waitUntilReadable(path);
    }
    for (const StoredKey& stored : kStoredKeys) {
        Settings.*stored.field =
            named ? static_cast<int>(GetPrivateProfileIntW(stored.section, stored.key, stored.defaultValue, path))
                  : stored.defaultValue;
    }
    // No image name carries a negative number: a counter stored below 0 starts again from 0.
    Settings.sequenceCounter = Settings.PICNUM < 0 ? 0 : Settings.PICNUM;
}

// The profile calls write a file in place, through a link standing at its name: they write a copy
// made beside glimra.ini instead, which then replaces it whole, so a failed save leaves the file as
// it was. The keys go in table order; a program that holds the new copy for a moment (an antivirus)
// is waited out, resuming at the key it stopped.
int saveSettings() {
    Settings.PICNUM = Settings.sequenceCounter;
    wchar_t path[kPathCapacity] = {};
    if (!exeRelativePath(path, settingsFileName)) {
        return 0;
    }
    NewFile copy = NewFile::replacing(path);
    if (!copy) {
        return 0;
    }
    copy.close();
    if (!copyInto(path, copy.path())) {
        return 0;
    }
    size_t next = 0;
    const bool written = retryWhileHeld(copy.path(), [&] {
        for (; next < ARRAYSIZE(kStoredKeys); ++next) {
            if (!writeKey(kStoredKeys[next], copy.path())) {
                return false;
            }
        }
        return true;
    });
    return written && copy.commit() ? 1 : 0;
}
