// The application shell's own rules: one copy per folder, the tray icon that may not be added, the message filter.
#include "support.h"

#include "app.h"
#include "folder_chooser.h"
#include "ids.h"

namespace {

std::wstring identityOf(const std::wstring& folder) {
    wchar_t name[kClaimNameCapacity] = {};
    folderIdentity(folder.c_str(), name);
    return name;
}
std::wstring upper(std::wstring text) { return CharUpperW(&text[0]), text; }

// The folder as Wine's Z: drive reaches it, through the unix file system's root; empty off Wine.
std::wstring unixSpelling(const std::wstring& path) {
    const std::string quoted = underWine() ? unixPath(path) : "";
    std::wstring spelt = quoted.empty() ? L"" : L"Z:" + wide(quoted.substr(1, quoted.size() - 2));
    std::replace(spelt.begin(), spelt.end(), L'/', L'\\');
    return spelt;
}

// Answers the second start's message as a running main window does.
int secondStartsSeen;
LRESULT CALLBACK runningCopyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != 0 && message == secondStartMessage()) return ++secondStartsSeen, TRUE;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

using AppShell = Glimra;

// "メモを保存する" asks first. A memo whose bytes cannot fit memo.txt says so before the failure, since
// no retry can store it; a memo that fails for a file held elsewhere gets the failure alone. Each row
// starts from memo.txt holding "kept".
TEST_F(AppShell, SavingTheMemoFromTheMenuTellsAMemoTooLongForItsFileBeforeTheFailure) {
    const ScopedWindow host(CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 99, 99, nullptr, nullptr, nullptr, nullptr));
    const HWND memo = CreateWindowW(L"EDIT", L"", WS_CHILD | ES_MULTILINE | ES_AUTOHSCROLL, 0, 0, 90, 90, host.get(),
                                    HMENU(IDC_MEMO), nullptr, nullptr);
    panel = host.get();
    const struct NoPanelAfter { ~NoPanelAfter() { panel = nullptr; } } noPanelAfter;
    std::wstring tooLong;  // 1,036,000 bytes in UTF-8, the only form that holds the euro sign; lines, for the edit
    for (int line = 0; line < 3500; ++line) tooLong += std::wstring(98, L'€') + L"\r\n";
    const std::wstring question = L"保存してもよろしいですか？", failed = L"保存に失敗しました。";
    const LPCWSTR ask = IDI_QUESTION, error = IDI_ERROR;
    const struct { const char* what; std::wstring typed; int answer; bool held; Names messages;
                   std::vector<LPCWSTR> icons; std::string file; } rows[] = {
        {.what = "stored", .typed = L"menu memo", .answer = IDYES, .held = false,
         .messages = {question, L"保存しました。"}, .icons = {ask, IDI_INFORMATION}, .file = "menu memo"},
        {.what = "too long for its file", .typed = tooLong, .answer = IDYES, .held = false,
         .messages = {question, L"ファイルサイズが許容限界をオーバーしています。", failed}, .icons = {ask, error, error},
         .file = "kept"},
        {.what = "held by another program", .typed = L"held", .answer = IDYES, .held = true,
         .messages = {question, failed}, .icons = {ask, error}, .file = "kept"},
        {.what = "answered No", .typed = L"not stored", .answer = IDNO, .held = false, .messages = {question},
         .icons = {ask}, .file = "kept"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(writeFile(kMemoFile, "kept"));
        SetWindowTextW(memo, row.typed.c_str());
        ScopedFile held = row.held ? hold(kMemoFile) : ScopedFile();
        Boxes boxes;
        boxes.questionAnswer = row.answer;
        handleCommand(mainWindow, IDM_SAVE_MEMO, 0);
        held.reset();
        boxes.expect(row.messages, row.icons, mainWindow);
        EXPECT_EQ(row.file, readFile(kMemoFile));
    }
}

