// One running copy per executable file: a second start of the same file hands over to the copy
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

// "Local\Glimra3-" and sixteen hexadecimal digits. Object and message names are limited to far
// fewer characters than a path may have, so the path goes into the name as its hash.
constexpr int kNameCapacity = 40;
const wchar_t kMutexNamespace[] = L"Local\\";

UINT secondStartMessage;

// FNV-1a over the path as the file system compares it: the long form, upper-cased, so that
// another spelling of the same file (case, 8.3 names) gives the same hash.
uint64_t hashOfExecutablePath() {
    wchar_t module[kPathCapacity] = {};
    wchar_t path[kPathCapacity] = {};
    DWORD length = GetModuleFileNameW(nullptr, module, kPathCapacity);
    if (length == 0 || length >= static_cast<DWORD>(kPathCapacity)) {
        return 0;
    }
    length = GetLongPathNameW(module, path, kPathCapacity);
    if (length == 0 || length >= static_cast<DWORD>(kPathCapacity)) {
        copyText(path, kPathCapacity, module);
        length = static_cast<DWORD>(wcslen(path));
    }
    CharUpperBuffW(path, length);
    uint64_t hash = 14695981039346656037ULL;
    for (DWORD i = 0; i < length; ++i) {
        hash = (hash ^ path[i]) * 1099511628211ULL;
    }
    return hash;
}

// prefix, "Glimra3-" and the hash in sixteen hexadecimal digits.
void buildName(wchar_t* name, const wchar_t* prefix, uint64_t hash) {
    formatText(name, kNameCapacity, L"%lsGlimra3-%08X%08X", prefix, static_cast<unsigned>(hash >> 32),
               static_cast<unsigned>(hash & 0xFFFFFFFFu));
}

// True when a main window of this file answered; it lets that copy take the foreground.
bool bringRunningCopyForward() {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, classNameText, nullptr)) != nullptr;) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        AllowSetForegroundWindow(processId);
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(window, secondStartMessage, 0, 0, SMTO_ABORTIFHUNG, kAnswerBoundMs, &answer) &&
            answer) {
            return true;
        }
    }
    return false;
}

}  // namespace

// The claim is a mutex owned by the running copy until it ends; the next start to own it runs.
// Ownership, not the mutex's existence, decides, so two starts at once never both run, and a copy
// that ended, or was killed, while a second start waited leaves the claim to it.
bool claimExecutableFile(ScopedHandle* claim) {
    const uint64_t hash = hashOfExecutablePath();
    wchar_t name[kNameCapacity] = {};
    buildName(name, L"", hash);
    secondStartMessage = RegisterWindowMessageW(name);
    buildName(name, kMutexNamespace, hash);
    claim->reset(CreateMutexW(nullptr, TRUE, name));
    if (!*claim || GetLastError() != ERROR_ALREADY_EXISTS) {
        // Without a mutex there is no way to tell: the program runs as it always has.
        return true;
    }
    for (DWORD start = GetTickCount(); GetTickCount() - start < kHandOverBoundMs;) {
        DWORD owned = WaitForSingleObject(claim->get(), kHandOverPollMs);
        if (owned == WAIT_OBJECT_0 || owned == WAIT_ABANDONED) {
            return true;
        }
        if (secondStartMessage && bringRunningCopyForward()) {
            return false;
        }
    }
    return false;
}

bool isSecondStartMessage(UINT message) {
    return secondStartMessage != 0 && message == secondStartMessage;
}
