// One running copy per folder of state files: a second start of any executable in the folder that
// holds glimra.ini, dirInfo.dat and memo.txt, by any spelling of its path, hands over to the copy
// that runs and ends, since both would number their images from one counter and write over each
// other's files. Copies in other folders keep files of their own and run side by side.
#include "app.h"

#include <cstdint>
#include <cwchar>

#include "process_state.h"
#include "text.h"

namespace {

// How long a second start keeps trying: the running copy may still be starting, or busy for a
// capture's waits, which take no messages.
constexpr DWORD kHandOverBoundMs = 10000;
constexpr DWORD kHandOverPollMs = 100;
constexpr UINT kAnswerBoundMs = 5000;

const wchar_t kMutexNamespace[] = L"Local\\";

UINT secondStartMessageId;

// FNV-1a over the folder's path as the file system compares it: the long form, upper-cased, so
// that case and 8.3 names give the same hash. Other spellings (another drive letter, a link) do
// not: this serves only where the folder cannot be asked who it is.
uint64_t hashOfFolderPath(const wchar_t* folder) {
    wchar_t path[kPathCapacity] = {};
    DWORD length = GetLongPathNameW(folder, path, kPathCapacity);
    if (length == 0 || length >= static_cast<DWORD>(kPathCapacity)) {
        copyText(path, kPathCapacity, folder);
        length = static_cast<DWORD>(wcslen(path));
    }
    CharUpperBuffW(path, length);
    uint64_t hash = 14695981039346656037ULL;
    for (DWORD i = 0; i < length; ++i) {
        hash = (hash ^ path[i]) * 1099511628211ULL;
    }
    return hash;
}

// The volume's serial number and the folder's index on it name the folder whatever path reached
// it: a drive letter mapped onto it, the unix path under Wine, a junction.
bool askFolderIdentity(const wchar_t* folder, BY_HANDLE_FILE_INFORMATION* info) {
    // Only a handle opened for backup semantics can stand for a folder; it asks for no access.
    const ScopedFile handle(CreateFileW(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle && GetFileInformationByHandle(handle.get(), info) &&
           (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// True when a main window of this folder answered; it lets that copy take the foreground.
bool bringRunningCopyForward() {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, classNameText, nullptr)) != nullptr;) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        AllowSetForegroundWindow(processId);
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(window, secondStartMessageId, 0, 0, SMTO_ABORTIFHUNG, kAnswerBoundMs, &answer) &&
            answer) {
            return true;
        }
    }
    return false;
}

// The copy that holds the claim is brought forward; a claim that could not be opened is waited
// for in vain, since its holder runs.
bool waitForClaimOrHandOver(HANDLE claim) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kHandOverBoundMs;) {
        if (claim) {
            DWORD owned = WaitForSingleObject(claim, kHandOverPollMs);
            if (owned == WAIT_OBJECT_0 || owned == WAIT_ABANDONED) {
                return true;
            }
        } else {
            Sleep(kHandOverPollMs);
        }
        if (secondStartMessageId && bringRunningCopyForward()) {
            return false;
        }
    }
    return false;
}

}  // namespace

// "Glimra3-", then the volume serial number and the file index in hexadecimal, or the path's
// hash where the folder cannot be opened (24 or 16 digits, so the two kinds never meet). Object
// and message names are limited to far fewer characters than a path may have.
void folderIdentity(const wchar_t* folder, wchar_t* name) {
    BY_HANDLE_FILE_INFORMATION info = {};
    if (askFolderIdentity(folder, &info)) {
        formatText(name, kClaimNameCapacity, L"Glimra3-%08X%08X%08X", static_cast<unsigned>(info.dwVolumeSerialNumber),
                   static_cast<unsigned>(info.nFileIndexHigh), static_cast<unsigned>(info.nFileIndexLow));
        return;
    }
    const uint64_t hash = hashOfFolderPath(folder);
    formatText(name, kClaimNameCapacity, L"Glimra3-%08X%08X", static_cast<unsigned>(hash >> 32),
               static_cast<unsigned>(hash & 0xFFFFFFFFu));
}

// The claim is a mutex owned by the running copy until it ends; the next start to own it runs.
// Ownership, not the mutex's existence, decides, so two starts at once never both run, and a copy
// that ended, or was killed, while a second start waited leaves the claim to it.
bool claimStateFolder(ScopedHandle* claim) {
    wchar_t identity[kClaimNameCapacity] = {};
    folderIdentity(exeFolder, identity);
    secondStartMessageId = RegisterWindowMessageW(identity);
    wchar_t name[ARRAYSIZE(kMutexNamespace) + kClaimNameCapacity] = {};
    copyText(name, ARRAYSIZE(name), kMutexNamespace);
    appendText(name, ARRAYSIZE(name), identity);
    claim->reset(CreateMutexW(nullptr, TRUE, name));
    const DWORD error = GetLastError();
    if (!*claim) {
        // Another user's or an elevated copy holds a claim this process may not open: it runs,
        // and this one must not run beside it. Without a mutex at all there is no way to tell,
        // and the program runs as it always has.
        return error == ERROR_ACCESS_DENIED ? waitForClaimOrHandOver(nullptr) : true;
    }
    if (error != ERROR_ALREADY_EXISTS) {
        return true;
    }
    return waitForClaimOrHandOver(claim->get());
}

UINT secondStartMessage() {
    return secondStartMessageId;
}

bool isSecondStartMessage(UINT message) {
    return secondStartMessageId != 0 && message == secondStartMessageId;
}
