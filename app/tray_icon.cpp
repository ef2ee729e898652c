// The notification-area icon: the one record that describes it, and the window hidden behind it.
#include "app.h"

#include <cstddef>

#include "ids.h"
#include "text.h"

// The record must be the Vista form, balloon icon last, or NIM_ADD would take an older layout.
static_assert(sizeof(NOTIFYICONDATAW) == offsetof(NOTIFYICONDATAW, hBalloonIcon) + sizeof(HICON),
              "the tray record is the full current size");

namespace {

NOTIFYICONDATAW trayIconData;

// Between an icon added for a hidden window and the window's return.
bool hidden;

}  // namespace

UINT taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void prepareTrayIcon(int iconId, HWND window, UINT iconNumber, const wchar_t* tip, HINSTANCE instance) {
    trayIconData = NOTIFYICONDATAW{};
    trayIconData.cbSize = sizeof(trayIconData);
    trayIconData.hWnd = window;
    trayIconData.uID = iconNumber;
    trayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIconData.uCallbackMessage = WM_TRAY_CALLBACK;
    trayIconData.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
    copyText(trayIconData.szTip, ARRAYSIZE(trayIconData.szTip), tip);
}

// With the taskbar busy or not running the icon may not be added: a window hidden then could not
// be brought back by any click.
void hideToTray(HWND window) {
    if (!Shell_NotifyIconW(NIM_ADD, &trayIconData)) {
        ShowWindow(window, SW_MINIMIZE);
        return;
    }
    ShowWindow(window, SW_HIDE);
    hidden = true;
}

void showFromTray() {
    ShowWindow(trayIconData.hWnd, SW_SHOW);
    Shell_NotifyIconW(NIM_DELETE, &trayIconData);
    hidden = false;
}

bool hiddenInTray() {
    return hidden;
}

// A window that ends while hidden there (the session's end) takes its icon with it; Windows would
// leave it in the notification area until the mouse passes over it.
void removeTrayIcon() {
    if (hidden) {
        Shell_NotifyIconW(NIM_DELETE, &trayIconData);
        hidden = false;
    }
}

void addTrayIconAgain() {
    if (hidden) {
        Shell_NotifyIconW(NIM_ADD, &trayIconData);
    }
}
