// The three state files beside the test executable, removed before and after each test, and a
// real control panel to tick boxes and type memos into.
#ifndef GLIMRA_TEST_STATE_FILES_H
#define GLIMRA_TEST_STATE_FILES_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app.h"
#include "ids.h"
#include "process_state.h"
#include "text.h"
#include "ui.h"
#include "message_boxes.h"
#include "scratch.h"
#include "memo_file.h"
#include "save_folder.h"
#include "settings.h"

inline std::wstring besideExe(const std::wstring& name) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring path = module;
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

// Bytes of a wide text as UTF-16LE, as the save-folder file holds it.
inline std::string utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

class StateFiles : public ::testing::Test {
protected:
    void SetUp() override {
        startProcess(GetModuleHandleW(nullptr));
        mainWindow = nullptr;
        removeStateFiles();
        saveFolder[0] = L'\0';
        wmemset(memoText, L'\0', kMemoCapacity);
    }
    void TearDown() override {
        if (panel) {
            DestroyWindow(host_);
            panel = nullptr;
        }
        removeStateFiles();
    }

    // The panel, dialog 101, in a hidden top-level window of its own.
    void createPanel() {
        host_ = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, host_);
        panel = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PANEL), host_, panelDialogProc, 0);
        ASSERT_NE(nullptr, panel);
    }

    static std::wstring settingsPath() { return besideExe(L"glimra.ini"); }
    static std::wstring folderPath() { return besideExe(L"dirInfo.dat"); }
    static std::wstring memoPath() { return besideExe(L"memo.txt"); }

    // Another handle without sharing, as another process holding the file would have.
    static HANDLE holdFile(const std::wstring& path) {
        return CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

private:
    static void removeStateFiles() {
        DeleteFileW(settingsPath().c_str());
        DeleteFileW(folderPath().c_str());
        DeleteFileW(memoPath().c_str());
    }

    HWND host_ = nullptr;
};

#endif
