// The settings record, loaded from the profile file beside the executable and saved back to it.
#include "settings.h"

#include <windows.h>

#include <vector>

#include "held_files.h"
#include "new_file.h"
#include "state_files.h"
#include "scoped.h"
#include "sequence_number.h"
#include "text.h"

SettingsRecord Settings;

BOOL(WINAPI* writeProfileString)(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR) = WritePrivateProfileStringW;

namespace {

// "-2147483648" and its terminator: every value is written in full.
constexpr int kSettingValueCapacity = 12;

// Far beyond any settings file; a larger one is refused whole rather than stored cut.
constexpr DWORD kSettingsFileMaxBytes = 1 << 20;

// A file there but not readable at start-up is never written in that run, so its keys survive.
bool settingsFileUnread;

struct StoredKey {
    const wchar_t* section;
    const wchar_t* key;
    int SettingsRecord::*field;
    int defaultValue;
};

#define STORED_KEY(field, section, defaultValue) {section, L"" #field, &SettingsRecord::field, defaultValue},
#define STORED_BOXED_KEY(field, section, defaultValue, box) STORED_KEY(field, section, defaultValue)

// Every key in the order it is read and written, so that a file created by the first save lists
// its sections and keys in this order.
const StoredKey kStoredKeys[] = {GLIMRA_SETTINGS(STORED_KEY, STORED_BOXED_KEY)};
#undef STORED_KEY
#undef STORED_BOXED_KEY

// The profile calls give the defaults for a file they cannot open, as for a missing one: a file
// another program holds for a moment is waited for first, so its values are not taken for absent.
bool readableOrAbsent(const wchar_t* path) {
    return retryWhileHeld(path, [&] {
        const ScopedFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file.valid() || fileNotThere(GetLastError());
    });
}

bool writeKey(const StoredKey& stored, const wchar_t* path) {
    wchar_t value[kSettingValueCapacity];
    formatText(value, kSettingValueCapacity, L"%d", Settings.*stored.field);
    return writeProfileString(stored.section, stored.key, value, path) != FALSE;
}

// The file's bytes with the keys written: the profile calls write by name, in place, so they write
// a copy of ours (beside the file, or in the temporary folder where the folder takes no new file
// or the name would be too long) holding the file as it stands, keeping its own order of sections
// and keys and whatever else it holds. The keys go in table order; a program that holds the copy
// for a moment (an antivirus) is waited out, resuming at the key it stopped.
bool settingsFileBytes(const wchar_t* path, std::vector<char>& bytes, DWORD* size) {
    if (readFileAt(path, bytes.data(), kSettingsFileMaxBytes, size) != FileRead::Read) {
        return false;
    }
    NewFile copy = NewFile::replacing(path);
    if (!copy) {
        copy = NewFile::scratch(settingsFileName);
    }
    DWORD written = 0;
    if (!copy || !WriteFile(copy.get(), bytes.data(), *size, &written, nullptr) || written != *size) {
        return false;
    }
    copy.close();
    size_t next = 0;
    const bool keysWritten = retryWhileHeld(copy.path(), [&] {
        for (; next < ARRAYSIZE(kStoredKeys); ++next) {
            if (!writeKey(kStoredKeys[next], copy.path())) {
                return false;
            }
        }
        return true;
    });
    // Flushes what a system that caches profile files still holds of the copy.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, copy.path());
    return keysWritten && readFileAt(copy.path(), bytes.data(), kSettingsFileMaxBytes, size) == FileRead::Read;
}

}  // namespace

// A settings file that cannot be named leaves the defaults, as a missing file does. One that is
// there and cannot be read leaves them too, and is reported.
FileRead loadSettings() {
    wchar_t path[kPathCapacity] = {};
    const bool named = exeRelativePath(path, settingsFileName);
    settingsFileUnread = named && !readableOrAbsent(path);
    for (const StoredKey& stored : kStoredKeys) {
        Settings.*stored.field =
            named && !settingsFileUnread
                ? static_cast<int>(GetPrivateProfileIntW(stored.section, stored.key, stored.defaultValue, path))
                : stored.defaultValue;
    }
    // A counter stored below 0 starts again from 0.
    setSequenceCounter(Settings.PICNUM);
    return settingsFileUnread ? FileRead::Unopened : FileRead::Read;
}

// The new bytes are ready before the file is touched, and replace it whole: a failed save leaves
// it as it was.
int saveSettings() {
    Settings.PICNUM = Settings.sequenceCounter;
    if (settingsFileUnread) {
        return 1;
    }
    wchar_t path[kPathCapacity] = {};
    std::vector<char> bytes(kSettingsFileMaxBytes);
    DWORD size = 0;
    return exeRelativePath(path, settingsFileName) && settingsFileBytes(path, bytes, &size) &&
                   replaceFileWhole(path, bytes.data(), size)
               ? 1
               : 0;
}
