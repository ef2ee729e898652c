// The settings file: defaults, hand-edited values, the layout a save leaves, values in full.
#include <climits>
#include <sstream>
#include <vector>

#include "state_files.h"

namespace {

// The file's lines without their line ends; blank lines between sections are the profile
// functions' business, not ours.
std::vector<std::string> nonEmptyLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::wstring readValue(const wchar_t* section, const wchar_t* key, const std::wstring& path) {
    wchar_t value[64] = {};
    GetPrivateProfileStringW(section, key, L"<missing>", value, 64, path.c_str());
    return value;
}

}  // namespace

using SettingsFile = StateFiles;

TEST_F(SettingsFile, StartsWithDefaultsWithoutAFileAndCreatesNone) {
    Settings = SettingsRecord{};
    Settings.sequenceCounter = 77;
    loadSettings();
    SettingsRecord expected = {0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 1, 1, 95, 0};
    EXPECT_EQ(0, memcmp(&expected, &Settings, sizeof(SettingsRecord)));
    EXPECT_EQ(0, Settings.sequenceCounter);
    EXPECT_FALSE(fileExists(settingsPath()));
}

TEST_F(SettingsFile, LoadsHandEditedValuesAsWritten) {
    struct Case {
        const char* line;
        int SettingsRecord::*field;
        int expected;
    } cases[] = {
        {"[MODE]\r\nJPEGPIC=7\r\n", &SettingsRecord::JPEGPIC, 7},
        {"[SETTING]\r\nAUTOEND=-1\r\n", &SettingsRecord::AUTOEND, -1},
        {"[IMG]\r\nQUALITY=80\r\n", &SettingsRecord::QUALITY, 80},
        {"[IMG]\r\nQUALITY=garbage\r\n", &SettingsRecord::QUALITY, 0},
        {"[HISTORY]\r\nPICNUM=123456\r\n", &SettingsRecord::PICNUM, 123456},
        {"[HISTORY]\r\nPICNUM=-1000\r\n", &SettingsRecord::PICNUM, -1000},
        {"[HISTORY]\r\nPICNUM=41\r\n", &SettingsRecord::sequenceCounter, 41},
        {"[MODE]\r\nCONSTANT=0\r\n", &SettingsRecord::CONSTANT, 0},
        {"[mode]\r\nconstant=0\r\n", &SettingsRecord::CONSTANT, 0},
        {"[OTHER]\r\nCONSTANT=0\r\n", &SettingsRecord::CONSTANT, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(writeBytes(settingsPath(), c.line));
        loadSettings();
        EXPECT_EQ(c.expected, Settings.*c.field);
    }
}

TEST_F(SettingsFile, FirstSaveListsSectionsAndKeysInTableOrderWithTheBoxStates) {
    createPanel();
    loadSettings();
    Settings.sequenceCounter = 44;
    Settings.QUALITY = 80;
    for (int id : {IDC_ALTER, IDC_PNGPIC, IDC_SAVEINI, IDC_AUTOEND, IDC_ALMEMO}) {
        setChecked(panel, id, BST_CHECKED);
    }
    refreshSettingsFromPanel();
    saveSettings();

    std::vector<std::string> expected = {
        "[HISTORY]",   "PICNUM=44",     "[MODE]",       "TRIMING=0",   "ALTER=1",   "NONESCS=0",
        "JPEGPIC=0",   "PNGPIC=1",      "CONSTANT=0",   "[SETTING]",   "SAVEINI=1", "POPWINDOW=0",
        "NONEDIALOG=0", "NONEIMG=0",    "AUTOEND=1",    "USEBG=0",     "ISTASK=0",  "ALMEMO=1",
        "ASMEMO=0",    "[IMG]",         "QUALITY=80",
    };
    EXPECT_EQ(expected, nonEmptyLines(readBytes(settingsPath())));
    EXPECT_EQ(44, Settings.PICNUM);
    EXPECT_EQ(1, Settings.ALTER);
    EXPECT_EQ(0, Settings.ASMEMO);
}

TEST_F(SettingsFile, SaveKeepsAnExistingFilesOrderAndForeignSections) {
    ASSERT_TRUE(writeBytes(settingsPath(),
                           "; kept by hand\r\n"
                           "[SETTING]\r\nASMEMO=1\r\nSAVEINI=0\r\nUSEBG=7\r\n"
                           "[Foreign]\r\nkey=value\r\n"
                           "[HISTORY]\r\nPICNUM=41\r\n"));
    createPanel();
    loadSettings();
    EXPECT_EQ(7, Settings.USEBG);
    Settings.sequenceCounter += 3;
    setChecked(panel, IDC_SAVEINI, BST_CHECKED);
    setChecked(panel, IDC_USEBG, BST_CHECKED);
    refreshSettingsFromPanel();
    saveSettings();

    std::vector<std::string> expected = {
        "; kept by hand", "[SETTING]", "ASMEMO=0", "SAVEINI=1", "USEBG=1", "POPWINDOW=0", "NONEDIALOG=0",
        "NONEIMG=0",      "AUTOEND=0", "ISTASK=0", "ALMEMO=0",  "[Foreign]", "key=value",  "[HISTORY]",
        "PICNUM=44",      "[MODE]",    "TRIMING=0", "ALTER=0",  "NONESCS=0", "JPEGPIC=0",  "PNGPIC=0",
        "CONSTANT=0",     "[IMG]",     "QUALITY=95",
    };
    EXPECT_EQ(expected, nonEmptyLines(readBytes(settingsPath())));
}

TEST_F(SettingsFile, ValuesOfAnySizeAreWrittenInFullAndReadBack) {
    struct Case {
        int counter;
        int quality;
        const wchar_t* counterText;
        const wchar_t* qualityText;
    } cases[] = {
        {9999, 95, L"9999", L"95"},
        {10000, 123456, L"10000", L"123456"},
        {-1000, -999, L"-1000", L"-999"},
        {INT_MAX, INT_MIN, L"2147483647", L"-2147483648"},
    };
    createPanel();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.counter);
        DeleteFileW(settingsPath().c_str());
        loadSettings();
        Settings.sequenceCounter = c.counter;
        Settings.QUALITY = c.quality;
        refreshSettingsFromPanel();
        saveSettings();
        EXPECT_EQ(c.counterText, readValue(L"HISTORY", L"PICNUM", settingsPath()));
        EXPECT_EQ(c.qualityText, readValue(L"IMG", L"QUALITY", settingsPath()));
        loadSettings();
        EXPECT_EQ(c.counter, Settings.sequenceCounter);
        EXPECT_EQ(c.quality, Settings.QUALITY);
    }
}
