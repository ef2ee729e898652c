// Shell services and the folder chooser: shortcut files read back through the shell, the codes of
// the document opener, and the shell's folder dialog driven in-process.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <set>
#include <string>

#include "app.h"
#include "ids.h"
#include "process_state.h"
#include "scoped.h"
#include "dialog_script.h"
#include "folder_chooser.h"
#include "sequence_dialog.h"
#include "shell_services.h"
#include "window_picker.h"
#include "message_boxes.h"
#include "scratch.h"

// From the end-to-end driver's support: Wine's folder chooser finds a folder by ids that hold
// its last-access time, so folders are read before a chooser is opened on them.
void readFoldersOnTheWay(const std::wstring& path);

namespace {

struct LinkContents {
    bool loaded = false;
    std::wstring path;
    std::wstring description;
    std::wstring arguments;
    std::wstring workingDirectory;
    int showCommand = 0;
    WORD hotkey = 0;
};

LinkContents readLink(const std::wstring& linkPath) {
    LinkContents contents;
    ScopedCoInitialize com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid())) ||
        FAILED(file->Load(linkPath.c_str(), STGM_READ))) {
        return contents;
    }
    contents.loaded = true;
    wchar_t text[MAX_PATH] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    contents.path = text;
    text[0] = L'\0';
    link->GetDescription(text, MAX_PATH);
    contents.description = text;
    text[0] = L'\0';
    link->GetArguments(text, MAX_PATH);
    contents.arguments = text;
    text[0] = L'\0';
    link->GetWorkingDirectory(text, MAX_PATH);
    contents.workingDirectory = text;
    link->GetShowCmd(&contents.showCommand);
    link->GetHotkey(&contents.hotkey);
    return contents;
}

std::set<DWORD> notepadProcesses() {
    std::set<DWORD> ids;
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        return ids;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, L"notepad.exe") == 0) {
            ids.insert(entry.th32ProcessID);
        }
    }
    return ids;
}

// Ends the editor the shell started for the test, waiting a bounded while for it to appear.
void closeNewNotepads(const std::set<DWORD>& before) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        bool found = false;
        for (DWORD id : notepadProcesses()) {
            if (before.count(id)) {
                continue;
            }
            ScopedHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
            if (process) {
                TerminateProcess(process.get(), 0);
                found = true;
            }
        }
        if (found) {
            return;
        }
        Sleep(100);
    }
}

bool hasChildText(HWND dialog, const std::wstring& wanted) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[256] = {};
        GetWindowTextW(child, text, 256);
        if (wanted == text) {
            return true;
        }
    }
    return false;
}

class ShellServices : public ::testing::Test {
protected:
    void SetUp() override {
        startProcess(GetModuleHandleW(nullptr));
    }
};

}  // namespace

TEST_F(ShellServices, DesktopLinkIsTheDesktopFolderAndTheShortcutName) {
    wchar_t desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOP, TRUE));
    wchar_t linkPath[kPathCapacity] = {};
    desktopLinkPath(linkPath);
    EXPECT_EQ(std::wstring(desktop) + L"\\Glimra3.lnk", linkPath);
}

TEST_F(ShellServices, ShortcutPointsAtTheProgramWithNothingElseSet) {
    ScratchFolder scratch;
    std::wstring linkPath = scratch.file(L"Glimra3.lnk");
    ASSERT_EQ(std::wstring(exeFolder) + L"Glimra3.exe", std::wstring(shortcutTarget));

    EXPECT_EQ(1, createShortcut(linkPath.c_str()));

    LinkContents link = readLink(linkPath);
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(std::wstring(shortcutTarget), link.path);
    EXPECT_EQ(L"", link.description);
    EXPECT_EQ(L"", link.arguments);
    EXPECT_EQ(L"", link.workingDirectory);
    EXPECT_EQ(SW_SHOWNORMAL, link.showCommand);
    EXPECT_EQ(0, link.hotkey);
}

