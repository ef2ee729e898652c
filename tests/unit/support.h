// What the in-process tests share: message boxes read and answered on this thread, files beside the
// test executable and in scratch folders, and the process as start-up leaves it.
#ifndef GLIMRA_UNIT_SUPPORT_H
#define GLIMRA_UNIT_SUPPORT_H

#include <windows.h>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>

#include "capture.h"
#include "image_writers.h"
#include "memo_file.h"
#include "process_state.h"
#include "save_folder.h"
#include "settings.h"
#include "text.h"

namespace fs = std::filesystem;

inline const ScopedGdiplus gdiplusForTheProgram;  // started once, as the application does

struct WindowCloser {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using OwnedWindow = std::unique_ptr<HWND__, WindowCloser>;

inline std::wstring textOf(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

struct Box {
    std::wstring caption, text;
    HWND owner;
    HICON icon;
};

// While one lives, each message box shown on this thread is read, then answered from the queue
// (OK when it is empty); any other dialog goes to onDialog, to be driven from there.
struct Boxes {
    Boxes() { current = this; }
    ~Boxes() { UnhookWindowsHookEx(hook); current = nullptr; }
    Boxes(const Boxes&) = delete;
    Boxes& operator=(const Boxes&) = delete;
    std::vector<std::wstring> texts() const {
        std::vector<std::wstring> texts;
        for (const Box& box : seen) texts.push_back(box.text);
        return texts;
    }
    // Activated again whenever the focus moves, a dialog is taken once.
    static LRESULT CALLBACK onActivate(int code, WPARAM wParam, LPARAM lParam) {
        const HWND dialog = reinterpret_cast<HWND>(wParam);
        wchar_t kind[8] = {};
        if (code == HCBT_ACTIVATE && current && GetClassNameW(dialog, kind, 8) && !lstrcmpW(kind, L"#32770") &&
            !GetPropW(dialog, L"taken") && SetPropW(dialog, L"taken", dialog)) {
            current->take(dialog);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    // A message box is a dialog with the text control 0xFFFF and no edit field.
    void take(HWND dialog) {
        if (!GetDlgItem(dialog, 0xFFFF) || FindWindowExW(dialog, nullptr, L"Edit", nullptr)) {
            if (onDialog) onDialog(dialog);
            return;
        }
        Box box{textOf(dialog), textOf(GetDlgItem(dialog, 0xFFFF)), GetWindow(dialog, GW_OWNER), nullptr};
        for (HWND icon = nullptr; !box.icon && (icon = FindWindowExW(dialog, icon, L"Static", nullptr));) {
            box.icon = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
        }
        seen.push_back(box);
        PostMessageW(dialog, WM_COMMAND, answers.empty() ? IDOK : answers.front(), 0);
        if (!answers.empty()) answers.pop_front();
    }
    // Every box captioned with the window title, with these texts in this order, icon and owner.
    void expect(const std::vector<std::wstring>& expected, LPCWSTR icon, HWND owner) const {
        EXPECT_EQ(expected, texts());
        for (const Box& box : seen) {
            EXPECT_EQ(L"Glimra Ver 3.00", box.caption);
            EXPECT_EQ(LoadIconW(nullptr, icon), box.icon);
            EXPECT_EQ(owner, box.owner);
        }
    }
    std::vector<Box> seen;
    std::deque<int> answers;
    std::function<void(HWND)> onDialog;
    inline static Boxes* current = nullptr;
    HHOOK hook = SetWindowsHookExW(WH_CBT, onActivate, nullptr, GetCurrentThreadId());
};

inline std::wstring besideExe(const std::wstring& name) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    return fs::path(module).parent_path().wstring() + L"\\" + name;
}

inline std::string readBytes(const std::wstring& path) {
    std::ifstream file(fs::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Each file gets a write time of its own: Wine keeps a parsed profile while that time stays.
inline bool writeBytes(const std::wstring& path, const std::string& bytes) {
    static fs::file_time_type stamp = fs::file_time_type::clock::now();
    const bool written = static_cast<bool>(std::ofstream(fs::path(path), std::ios::binary) << bytes);
    std::error_code error;
    fs::last_write_time(path, stamp += std::chrono::seconds(1), error);
    return written && !error;
}

// File names in a folder, sorted; folders left out.
inline std::vector<std::wstring> filesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (!entry.is_directory()) names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct Scratch {
    Scratch() { fs::create_directory(path); }
    ~Scratch() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }
    inline static int count = 0;
    const std::wstring path = fs::temp_directory_path().wstring() + L"\\glimra-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count);
};

// The process as start-up leaves it, with a hidden main window and no state files beside the
// executable before or after.
class Glimra : public ::testing::Test {
protected:
    void SetUp() override {
        static const OwnedWindow main(CreateWindowExW(0, L"STATIC", L"main", WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0));
        startProcess(GetModuleHandleW(nullptr));
        mainWindow = main.get();
        TearDown();
        Settings = SettingsRecord{};
    }
    void TearDown() override {
        for (const wchar_t* name : {L"glimra.ini", L"dirInfo.dat", L"memo.txt"}) DeleteFileW(besideExe(name).c_str());
    }
};

#endif
