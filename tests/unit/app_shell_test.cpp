// The application shell's own rules: the one copy per folder, the tray icon that may not be added,
// the messages let through to an elevated window.
#include "support.h"

#include <cwctype>

#include "app.h"
#include "ids.h"

namespace {

std::wstring identityOf(const std::wstring& folder) {
    wchar_t name[kClaimNameCapacity] = {};
    folderIdentity(folder.c_str(), name);
    return name;
}

// The folder as Wine's Z: drive reaches it, through the unix file system's root.
std::wstring unixSpelling(const std::wstring& path) {
    const auto toUnix = reinterpret_cast<char*(CDECL*)(const wchar_t*)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* name = toUnix ? toUnix(path.c_str()) : nullptr;
    if (!name) return L"";
    std::wstring spelt = L"Z:" + wide(name);
    HeapFree(GetProcessHeap(), 0, name);
    std::replace(spelt.begin(), spelt.end(), L'/', L'\\');
    return spelt;
}

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// Answers the second start's message as a running main window does.
int secondStartsSeen;
LRESULT CALLBACK runningCopyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != 0 && message == secondStartMessage()) return ++secondStartsSeen, TRUE;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

using AppShell = Glimra;

// Each spelling of a folder, by another path to it, names it as the first; another folder never.
// A folder that cannot be opened is named by its path, whose case does not count.
TEST_F(AppShell, FolderIdentityIsTheSameForEverySpellingOfOneFolderAndAnotherForAnyOther) {
    Scratch one, other;
    ASSERT_TRUE(fs::create_directory(one / L"sub"));
    const std::wstring first = identityOf(one.path);
    EXPECT_EQ(32u, first.size()) << utf8(first);  // "Glimra3-", serial number and file index
    EXPECT_EQ(0u, first.find(L"Glimra3-"));
    const struct { std::wstring folder; bool same; } rows[] = {
        {one.path + L"\\", true},
        {upper(one.path), true},
        {one / L"sub\\..", true},
        {unixSpelling(one.path), true},
        {other.path, false},
        {one / L"sub", false},
    };
    for (const auto& row : rows) {
        if (row.folder.empty()) continue;  // no unix spelling off Wine
        SCOPED_TRACE(utf8(row.folder));
        EXPECT_EQ(row.same, identityOf(row.folder) == first);
    }
    const std::wstring missing = identityOf(one / L"missing");
    EXPECT_EQ(24u, missing.size()) << utf8(missing);  // "Glimra3-" and the path's hash
    EXPECT_EQ(missing, identityOf(upper(one / L"missing")));
    EXPECT_NE(missing, identityOf(one / L"missing2"));
}

// A claim another user's or an elevated copy holds cannot be opened: it counts as running, is
// brought forward, and this copy does not run; once it is gone the claim is this copy's.
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
    EXPECT_FALSE(claimStateFolder(&claim));
    EXPECT_FALSE(claim);
    EXPECT_EQ(1, secondStartsSeen);

    held.reset();
    EXPECT_TRUE(claimStateFolder(&claim));
    EXPECT_TRUE(claim);
    EXPECT_EQ(1, secondStartsSeen);
}

// Only Windows filters messages by integrity level; under Wine the filter exists and lets both
// through, and where it is missing nothing is asked of it.
TEST_F(AppShell, TheTaskbarsAndTheSecondStartsMessagesAreLetThroughToAnElevatedWindow) {
    ScopedHandle claim;
    ASSERT_TRUE(claimStateFolder(&claim));
    const ScopedWindow window(CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, 0, 0, 0, 0));
    const bool filtered = GetProcAddress(GetModuleHandleW(L"user32"), "ChangeWindowMessageFilterEx") != nullptr;
    EXPECT_EQ(filtered ? 2 : 0, allowMessagesFromOtherLevels(window.get()));
}

// An icon the taskbar refuses (here one that is there already, as Windows and Wine both refuse a
// second one) leaves the window minimized on the taskbar, never hidden with no way back.
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
    EXPECT_TRUE(IsWindowVisible(window.get()) && IsIconic(window.get())) << "hidden with no icon";
    EXPECT_FALSE(hiddenInTray());

    ShowWindow(window.get(), SW_RESTORE);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &taken));
    hideToTray(window.get());
    EXPECT_FALSE(IsWindowVisible(window.get()));
    EXPECT_TRUE(hiddenInTray());
    showFromTray();
    EXPECT_TRUE(IsWindowVisible(window.get()) && !IsIconic(window.get()));
    EXPECT_FALSE(hiddenInTray());
    EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &taken)) << "the icon stayed";
}
