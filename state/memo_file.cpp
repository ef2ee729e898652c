// The memo kept in "memo.txt" beside the executable, in the system ANSI code page, and the text
// the file is known to hold.
#include "memo_file.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "process_state.h"

wchar_t memoText[kMemoCapacity];

namespace {

// The memo in ANSI form during a load or a store; a loadable file is smaller than this.
constexpr int kMemoBytesCapacity = 1024000;
char memoBytes[kMemoBytesCapacity];

// A file refused for its size at start-up is never written in that run, so its contents survive.
bool memoFileRefused;

// An exact copy, not a digest: a memo judged unchanged by mistake would lose the user's edit.
std::wstring storedMemo;
bool storedMemoKnown;

size_t memoLength() { return wcsnlen(memoText, kMemoCapacity); }

}  // namespace

// Loading starts the run's record of the file: refused or not.
int loadMemo() {
    memset(memoBytes, 0, sizeof(memoBytes));
    // A loadable file is shorter than the buffer, so a zero byte always ends what is converted,
    // and each byte yields at most one character.
    FileRead result = readFileBesideExe(memoFileName, memoBytes, kMemoBytesCapacity - 1);
    memoFileRefused = result == FileRead::TooLarge;
    if (result != FileRead::Read) {
        return 0;
    }
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, memoBytes, -1, memoText, kMemoCapacity);
    return 1;
}

int storeMemo() {
    // A buffer without its terminator is never converted: the conversion would read past it.
    if (memoFileRefused || memoLength() == static_cast<size_t>(kMemoCapacity)) {
        return 0;
    }
    // Converted before the file is opened: a memo whose ANSI form does not fit leaves the file
    // as it was rather than cut.
    int converted = WideCharToMultiByte(CP_ACP, 0, memoText, -1, memoBytes, kMemoBytesCapacity, nullptr, nullptr);
    if (converted <= 0) {
        return 0;
    }
    if (!writeFileBesideExe(memoFileName, memoBytes, static_cast<DWORD>(converted - 1))) {
        return 0;
    }
    rememberMemoAsStored();
    return 1;
}

void rememberMemoAsStored() {
    storedMemo.assign(memoText, memoLength());
    storedMemoKnown = true;
}

bool memoUnchangedSinceStored() {
    size_t length = memoLength();
    return storedMemoKnown && length == storedMemo.size() && wmemcmp(memoText, storedMemo.data(), length) == 0;
}
