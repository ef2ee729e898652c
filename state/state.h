// The settings record and the three files beside the executable.
#ifndef GLIMRA_STATE_H
#define GLIMRA_STATE_H

#include <windows.h>

#include "resources/ids.h"

// One signed 32-bit field per settings key, in key order, plus the running sequence number.
struct SettingsRecord {
    int PICNUM;
    int TRIMING;
    int ALTER;
    int NONESCS;
    int JPEGPIC;
    int PNGPIC;
    int CONSTANT;
    int SAVEINI;
    int POPWINDOW;
    int NONEDIALOG;
    int NONEIMG;
    int AUTOEND;
    int USEBG;
    int ISTASK;
    int ALMEMO;
    int ASMEMO;
    int QUALITY;
    int sequenceCounter;
};
extern SettingsRecord Settings;

// The fifteen check boxes with their fields, in the order every reader and writer goes through them.
struct CheckBoxSetting {
    int controlId;
    int SettingsRecord::*field;
    const wchar_t* section;
    const wchar_t* key;
};
extern const CheckBoxSetting kCheckBoxSettings[15];

// settings.cpp: panel to record (capture, settings save) and record to panel (panel shown).
void refreshSettingsFromPanel();
void showSettingsInPanel();

// settings_file.cpp
void loadSettings();
void saveSettings();
// Decimal text of a stored value, in full whatever its size.
void formatSettingValue(wchar_t* buffer, size_t capacity, int value);

// save_folder.cpp
extern wchar_t saveFolder[kPathCapacity];
// Path of the named file beside the executable; false (and an empty buffer) when it does not fit.
bool exeRelativePath(wchar_t* buffer, const wchar_t* name);
int loadSaveFolder();
int storeSaveFolder();
// Every place that sets saveFolder during the run (menu, fallback) says so, so that a stored
// folder that could not be read at start-up is only replaced by a folder really in use.
void markSaveFolderChosen();

// memo_file.cpp
extern wchar_t memoText[kMemoCapacity];
extern char memoBytes[kMemoBytesCapacity];
int loadMemo();
int storeMemo();
// What start-up put into the memo edit is remembered, so an exit with the memo untouched leaves
// the file alone.
void rememberStartupMemo();
bool memoUnchangedSinceStartup();
// Copies the memo edit's text into memoText, cleared first.
void takeMemoFromPanel();

#endif
