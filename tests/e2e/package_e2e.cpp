// The program as it is handed out: the unpacked release run once in its own folder (from
// tests/package/package_test.sh), and the readme beside it opened from the menu.
#include <gtest/gtest.h>

#include <cstdlib>

#include "driver.h"
#include "driver_screen.h"
#include "e2e_extra.h"
#include "e2e_files.h"
#include "resources/ids.h"

namespace {

struct FoundWindow {
    HWND window = nullptr;
    DWORD processId = 0;
};

// A visible top-level window of another program than Glimra whose title names the readme.
FoundWindow findReadmeWindow(DWORD glimraProcess) {
    FoundWindow found;
    for (HWND window = GetTopWindow(nullptr); window && !found.window; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        std::wstring title = windowText(window);
        CharLowerBuffW(&title[0], static_cast<DWORD>(title.size()));
        if (owner != GetCurrentProcessId() && owner != glimraProcess && IsWindowVisible(window) &&
            title.find(L"readme") != std::wstring::npos) {
            found = {window, owner};
        }
    }
    return found;
}

std::wstring fromUtf8(const std::string& bytes) {
    std::string text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::wstring imageName(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    wchar_t name[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (process) {
        QueryFullProcessImageNameW(process, 0, name, &size);
        CloseHandle(process);
    }
    std::wstring path = CharLowerW(name);
    return path.substr(path.find_last_of(L'\\') + 1);
}

// Closed as the user would close it; ended when it will not go.
void closeProgram(const FoundWindow& found) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, found.processId);
    PostMessageW(found.window, WM_CLOSE, 0, 0);
    if (process && WaitForSingleObject(process, kWaitMs) == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, kWaitMs);
    }
    if (process) {
        CloseHandle(process);
    }
}

}  // namespace

TEST(Package, UnpackedProgramCapturesIntoItsOwnImageFolderAndStoresBesideItself) {
    const char* unpacked = std::getenv("GLIMRA_PACKAGE_DIR");
    if (!unpacked || !*unpacked) {
        GTEST_SKIP() << "GLIMRA_PACKAGE_DIR names no unpacked release";
    }
    const std::wstring folder = windowsPathFromUnix(unpacked) + L"\\";
    const std::wstring image = folder + L"image\\";
    FolderProcess glimra(folder);
    ASSERT_TRUE(glimra.waitUntilShown());
    glimra.press(IDC_CAPTURE_SCREEN);
    glimra.expectBoxes({information(image + L"が存在しなかったため、保存先を初期化します。"),
                        information(image + L"が存在しなかったため、新たに作成します。"),
                        information(L"保存先を初期化しました。")});
    ASSERT_TRUE(glimra.waitUntilShown());
    glimra.close();
    glimra.expectBoxes({question(L"終了しますか？", IDYES)});
    EXPECT_EQ(0u, glimra.waitForExit());

    EXPECT_EQ(settingsFileText(settingsWith({{"PICNUM", 1}})), readBytes(folder + L"glimra.ini"));
    EXPECT_EQ(utf16Bytes(image), readBytes(folder + L"dirInfo.dat"));
    EXPECT_EQ("", readBytes(folder + L"memo.txt"));
    Image capture;
    EXPECT_TRUE(readBmp24(readBytes(image + L"img1.bmp"), capture));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), capture.width);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), capture.height);
}

TEST(Readme, MenuOpensTheReadmeBesideTheProgramInNotepadWithoutAMessage) {
    ASSERT_FALSE(sourceFolder().empty()) << "the source folder was not given on the command line";
    GlimraRun run;
    const std::string readme = readBytes(windowsPathFromUnix(sourceFolder() + "/resources/readme.txt"));
    run.writeFile(L"readme.txt", readme);
    run.start();
    ASSERT_TRUE(run.waitUntilShown());
    run.menu(IDM_README);
    ASSERT_TRUE(run.waitUntilIdle());  // fails on any message box

    FoundWindow notepad;
    DWORD started = GetTickCount();
    while (!(notepad = findReadmeWindow(run.processId())).window && GetTickCount() - started < kWaitMs) {
        pumpMessages(50);
    }
    ASSERT_TRUE(notepad.window) << "no window shows the readme";
    EXPECT_EQ(L"notepad.exe", imageName(notepad.processId));
    EXPECT_TRUE(fromUtf8(readme) == windowText(FindWindowExW(notepad.window, nullptr, L"Edit", nullptr)))
        << "Notepad does not show the readme's text";
    closeProgram(notepad);
    run.setChecked(IDC_NONEDIALOG, true);
    run.close();
    EXPECT_EQ(0u, run.waitForExit());
}
