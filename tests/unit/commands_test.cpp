// The menu commands: what each one tells the user, in which order and with which icon, and what
// it leaves on disk and in the program's state.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app.h"
#include "ids.h"
#include "process_state.h"
#include "text.h"
#include "ui.h"
#include "dialog_script.h"
#include "folder_chooser.h"
#include "sequence_dialog.h"
#include "shell_services.h"
#include "window_picker.h"
#include "message_boxes.h"
#include "scratch.h"
#include "memo_file.h"
#include "save_folder.h"
#include "settings.h"

// From the end-to-end driver's support: Wine's folder chooser finds a folder by ids that hold
// its last-access time, so folders are read before a chooser is opened on them.
void readFoldersOnTheWay(const std::wstring& path);

namespace {

const std::wstring kTitle = L"Glimra Ver 3.00";

struct ExpectedBox {
    std::wstring text;
    BoxIcon icon;
    size_t buttons;
    std::wstring caption = kTitle;
};

void expectBoxes(const MessageBoxRecorder& recorder, const std::vector<ExpectedBox>& expected) {
    const std::vector<RecordedBox>& boxes = recorder.boxes();
    ASSERT_EQ(expected.size(), boxes.size()) << "first text: " << (boxes.empty() ? "" : narrow(boxes[0].text));
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("box " + std::to_string(i));
        EXPECT_EQ(expected[i].text, boxes[i].text);
        EXPECT_EQ(expected[i].caption, boxes[i].caption);
        EXPECT_EQ(expected[i].icon, boxes[i].icon);
        EXPECT_EQ(expected[i].buttons, boxes[i].buttons.size());
        EXPECT_EQ(mainWindow, boxes[i].owner);
    }
}

std::wstring besideExe(const wchar_t* name) {
    wchar_t path[kPathCapacity] = {};
    exeRelativePath(path, name);
    return path;
}

std::wstring desktopLink() {
    wchar_t desktop[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOP, TRUE);
    return std::wstring(desktop) + L"\\Glimra3.lnk";
}

void removeDesktopLink() {
    DeleteFileW(desktopLink().c_str());
    RemoveDirectoryW(desktopLink().c_str());
}

// A file beside the test executable that a command writes, put back as it was afterwards.
class FileBesideExe {
public:
    explicit FileBesideExe(const wchar_t* name) : path_(besideExe(name)), existed_(fileExists(path_)) {
        if (existed_) {
            bytes_ = readBytes(path_);
        }
    }
    ~FileBesideExe() {
        RemoveDirectoryW(path_.c_str());
        if (existed_) {
            writeBytes(path_, bytes_);
        } else {
            DeleteFileW(path_.c_str());
        }
    }
    FileBesideExe(const FileBesideExe&) = delete;
    FileBesideExe& operator=(const FileBesideExe&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    bool existed_;
    std::string bytes_;
};

class MenuCommands : public ::testing::Test {
protected:
    void SetUp() override {
        startProcess(GetModuleHandleW(nullptr));
        saved_.mainWindow = mainWindow;
        saved_.panel = panel;
        saved_.settings = Settings;
        copyText(saved_.exeFolder, kPathCapacity, exeFolder);
        copyText(saved_.saveFolder, kPathCapacity, saveFolder);
        mainWindow = main_.get();
        panel = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PANEL), mainWindow,
                                   panelDialogProc, 0);
    }
    void TearDown() override {
        if (IsWindow(panel)) {
            DestroyWindow(panel);
        }
        mainWindow = saved_.mainWindow;
        panel = saved_.panel;
        Settings = saved_.settings;
        copyText(exeFolder, kPathCapacity, saved_.exeFolder);
        copyText(saveFolder, kPathCapacity, saved_.saveFolder);
    }

    static LRESULT command(int id, int notification = 0) {
        return handleCommand(mainWindow, MAKEWPARAM(id, notification), 0);
    }

    TestWindow main_{kTitle};

private:
    struct {
        HWND mainWindow;
        HWND panel;
        SettingsRecord settings;
        wchar_t exeFolder[kPathCapacity];
        wchar_t saveFolder[kPathCapacity];
    } saved_ = {};
};

}  // namespace

