// Loading the settings record from the profile file beside the executable, and saving it back.
#include "state/state.h"

#include "app/app.h"
#include "common/ui.h"

namespace {

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

}  // namespace

void formatSettingValue(wchar_t* buffer, size_t capacity, int value) {
    // A number cut to fit would be read back as another number; an empty text never is.
    if (!formatText(buffer, capacity, L"%d", value) && capacity > 0) {
        buffer[0] = L'\0';
    }
}

// A settings file that cannot be named leaves the defaults, as a missing file does.
void loadSettings() {
    wchar_t path[kPathCapacity] = {};
    bool named = exeRelativePath(path, settingsFileName);
    for (const StoredKey& stored : kStoredKeys) {
        Settings.*stored.field =
            named ? static_cast<int>(GetPrivateProfileIntW(stored.section, stored.key, stored.defaultValue, path))
                  : stored.defaultValue;
    }
    Settings.sequenceCounter = Settings.PICNUM;
}

// The record is refreshed even when the file cannot be named: the exit routine goes on to read
// the memo flag from it.
void saveSettings() {
    refreshSettingsFromPanel();
    Settings.PICNUM = Settings.sequenceCounter;
    wchar_t path[kPathCapacity] = {};
    if (!exeRelativePath(path, settingsFileName)) {
        return;
    }
    for (const StoredKey& stored : kStoredKeys) {
        wchar_t value[kSettingValueCapacity];
        formatSettingValue(value, kSettingValueCapacity, Settings.*stored.field);
        WritePrivateProfileStringW(stored.section, stored.key, value, path);
    }
}
