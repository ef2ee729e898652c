// The settings record and glimra.ini beside the executable, where it is kept between runs.
#ifndef GLIMRA_SETTINGS_H
#define GLIMRA_SETTINGS_H

#include "state_files.h"

// One signed 32-bit field per settings key, in key order, plus the running sequence number.
// A flag is on when its field is nonzero.
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
    int QUALITY;  // Kept on purpose: stored and loaded, yet no encoder reads it until its menu item comes.
    int sequenceCounter;  // the number of the last numbered capture
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