TEST_F(MenuCommands, ResetFolderCreatesTheImageFolderWhenMissingAndAlwaysSaysSo) {
    ScratchFolder scratch;
    std::wstring folder = scratch.path() + L"\\";
    std::wstring image = folder + L"image\\";
    std::wstring tooLong = L"C:\\" + std::wstring(490, L'x') + L"\\";
    struct Case {
        const char* name;
        std::wstring exeFolder;
        bool imageExists;
        std::wstring saveFolderAfter;
        std::vector<ExpectedBox> boxes;
    };
    const Case cases[] = {
        {"image folder missing",
         folder,
         false,
         image,
         {{image + L"が存在しなかったため、新たに作成しました。", BoxIcon::Information, 1},
          {L"保存先を初期化しました。", BoxIcon::Information, 1}}},
        {"image folder present", folder, true, image, {{L"保存先を初期化しました。", BoxIcon::Information, 1}}},
        {"folder path too long to hold", tooLong, false, L"D:\\kept", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveDirectoryW(image.c_str());
        if (c.imageExists) {
            CreateDirectoryW(image.c_str(), nullptr);
        }
        copyText(exeFolder, kPathCapacity, c.exeFolder.c_str());
        copyText(saveFolder, kPathCapacity, L"D:\\kept");
        MessageBoxRecorder recorder;

        EXPECT_EQ(0, command(IDM_RESET_FOLDER));

        expectBoxes(recorder, c.boxes);
        EXPECT_EQ(c.saveFolderAfter, saveFolder);
        EXPECT_EQ(c.saveFolderAfter == image, fileExists(image));
    }
}

TEST_F(MenuCommands, GreyedAndForeignIdsChangeNothing) {
    const int ids[] = {IDM_NEW_FOLDER, IDM_JPEG_QUALITY, IDM_START_MENU_ADD, IDM_START_MENU_REMOVE,
                       IDM_ACCEL_ALT_S, IDC_CAPTURE_SCREEN, IDC_MEMO};
    for (int id : ids) {
        SCOPED_TRACE(id);
        copyText(saveFolder, kPathCapacity, L"D:\\kept");
        Settings.sequenceCounter = 42;
        MessageBoxRecorder recorder;
        EXPECT_EQ(0, command(id));
        EXPECT_TRUE(recorder.boxes().empty());
        EXPECT_EQ(std::wstring(L"D:\\kept"), saveFolder);
        EXPECT_EQ(42, Settings.sequenceCounter);
    }
}

TEST_F(MenuCommands, SequenceResetSaysSoWhateverTheNotificationCode) {
    Settings.sequenceCounter = 42;
    MessageBoxRecorder recorder;
    EXPECT_EQ(0, command(IDM_RESET_SEQUENCE, BN_CLICKED));
    EXPECT_EQ(0, Settings.sequenceCounter);
    expectBoxes(recorder, {{L"リセットしました。", BoxIcon::Information, 1}});
}

TEST_F(MenuCommands, MemoIsSavedOnlyAfterYesAndEvenWhenUnchanged) {
    FileBesideExe memoFile(L"memo.txt");
    const std::wstring question = L"保存してもよろしいですか？";
    struct Case {
        const char* name;
        int answer;
        bool fileBlocked;  // a folder stands where the memo file goes
        std::string bytesAfter;
        std::vector<ExpectedBox> boxes;
    };
    const Case cases[] = {
        {"No", IDNO, false, "", {{question, BoxIcon::Question, 2}}},
        {"Yes", IDYES, false, "first line\r\nsecond line",
         {{question, BoxIcon::Question, 2}, {L"保存しました。", BoxIcon::Information, 1}}},
        {"Yes but the file cannot be written", IDYES, true, "",
         {{question, BoxIcon::Question, 2}, {L"保存に失敗しました。", BoxIcon::Error, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(memoFile.path().c_str());
        RemoveDirectoryW(memoFile.path().c_str());
        if (c.fileBlocked) {
            CreateDirectoryW(memoFile.path().c_str(), nullptr);
        }
        SetDlgItemTextW(panel, IDC_MEMO, L"first line\r\nsecond line");
        takeMemoFromPanel();
        rememberMemoAsStored();
        MessageBoxRecorder recorder({c.answer});

        EXPECT_EQ(0, command(IDM_SAVE_MEMO));

        expectBoxes(recorder, c.boxes);
        EXPECT_EQ(c.bytesAfter, readBytes(memoFile.path()));
    }
}

TEST_F(MenuCommands, DesktopShortcutIsCreatedAndRemovedOnlyAfterYes) {
    removeDesktopLink();
    {
        SCOPED_TRACE("create");
        MessageBoxRecorder recorder;
        EXPECT_EQ(0, command(IDM_DESKTOP_SHORTCUT));
        expectBoxes(recorder, {{L"ショートカットの作成に成功しました。", BoxIcon::Information, 1}});
        EXPECT_TRUE(fileExists(desktopLink()));
    }
    const std::wstring ask = L"Glimra3.lnkを削除してもよろしいですか？";
    struct Case {
        const char* name;
        enum { None, Link, Folder } onDesktop;
        int answer;
        bool existsAfter;
        std::vector<ExpectedBox> boxes;
    };
    const Case cases[] = {
        {"no shortcut", Case::None, IDYES, false,
         {{L"Glimra3.lnkが存在しません。\n既に削除されている可能性があります。", BoxIcon::Information, 1}}},
        {"No keeps it", Case::Link, IDNO, true, {{ask, BoxIcon::Information, 2}}},
        {"Yes deletes it", Case::Link, IDYES, false,
         {{ask, BoxIcon::Information, 2}, {L"削除に成功しました。", BoxIcon::Information, 1}}},
        {"a folder of that name cannot be deleted", Case::Folder, IDYES, true,
         {{ask, BoxIcon::Information, 2}, {L"削除に失敗しました。", BoxIcon::Error, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        removeDesktopLink();
        if (c.onDesktop == Case::Link) {
            ASSERT_EQ(1, createShortcut(desktopLink().c_str()));
        } else if (c.onDesktop == Case::Folder) {
            CreateDirectoryW(desktopLink().c_str(), nullptr);
        }
        MessageBoxRecorder recorder({c.answer});

        EXPECT_EQ(0, command(IDM_DESKTOP_SHORTCUT_REMOVE));

        expectBoxes(recorder, c.boxes);
        EXPECT_EQ(c.existsAfter, fileExists(desktopLink()));
    }
    removeDesktopLink();
}

// The folder dialog is driven in-process: the chosen folder is selected by path, then confirmed.
TEST_F(MenuCommands, ChosenSaveFolderIsTakenExactlyAndCancelKeepsTheOldOne) {
    ScratchFolder scratch;
    std::wstring current = scratch.file(L"Current");
    std::wstring chosen = scratch.file(L"Chosen");
    CreateDirectoryW(current.c_str(), nullptr);
    CreateDirectoryW(chosen.c_str(), nullptr);
    struct Case {
        const char* name;
        std::wstring select;
        int button;
        std::wstring saveFolderAfter;
    };
    const Case cases[] = {
        {"folder chosen", chosen, IDOK, chosen},
        {"drive root chosen", L"C:\\", IDOK, L"C:\\"},
        {"cancelled", chosen, IDCANCEL, current},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        copyText(saveFolder, kPathCapacity, current.c_str());
        std::wstring selectedAtStart;
        MessageBoxRecorder recorder;
        DialogScript script(folderDialog(), {[&](HWND dialog) {
                                selectedAtStart = selectedFolderName(dialog);
                                LPARAM path = reinterpret_cast<LPARAM>(c.select.c_str());
                                SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, path);
                                pressButton(dialog, c.button);
                            }});

        readFoldersOnTheWay(current);
        readFoldersOnTheWay(chosen);
        EXPECT_EQ(0, command(IDM_CHANGE_FOLDER));

        EXPECT_EQ(1, script.stepsRun());
        EXPECT_EQ(L"Current", selectedAtStart);
        EXPECT_EQ(c.saveFolderAfter, saveFolder);
        EXPECT_TRUE(recorder.boxes().empty());
    }
}

TEST_F(MenuCommands, ShortcutInAChosenFolderShowsItsPathThenReportsOnlySuccess) {
    ScratchFolder scratch;
    std::wstring links = scratch.file(L"Links");
    std::wstring blocked = scratch.file(L"Blocked");
    CreateDirectoryW(links.c_str(), nullptr);
    CreateDirectoryW(blocked.c_str(), nullptr);
    CreateDirectoryW((blocked + L"\\Glimra3.lnk").c_str(), nullptr);
    copyText(exeFolder, kPathCapacity, (scratch.path() + L"\\").c_str());
    std::wstring linkPath = links + L"\\Glimra3.lnk";
    std::wstring blockedPath = blocked + L"\\Glimra3.lnk";
    struct Case {
        const char* name;
        std::wstring select;
        int button;
        bool linkAfter;
        std::vector<ExpectedBox> boxes;
    };
    const Case cases[] = {
        {"created",
         links,
         IDOK,
         true,
         {{linkPath, BoxIcon::Information, 1, L"テスト"},
          {L"ショートカットの作成に成功しました。", BoxIcon::Information, 1}}},
        {"creation fails silently", blocked, IDOK, false, {{blockedPath, BoxIcon::Information, 1, L"テスト"}}},
        {"drive root gets a second backslash and is still tried",
         L"C:\\",
         IDOK,
         false,
         {{L"C:\\\\Glimra3.lnk", BoxIcon::Information, 1, L"テスト"},
          {L"ショートカットの作成に成功しました。", BoxIcon::Information, 1}}},
        {"cancelled", links, IDCANCEL, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(linkPath.c_str());
        MessageBoxRecorder recorder;
        DialogScript script(folderDialog(), {[&](HWND dialog) {
                                LPARAM path = reinterpret_cast<LPARAM>(c.select.c_str());
                                SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, path);
                                pressButton(dialog, c.button);
                            }});

        readFoldersOnTheWay(scratch.path());
        readFoldersOnTheWay(links);
        readFoldersOnTheWay(blocked);
        EXPECT_EQ(0, command(IDM_FOLDER_SHORTCUT));

        expectBoxes(recorder, c.boxes);
        EXPECT_EQ(c.linkAfter, fileExists(linkPath));
    }
    EXPECT_TRUE(DeleteFileW(L"C:\\Glimra3.lnk"));
}

TEST_F(MenuCommands, ReadmeMissingIsReportedWithAWarning) {
    FileBesideExe readme(L"readme.txt");
    DeleteFileW(readme.path().c_str());
    MessageBoxRecorder recorder;
    EXPECT_EQ(0, command(IDM_README));
    expectBoxes(recorder, {{L"ファイルが見つかりません。", BoxIcon::Warning, 1}});
}

TEST_F(MenuCommands, AboutBoxShowsTitleAndCreditUnderItsOwnCaptionAndIcon) {
    MessageBoxRecorder recorder;
    EXPECT_EQ(0, command(IDM_ABOUT));
    expectBoxes(recorder, {{L"Glimra Ver 3.00\n\nGlimra Project\n\nhttps://glimra.example/", BoxIcon::Other, 1,
                            L"バージョン情報"}});
}

// Quit ends without a question and without hiding, even with the tray box ticked and the
// confirmation wanted; the save-folder file is written on the way.
TEST_F(MenuCommands, QuitEndsAtOnceThroughTheExitRoutine) {
    FileBesideExe folderFile(L"dirInfo.dat");
    DeleteFileW(folderFile.path().c_str());
    TestWindow throwaway(kTitle);
    mainWindow = throwaway.get();
    DestroyWindow(panel);
    panel = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PANEL), mainWindow, panelDialogProc, 0);
    SendDlgItemMessageW(panel, IDC_ISTASK, BM_SETCHECK, BST_CHECKED, 0);
    SendDlgItemMessageW(panel, IDC_NONEDIALOG, BM_SETCHECK, BST_UNCHECKED, 0);
    SendDlgItemMessageW(panel, IDC_SAVEINI, BM_SETCHECK, BST_UNCHECKED, 0);
    Settings.ASMEMO = 0;
    copyText(saveFolder, kPathCapacity, L"D:\\saved");
    MessageBoxRecorder recorder;

    EXPECT_EQ(0, command(IDM_QUIT));

    EXPECT_TRUE(recorder.boxes().empty());
    EXPECT_FALSE(IsWindow(throwaway.get()));
    EXPECT_FALSE(IsWindow(panel));
    MSG quit = {};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, quit.wParam);
    EXPECT_TRUE(fileExists(folderFile.path()));
}
