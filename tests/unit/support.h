// What the in-process tests share: message boxes read and answered on this thread, files beside the
// test executable and in scratch folders, and the process as start-up leaves it.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>

#include "../shared.h"
#include "app.h"
#include "capture_steps.h"
#include "image_writers.h"
#include "memo_file.h"
#include "process_state.h"
#include "save_folder.h"
#include "settings.h"
#include "state_files.h"
#include "system_calls.h"
#include "text.h"

inline const ScopedGdiplus gdiplusForTheProgram;  // started once, as the application does

// While one lives, each message box shown on this thread is read, then answered OK; any other
// dialog goes to onDialog, to be driven from there. A question is answered questionAnswer.
struct Boxes {
    struct Box { std::wstring caption, text; HWND owner; HICON icon; };
    Boxes() { current = this; }
    ~Boxes() { UnhookWindowsHookEx(hook); current = nullptr; }
    Boxes(const Boxes&) = delete;
    Boxes& operator=(const Boxes&) = delete;
    // A dialog is activated again whenever the focus moves; it is taken once. A message box is a
    // dialog with the text control 0xFFFF and no edit field.
    static LRESULT CALLBACK onActivate(int code, WPARAM wParam, LPARAM lParam) {
        const HWND dialog = reinterpret_cast<HWND>(wParam);
        wchar_t kind[8] = {};
        if (code == HCBT_ACTIVATE && current && GetClassNameW(dialog, kind, 8) && !lstrcmpW(kind, L"#32770") &&
            !GetPropW(dialog, L"taken") && SetPropW(dialog, L"taken", dialog)) {
            if (GetDlgItem(dialog, 0xFFFF) && !FindWindowExW(dialog, nullptr, L"Edit", nullptr)) {
                current->take(dialog);
            } else if (current->onDialog) {
                current->onDialog(dialog);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    void take(HWND box) {
        seen.push_back({windowText(box), windowText(GetDlgItem(box, 0xFFFF)), GetWindow(box, GW_OWNER), nullptr});
        for (HWND icon = nullptr; !seen.back().icon && (icon = FindWindowExW(box, icon, L"Static", nullptr));) {
            seen.back().icon = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
        }
        PostMessageW(box, WM_COMMAND, GetDlgItem(box, IDYES) ? questionAnswer : IDOK, 0);
    }
    // These texts in this order, each captioned with the window title, with its icon and this owner.
    void expect(const std::vector<std::wstring>& texts, const std::vector<LPCWSTR>& icons, HWND owner) const {
        std::vector<std::wstring> seenTexts;
        for (size_t i = 0; i < seen.size(); ++i) {
            seenTexts.push_back(seen[i].text);
            EXPECT_EQ(L"Glimra Ver 3.00", seen[i].caption);
            EXPECT_TRUE(i < icons.size() && seen[i].icon == LoadIconW(nullptr, icons[i]) && seen[i].owner == owner)
                << "icon or owner of " << seen[i].text;
        }
        EXPECT_EQ(texts, seenTexts);
    }
    std::vector<Box> seen;
    std::function<void(HWND)> onDialog;
    int questionAnswer = IDYES;  // a Yes/No box's
    inline static Boxes* current = nullptr;
    const HHOOK hook = SetWindowsHookExW(WH_CBT, onActivate, nullptr, GetCurrentThreadId());
};

// The state files beside the executable.
inline const std::wstring kIni = besideExe(L"glimra.ini"), kFolderFile = besideExe(L"dirInfo.dat"),
                          kMemoFile = besideExe(L"memo.txt");

// The settings record's fields by name, in key order (namedFields' order).
#define FIELD(name) {#name, &SettingsRecord::name}
inline const std::pair<const char*, int SettingsRecord::*> kSettingsFields[] = {
    FIELD(PICNUM), FIELD(TRIMING), FIELD(ALTER), FIELD(NONESCS), FIELD(JPEGPIC), FIELD(PNGPIC), FIELD(CONSTANT),
    FIELD(SAVEINI), FIELD(POPWINDOW), FIELD(NONEDIALOG), FIELD(NONEIMG), FIELD(AUTOEND), FIELD(USEBG), FIELD(ISTASK),
    FIELD(ALMEMO), FIELD(ASMEMO), FIELD(QUALITY), FIELD(sequenceCounter)};
#undef FIELD

// A whole record by name, as "CONSTANT=1 sequenceCounter=41": its fields other than 0, in key order.
inline std::string namedFields(const SettingsRecord& record) {
    std::string named;
    for (const auto& [name, field] : kSettingsFields)
        if (record.*field) named.append(named.empty() ? "" : " ").append(name).append("=").append(std::to_string(record.*field));
    return named;
}
// The record so named, as "sequenceCounter=41 CONSTANT=1", in any order, 0 allowed; every other field 0.
// A name that is no field, a name given twice or a value that is no number fails.
inline SettingsRecord settingsOf(const std::string& named) {
    SettingsRecord record{};
    std::vector<std::string> given;
    for (size_t at = 0, end = 0; at < named.size(); at = end + 1) {
        end = std::min(named.find(' ', at), named.size());
        const std::string setting = named.substr(at, end - at), name = setting.substr(0, setting.find('='));
        const auto field = std::find_if(std::begin(kSettingsFields), std::end(kSettingsFields),
                                        [&](const auto& known) { return name == known.first; });
        char* rest = nullptr;
        const std::string value = setting.size() > name.size() ? setting.substr(name.size() + 1) : "";
        const long number = std::strtol(value.c_str(), &rest, 10);
        EXPECT_TRUE(field != std::end(kSettingsFields) && !value.empty() && *rest == '\0' &&
                    std::count(given.begin(), given.end(), name) == 0) << "no setting: \"" << setting << "\"";
        if (field != std::end(kSettingsFields)) record.*(field->second) = int(number);
        given.push_back(name);
    }
    return record;
}

// The memo edit's text as the exit would take it, the rest of the buffer cleared.
inline void setMemo(const std::wstring& text) {
    wmemset(memoText, L'\0', kMemoCapacity);
    wmemcpy(memoText, text.data(), text.size());
}

// Each test is a run of its own, as start-up leaves it: with a hidden main window, having read
// memo.txt (which ends a refusal of an earlier run), and no state files beside the executable.
class Glimra : public ::testing::Test {
protected:
    void SetUp() override {
        static const ScopedWindow main(CreateWindowExW(0, L"STATIC", L"main", WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0));
        startProcess(GetModuleHandleW(nullptr));
        mainWindow = main.get();
        Settings = SettingsRecord{};
        TearDown();  // a refused memo.txt left by a killed run would stop the load below with its message
        loadMemo();
        TearDown();
    }
    // Whatever the suite leaves beside the executable goes, read-only or a folder as it may be: the state
    // files, their replacements and their near misses, so nothing a killed run left decides this one.
    void TearDown() override {
        Names left;
        for (const wchar_t* pattern : {L"glimra.ini*", L"dirInfo.dat*", L"memo.txt*", L"other.txt*"}) {
            WIN32_FIND_DATAW found;
            const ScopedSearch search(FindFirstFileW(besideExe(pattern).c_str(), &found));
            for (BOOL more = search.valid(); more; more = FindNextFileW(search.get(), &found)) left.push_back(found.cFileName);
        }
        for (const std::wstring& name : left) removeTree(besideExe(name));
    }
};

constexpr wchar_t kFree[] = L"mode:free";

// A path of exactly this many characters inside the folder, of components of at most 200 letters.
inline std::wstring pathOfLength(std::wstring path, size_t length) {
    while (path.size() < length) {
        const size_t left = length - path.size() - 1;  // a last component needs a letter besides its separator
        path += L"\\" + std::wstring(std::min<size_t>(left == 201 ? 199 : 200, left), L'a');
    }
    return path;
}

// The message of an image file that was not written.
inline std::wstring failed(const std::wstring& path) { return L"\"" + path + L"\"の作成に失敗しました。"; }

// A BMP file as long as one 40x30 capture; JPEG and PNG files that run to their end markers.
inline bool whole(const std::wstring& path) {
    const std::string data = readFile(path), end = path[path.size() - 3] == L'j' ? "\xFF\xD9" : "IEND\xAE\x42\x60\x82";
    if (path.substr(path.size() - 4) == L".bmp") return data.size() == 3654;
    return data.size() > end.size() && data.compare(data.size() - end.size(), end.size(), end) == 0;
}

// The executable's folder and the save folder are scratch folders; numbered, every format on; a
// 40x30 window to capture.
class Captures : public Glimra {
protected:
    void SetUp() override {
        Glimra::SetUp();
        copyText(exeFolder, kPathCapacity, (exe.path + L"\\").c_str());
        saveInto(save.path);
        Settings = settingsOf("JPEGPIC=1 PNGPIC=1 CONSTANT=1 USEBG=1");
    }
    static void saveInto(const std::wstring& folder) { copyText(saveFolder, kPathCapacity, folder.c_str()); }
    static void capture(HWND window, const wchar_t* mode = kFree) { captureAfterWait(window, mode, tellCaptureNotice); }
    // Captures into the folder: each file, in writing order, is whole, or reported by name and not
    // left cut short (a held file keeps its 3 bytes). Returns how many were reported.
    size_t captureInto(const std::wstring& folder, HWND window) {
        saveInto(folder);
        Boxes boxes;
        capture(window);
        std::vector<std::wstring> reported;
        for (const wchar_t* extension : {L".bmp", L".jpg", L".png"}) {
            const std::wstring number = Settings.CONSTANT ? std::to_wstring(Settings.sequenceCounter) : L"";
            const std::wstring path = folder + (folder.back() == L'\\' ? L"img" : L"\\img") + number + extension;
            if (!whole(path)) reported.push_back(failed(path));
            EXPECT_TRUE(whole(path) || !fs::is_regular_file(path) || fs::file_size(path) == 3) << "cut";
        }
        boxes.expect(reported, std::vector<LPCWSTR>(reported.size(), IDI_ERROR), mainWindow);
        return reported.size();
    }
    Scratch exe, save;
    ScopedWindow subject{CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 30, 30, 40, 30, 0, 0, 0, 0)};
};
