// Resource, control and command ids, shared by the .rc file and the code; nothing else.
#ifndef GLIMRA_IDS_H
#define GLIMRA_IDS_H

// Resources
#define IDD_PANEL 101
#define IDR_ACCELERATORS 102
#define IDR_MAIN_MENU 103
#define IDI_GLIMRA 106
#define IDD_SEQUENCE 107
#define IDD_WINDOW_PICKER 109

// String table
#define IDS_TITLE 104
#define IDS_CLASS_NAME 105
#define IDS_SHORTCUT_FILE 106
#define IDS_SETTINGS_FILE 107
#define IDS_FOLDER_FILE 108
#define IDS_MEMO_FILE 109

// String table: every text the user reads in a box, each whole sentence one entry, %ls where a
// name goes
#define IDS_FILE_TOO_LARGE 201
#define IDS_LOAD_FAILED 202
#define IDS_WRITE_FAILED 203
#define IDS_MEMO_STORE_FAILED 204
#define IDS_CONFIRM_END 205
#define IDS_SAVE_FOLDER_MISSING 206
#define IDS_DEFAULT_FOLDER_MISSING 207
#define IDS_SAVE_FOLDER_RESET 208
#define IDS_FOLDER_NOT_MADE 209
#define IDS_IMAGE_NOT_MADE 210
#define IDS_DEFAULT_FOLDER_MADE 211
#define IDS_SAVE_FOLDER_TOO_LONG 212
#define IDS_SEQUENCE_RESET 213
#define IDS_CONFIRM_MEMO_SAVE 214
#define IDS_MEMO_SAVED 215
#define IDS_MEMO_SAVE_FAILED 216
#define IDS_SHORTCUT_MADE 217
#define IDS_SHORTCUT_NOT_MADE 218
#define IDS_SHORTCUT_MISSING 219
#define IDS_CONFIRM_SHORTCUT_DELETE 220
#define IDS_SHORTCUT_DELETED 221
#define IDS_SHORTCUT_NOT_DELETED 222
#define IDS_OPEN_OUT_OF_MEMORY 223
#define IDS_OPEN_FILE_NOT_FOUND 224
#define IDS_OPEN_ACCESS_DENIED 225
#define IDS_OPEN_SHARE_VIOLATION 226
#define IDS_OPEN_FAILED 227
#define IDS_ABOUT_CAPTION 228
#define IDS_ABOUT_TEXT 229
#define IDS_SEARCH_PLANNED 230
#define IDS_NOTHING_TO_PICK 231
#define IDS_LIST_REFRESHED 232
#define IDS_CHOOSE_FOLDER 233
// Kept on purpose: the caption "テスト" of the box that shows a new shortcut's path.
#define IDS_LINK_PATH_CAPTION 234

// Panel (dialog 101)
// Kept on purpose: there is no 1005, and ALMEMO's box (1025) stands above ASMEMO's (1024).
#define IDC_GROUP_MODE 1001
#define IDC_GROUP_OTHER 1002
#define IDC_TRIMING 1003
#define IDC_ALTER 1004
#define IDC_NONESCS 1006
#define IDC_JPEGPIC 1007
#define IDC_PNGPIC 1008
#define IDC_CONSTANT 1009
#define IDC_SAVEINI 1010
#define IDC_POPWINDOW 1011
#define IDC_NONEDIALOG 1012
#define IDC_NONEIMG 1013
#define IDC_AUTOEND 1014
#define IDC_USEBG 1015
#define IDC_ISTASK 1016
#define IDC_GROUP_MEMO 1017
#define IDC_GROUP_CAPTURE 1018
#define IDC_CAPTURE_SCREEN 1019
#define IDC_CAPTURE_WINDOW 1020
#define IDC_MEMO 1021
#define IDC_ASMEMO 1024
#define IDC_ALMEMO 1025

// Sequence-number dialog (107)
#define IDC_SEQUENCE_EDIT 1022
#define IDC_SEQUENCE_UPDOWN 1023

// Window picker (109)
#define IDC_WINDOW_LIST 1027
// Kept on purpose: 3 is also IDABORT; the picker has no Abort button, so nothing reads it as one.
#define IDC_REFRESH 3

// Menu and accelerator commands
// Kept on purpose: Alt+S is reserved for a command to come and answered by none.
#define IDM_ACCEL_ALT_S 40001
#define IDM_QUIT 40004
#define IDM_CHANGE_FOLDER 40022
#define IDM_RESET_FOLDER 40023
// Kept on purpose: 40024, 40027, 40030 and 40033 are greyed placeholders that do nothing.
#define IDM_NEW_FOLDER 40024
#define IDM_SET_SEQUENCE 40025
#define IDM_RESET_SEQUENCE 40026
#define IDM_JPEG_QUALITY 40027
#define IDM_SAVE_MEMO 40028
#define IDM_DESKTOP_SHORTCUT 40029
#define IDM_START_MENU_ADD 40030
#define IDM_FOLDER_SHORTCUT 40032
#define IDM_START_MENU_REMOVE 40033
#define IDM_DESKTOP_SHORTCUT_REMOVE 40034
#define IDM_README 40035
#define IDM_ABOUT 40036

// The notification icon's messages to the main window
#define WM_TRAY_CALLBACK (WM_USER + 10)

#endif
