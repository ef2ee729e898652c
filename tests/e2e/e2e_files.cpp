// Expected file contents and the Linux-side checks of Glimra's files.
#include "e2e_files.h"

#include <gtest/gtest.h>

#include "driver.h"
#include "driver_unix.h"
#include "resources/ids.h"

// "メモ\r\n二行目 ABC ～①": two lines, a wave dash and a circled digit that only code page 932
// (not plain Shift-JIS) maps to U+FF5E and U+2460.
const char kShiftJisMemo[] =
    "\x83\x81\x83\x82\r\n\x93\xf1\x8d\x73\x96\xda ABC \x81\x60\x87\x40";
const wchar_t kMemoText[] = L"メモ\r\n二行目 ABC \uFF5E\u2460";
const char kMemoUtf8[] = "\xe3\x83\xa1\xe3\x83\xa2\r\n\xe4\xba\x8c\xe8\xa1\x8c\xe7\x9b\xae ABC \xef\xbd\x9e\xe2\x91\xa0";

std::vector<Setting> defaultSettings() {
    return {
        {"HISTORY", "PICNUM", 0, 0},
        {"MODE", "TRIMING", 0, IDC_TRIMING},
        {"MODE", "ALTER", 0, IDC_ALTER},
        {"MODE", "NONESCS", 0, IDC_NONESCS},
        {"MODE", "JPEGPIC", 0, IDC_JPEGPIC},
        {"MODE", "PNGPIC", 0, IDC_PNGPIC},
        {"MODE", "CONSTANT", 1, IDC_CONSTANT},
        {"SETTING", "SAVEINI", 1, IDC_SAVEINI},
        {"SETTING", "POPWINDOW", 0, IDC_POPWINDOW},
        {"SETTING", "NONEDIALOG", 0, IDC_NONEDIALOG},
        {"SETTING", "NONEIMG", 0, IDC_NONEIMG},
        {"SETTING", "AUTOEND", 0, IDC_AUTOEND},
        {"SETTING", "USEBG", 1, IDC_USEBG},
        {"SETTING", "ISTASK", 0, IDC_ISTASK},
        {"SETTING", "ALMEMO", 1, IDC_ALMEMO},
        {"SETTING", "ASMEMO", 1, IDC_ASMEMO},
        {"IMG", "QUALITY", 95, 0},
    };
}

std::vector<Setting> settingsWith(const std::vector<std::pair<std::string, int>>& changes) {
    std::vector<Setting> settings = defaultSettings();
    for (const auto& change : changes) {
        bool found = false;
        for (Setting& setting : settings) {
            if (setting.key == change.first) {
                setting.value = change.second;
                found = true;
            }
        }
        EXPECT_TRUE(found) << "no key " << change.first;
    }
    return settings;
}

std::string settingsFileText(const std::vector<Setting>& settings) {
    std::string text;
    std::string section;
    for (const Setting& setting : settings) {
        if (setting.section != section) {
            section = setting.section;
            text += "[" + section + "]\r\n";
        }
        text += setting.key + "=" + std::to_string(setting.value) + "\r\n";
    }
    return text;
}

std::string settingsAsParsed(const std::vector<Setting>& settings) {
    std::string lines;
    std::string section;
    for (const Setting& setting : settings) {
        if (setting.section != section) {
            section = setting.section;
            lines += "[" + section + "]\n";
        }
        lines += setting.key + "=" + std::to_string(setting.value) + "\n";
    }
    return lines;
}

std::string parseWithPython(const std::wstring& iniPath) {
    if (sourceFolder().empty()) {
        ADD_FAILURE() << "the source folder was not given on the command line";
        return std::string();
    }
    UnixResult result = runUnix("python3 " + shellQuote(sourceFolder() + "/tests/check_ini.py") + " " +
                                shellQuote(unixPath(iniPath)));
    EXPECT_EQ(0, result.status) << result.output;
    return result.output;
}

std::string convertWithIconv(const std::wstring& path, const char* fromEncoding) {
    UnixResult result =
        runUnix(std::string("iconv -f ") + fromEncoding + " -t UTF-8 " + shellQuote(unixPath(path)));
    EXPECT_EQ(0, result.status) << result.output;
    return result.output;
}
