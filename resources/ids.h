// Glimra's fixed numbers: resource, control and command ids (shared with the .rc files),
// and, for the C++ side only, the buffer sizes and other constants of the program.
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

// Panel (dialog 101)
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
#define IDC_REFRESH 3

// Menu and accelerator commands
#define IDM_ACCEL_ALT_S 40001
#define IDM_QUIT 40004
#define IDM_CHANGE_FOLDER 40022
#define IDM_RESET_FOLDER 40023
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

#ifndef RC_INVOKED
#include <windows.h>

// Buffer sizes, in characters unless named bytes; their size is part of the behaviour.
constexpr int kPathCapacity = 500;           // every path buffer
constexpr int kStringCapacity = 100;         // strings 104 to 109
constexpr int kMemoCapacity = 1024000;       // memo characters, terminator included
constexpr int kMemoBytesCapacity = 1024000;  // memo in ANSI form
constexpr int kMessageCapacity = 1000;       // formatted capture messages
constexpr int kFolderFileMaxBytes = 998;     // 499 characters, so a terminator always follows
constexpr int kSettingValueCapacity = 12;    // "-2147483648" and its terminator
constexpr int kWindowTableRows = 200;
constexpr int kWindowTitleCapacity = 500;

constexpr UINT kTrayCallbackMessage = WM_USER + 10;  // 1034
constexpr UINT kTrayIconId = 0;

constexpr int kMainWindowWidth = 620;   // pixels at 96 DPI
constexpr int kMainWindowHeight = 400;
constexpr int kBaseDpi = 96;

constexpr DWORD kCaptureWaitMs = 500;
constexpr DWORD kWindowCaptureWaitMs = 700;

constexpr int kSequenceMax = 9999;

constexpr int kBmpHeaderBytes = 54;  // 14-byte file header + 40-byte information header
constexpr WORD kBmpSignature = 0x4D42;  // "BM", little-endian
constexpr WORD kCaptureBitCount = 24;    // bits per pixel of the capture bitmap and the BMP file
constexpr int kImageFormatCount = 3;     // BMP, JPEG and PNG: the most files one capture writes
#endif

#endif