// A folder that cannot be opened is named by its path, whose case does not count.
TEST_F(AppShell, FolderIdentityIsTheSameForEverySpellingOfOneFolderAndAnotherForAnyOther) {
    Scratch one, other;
    ASSERT_TRUE(fs::create_directory(one / L"sub"));
    const std::wstring first = identityOf(one.path), missing = identityOf(one / L"missing");
    // "Glimra3-" and the serial number and file index, or the path's hash
    EXPECT_TRUE(first.size() == 32 && missing.size() == 24 && first.find(L"Glimra3-") == 0) << utf8(first + missing);
    const struct { std::wstring folder, identity; bool same; } rows[] = {
        {one.path + L"\\", first, true},         {upper(one.path), first, true},
        {one / L"sub\\..", first, true},         {unixSpelling(one.path), first, true},
        {other.path, first, false},              {one / L"sub", first, false},
        {upper(one / L"missing"), missing, true}, {one / L"missing2", missing, false}};
    for (const auto& row : rows) {
        if (row.folder.empty()) continue;  // no unix spelling off Wine
        SCOPED_TRACE(utf8(row.folder));
        EXPECT_EQ(row.same, identityOf(row.folder) == row.identity);
    }
}

// A claim another user's or an elevated copy holds cannot be opened: it counts as running and is
// brought forward; once it is gone the claim is this copy's, and its messages pass the filter.
TEST_F(AppShell, AClaimThatCannotBeOpenedCountsAsARunningCopyAndIsHandedOver) {
    SECURITY_DESCRIPTOR noAccess = {};
    ACL empty = {};
    InitializeSecurityDescriptor(&noAccess, SECURITY_DESCRIPTOR_REVISION);
    InitializeAcl(&empty, sizeof(empty), ACL_REVISION);
    SetSecurityDescriptorDacl(&noAccess, TRUE, &empty, FALSE);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &noAccess, FALSE};
    ScopedHandle held(CreateMutexW(&attributes, FALSE, (L"Local\\" + identityOf(exeFolder)).c_str()));
    ASSERT_TRUE(held);
    const wchar_t className[] = L"GlimraRunningCopy";
    const WNDCLASSW windowClass = {0, runningCopyProc, 0, 0, GetModuleHandleW(nullptr), 0, 0, 0, 0, className};
    RegisterClassW(&windowClass);
    copyText(classNameText, kStringCapacity, className);
    const ScopedWindow running(CreateWindowW(className, L"", WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0));
    secondStartsSeen = 0;
    ScopedHandle claim;
    EXPECT_FALSE(claimStateFolder(&claim) || claim);
    EXPECT_EQ(1, secondStartsSeen);
    held.reset();
    EXPECT_TRUE(claimStateFolder(&claim) && claim);
    EXPECT_EQ(1, secondStartsSeen);
    // Only Windows filters by integrity level; Wine's filter lets both through, and without one nothing is asked.
    const bool filtered = GetProcAddress(GetModuleHandleW(L"user32"), "ChangeWindowMessageFilterEx") != nullptr;
    EXPECT_EQ(filtered ? 2 : 0, allowMessagesFromOtherLevels(running.get()));
}

// An icon the taskbar refuses (one there already: both systems refuse a second) leaves the window minimized.
TEST_F(AppShell, HidingToTheTrayMinimizesInsteadWhenTheIconCannotBeAdded) {
    const ScopedWindow window(CreateWindowW(L"STATIC", L"tray", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 100,
                                            0, 0, 0, 0));
    prepareTrayIcon(IDI_GLIMRA, window.get(), 0, L"tray", GetModuleHandleW(nullptr));
    NOTIFYICONDATAW taken = {};
    taken.cbSize = sizeof(taken);
    taken.hWnd = window.get();
    taken.uFlags = NIF_ICON;
    taken.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    ASSERT_TRUE(Shell_NotifyIconW(NIM_ADD, &taken)) << "no taskbar to add icons to";
    hideToTray(window.get());
    EXPECT_TRUE(IsWindowVisible(window.get()) && IsIconic(window.get()) && !hiddenInTray()) << "hidden with no icon";
    ShowWindow(window.get(), SW_RESTORE);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &taken));
    hideToTray(window.get());
    EXPECT_TRUE(!IsWindowVisible(window.get()) && hiddenInTray());
    showFromTray();
}