TEST_F(ShellServices, ShortcutReplacesAFileButFailsCleanlyWhereItCannotBeWritten) {
    ScratchFolder scratch;
    CreateDirectoryW(scratch.file(L"folder.lnk").c_str(), nullptr);
    writeBytes(scratch.file(L"old.lnk"), "an older file of that name");
    struct Case {
        const char* name;
        std::wstring path;
        int result;
    };
    const Case cases[] = {
        {"existing file replaced", scratch.file(L"old.lnk"), 1},
        {"missing folder", scratch.file(L"missing\\Glimra3.lnk"), 0},
        {"a folder in the way", scratch.file(L"folder.lnk"), 0},
        {"empty path", L"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result, createShortcut(c.path.c_str()));
        if (c.result == 1) {
            EXPECT_EQ(std::string("L\0\0\0", 4), readBytes(c.path).substr(0, 4));
            EXPECT_EQ(std::wstring(shortcutTarget), readLink(c.path).path);
        }
    }
    EXPECT_FALSE(fileExists(scratch.file(L"missing")));
    DWORD attributes = GetFileAttributesW(scratch.file(L"folder.lnk").c_str());
    EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Success and the errors without a code of their own both give 100; whatever editor the shell
// starts is closed again.
TEST_F(ShellServices, DocumentOpenerSortsTheShellsAnswer) {
    ScratchFolder scratch;
    writeBytes(scratch.file(L"readme.txt"), "Glimra\r\n");
    writeBytes(scratch.file(L"data.glimra-unknown"), "x");
    wchar_t notepad[MAX_PATH] = {};
    GetSystemDirectoryW(notepad, MAX_PATH);
    std::wstring editor = std::wstring(notepad) + L"\\notepad.exe";
    wchar_t command[MAX_PATH] = {};
    DWORD commandLength = MAX_PATH;
    bool textHasEditor = SUCCEEDED(AssocQueryStringW(0, ASSOCSTR_COMMAND, L".txt", L"open", command, &commandLength));

    EXPECT_EQ(kOpenFileNotFound, openDocument(scratch.file(L"missing.txt").c_str(), nullptr));
    EXPECT_EQ(kOpenOther, openDocument(scratch.file(L"data.glimra-unknown").c_str(), nullptr));

    std::set<DWORD> before = notepadProcesses();
    EXPECT_EQ(kOpenOther, openDocument(scratch.file(L"readme.txt").c_str(), nullptr));
    if (textHasEditor) {
        closeNewNotepads(before);
    }
    ASSERT_TRUE(fileExists(editor));
    EXPECT_EQ(kOpenOther, openDocument(editor.c_str(), nullptr));
    closeNewNotepads(before);
}

TEST_F(ShellServices, FolderChooserOpensOnTheGivenFolderAndGivesBackTheConfirmedPath) {
    ScratchFolder scratch;
    std::wstring initial = scratch.file(L"Initial");
    std::wstring chosen = scratch.file(L"Chosen");
    CreateDirectoryW(initial.c_str(), nullptr);
    CreateDirectoryW(chosen.c_str(), nullptr);
    struct Case {
        const char* name;
        std::wstring select;  // empty: keep the initial folder
        int button;
        std::wstring result;
    };
    const Case cases[] = {
        {"initial folder confirmed", L"", IDOK, initial},
        {"other folder confirmed, no backslash added", chosen, IDOK, chosen},
        {"drive root keeps its backslash", L"C:\\", IDOK, L"C:\\"},
        {"Cancel leaves the buffer as it was", chosen, IDCANCEL, L"as it was"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxRecorder recorder;
        std::wstring selectedAtStart;
        bool titleShown = false;
        DialogScript script(folderDialog(), {[&](HWND dialog) {
                                selectedAtStart = selectedFolderName(dialog);
                                titleShown = hasChildText(dialog, L"フォルダを選択してください。");
                                if (!c.select.empty()) {
                                    LPARAM path = reinterpret_cast<LPARAM>(c.select.c_str());
                                    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, path);
                                }
                                pressButton(dialog, c.button);
                            }});
        wchar_t result[kPathCapacity] = L"as it was";
        readFoldersOnTheWay(initial);
        readFoldersOnTheWay(chosen);

        browseForFolder(result, nullptr, initial.c_str());

        EXPECT_EQ(1, script.stepsRun());
        EXPECT_EQ(L"Initial", selectedAtStart);
        EXPECT_TRUE(titleShown);
        EXPECT_EQ(c.result, result);
        EXPECT_TRUE(recorder.boxes().empty());
    }
}
