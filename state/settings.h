// The settings record and glimra.ini beside the executable, where it is kept between runs.
#ifndef GLIMRA_SETTINGS_H
#define GLIMRA_SETTINGS_H

#include "state_files.h"

// Every stored setting once, in key order, the order of the record's fields and of glimra.ini:
// KEY(field, section, default) for a setting no control sets, BOXED(field, section, default, box)
// for one bound to a check box of the panel. A key is named as its field. The boxes are named by
// their ids in ids.h, which only the panel's use of the list reads.
// Kept on purpose: QUALITY is stored and loaded, yet no encoder reads it until its menu item comes.
#define GLIMRA_SETTINGS(KEY, BOXED)                   \
    KEY(PICNUM, L"HISTORY", 0)                         \
    BOXED(TRIMING, L"MODE", 0, IDC_TRIMING)            \
    BOXED(ALTER, L"MODE", 0, IDC_ALTER)                \
    BOXED(NONESCS, L"MODE", 0, IDC_NONESCS)            \
    BOXED(JPEGPIC, L"MODE", 0, IDC_JPEGPIC)            \
    BOXED(PNGPIC, L"MODE", 0, IDC_PNGPIC)              \
    BOXED(CONSTANT, L"MODE", 1, IDC_CONSTANT)          \
    BOXED(SAVEINI, L"SETTING", 1, IDC_SAVEINI)         \
    BOXED(POPWINDOW, L"SETTING", 0, IDC_POPWINDOW)     \
    BOXED(NONEDIALOG, L"SETTING", 0, IDC_NONEDIALOG)   \
    BOXED(NONEIMG, L"SETTING", 0, IDC_NONEIMG)         \
    BOXED(AUTOEND, L"SETTING", 0, IDC_AUTOEND)         \
    BOXED(USEBG, L"SETTING", 1, IDC_USEBG)             \
    BOXED(ISTASK, L"SETTING", 0, IDC_ISTASK)           \
    BOXED(ALMEMO, L"SETTING", 1, IDC_ALMEMO)           \
    BOXED(ASMEMO, L"SETTING", 1, IDC_ASMEMO)           \
    KEY(QUALITY, L"IMG", 95)

#define GLIMRA_SETTINGS_FIELD(field, ...) int field;

// One signed 32-bit field per settings key, in key order, plus the running sequence number.
// A flag is on when its field is nonzero.
struct SettingsRecord {
    GLIMRA_SETTINGS(GLIMRA_SETTINGS_FIELD, GLIMRA_SETTINGS_FIELD)
    int sequenceCounter;  // the number of the last numbered capture, changed only by sequence_number.h
};
extern SettingsRecord Settings;

// Every field from the file, or its default; sequenceCounter from PICNUM, 0 for one below 0. A file
// that is there and cannot be read (held beyond the wait, refused) is Unopened: the defaults are
// used and the file is never written in that run.
FileRead loadSettings();
// PICNUM from sequenceCounter, then all seventeen keys, each written in full; 1 when every key
// reached the file (or the file is kept as unread), 0 when the file was left as it was.
int saveSettings();
// The profile call that writes each key; a test stands in for a write that fails midway.
extern BOOL(WINAPI* writeProfileString)(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR path);

#endif
