// The files that scenarios start from and expect, written out in full, and the checks of those
// files with Linux tools.
#ifndef GLIMRA_E2E_FILES_H
#define GLIMRA_E2E_FILES_H

#include <string>
#include <utility>
#include <vector>

struct Setting {
    std::string section;
    std::string key;
    int value;
    int checkBox;  // 0 for the two keys without one
};

// The seventeen keys in file order with their defaults, and with some values changed.
std::vector<Setting> defaultSettings();
std::vector<Setting> settingsWith(const std::vector<std::pair<std::string, int>>& changes);

// The settings file exactly as a first save writes it: sections HISTORY, MODE, SETTING, IMG.
std::string settingsFileText(const std::vector<Setting>& settings);

// What tests/check_ini.py (Python's configparser) prints for a file holding these settings.
std::string settingsAsParsed(const std::vector<Setting>& settings);

// Runs tests/check_ini.py on a settings file and returns what it printed.
std::string parseWithPython(const std::wstring& iniPath);
// Runs iconv on a file and returns the UTF-8 text.
std::string convertWithIconv(const std::wstring& path, const char* fromEncoding);

// Memo text as Shift-JIS bytes (code page 932, the system code page of the runs) and as text.
extern const char kShiftJisMemo[];
extern const wchar_t kMemoText[];
extern const char kMemoUtf8[];

#endif
