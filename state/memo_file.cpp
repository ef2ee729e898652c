// The memo kept in "memo.txt" beside the executable, in the system ANSI code page wherever that can
// hold it and in UTF-8 otherwise, and the text the file is known to hold.
#include "memo_file.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "process_state.h"

wchar_t memoText[kMemoCapacity];

namespace {

// The file's bytes during a load or a store, in whatever form; a loadable file is smaller than
// this, and so is every file a store writes.
constexpr int kMemoBytesCapacity = 1024000;
char memoBytes[kMemoBytesCapacity];

const char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr int kUtf8MarkLength = 3;

// The form the file was found in, so a file another editor saved in UTF-8 keeps its form.
enum class MemoForm { Ansi, Utf8, Utf8WithMark };
MemoForm memoForm;

// A file there but not read at start-up (held, unreadable, too large) is never written in that
// run, so its contents survive.
bool memoFileUnread;

// An exact copy, not a digest: a memo judged unchanged by mistake would lose the user's edit.
std::wstring storedMemo;
bool storedMemoKnown;

size_t memoLength() { return wcsnlen(memoText, kMemoCapacity); }

// ANSI Japanese text is practically never valid UTF-8, and text without a byte above 0x7F reads
// the same either way, so only a mark or a valid multi-byte sequence makes a file UTF-8.
MemoForm formOf(const char* bytes) {
    if (strncmp(bytes, kUtf8Mark, kUtf8MarkLength) == 0) {
        return MemoForm::Utf8WithMark;
    }
    bool multiByte = false;
    for (const char* at = bytes; *at != '\0' && !multiByte; ++at) {
        multiByte = static_cast<unsigned char>(*at) > 0x7F;
    }
    if (multiByte && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, -1, nullptr, 0) > 0) {
        return MemoForm::Utf8;
    }
    return MemoForm::Ansi;
}

// The file's bytes for memoText, terminator included, into memoBytes; 0 when they do not fit.
// ANSI only when every character has an exact ANSI form: a substitute would lose it. UTF-8 is
// never shorter than ANSI, so a memo whose ANSI form does not fit is refused by both.
int memoFileBytes() {
    if (memoForm == MemoForm::Ansi) {
        BOOL lacking = FALSE;
        int converted = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, memoText, -1, memoBytes, kMemoBytesCapacity,
                                            nullptr, &lacking);
        if (converted > 0 && !lacking) {
            return converted;
        }
    }
    int mark = memoForm == MemoForm::Utf8 ? 0 : kUtf8MarkLength;
    memcpy(memoBytes, kUtf8Mark, mark);
    int converted =
        WideCharToMultiByte(CP_UTF8, 0, memoText, -1, memoBytes + mark, kMemoBytesCapacity - mark, nullptr, nullptr);
    return converted > 0 ? mark + converted : 0;
}

}  // namespace

// Loading starts the run's record of the file: refused or not.
int loadMemo() {
    memset(memoBytes, 0, sizeof(memoBytes));
    memoForm = MemoForm::Ansi;
    // A loadable file is shorter than the buffer, so a zero byte always ends what is converted,
    // and each byte yields at most one character in either form.
    memoFileUnread = readFileBesideExe(memoFileName, memoBytes, kMemoBytesCapacity - 1) != FileRead::Read;
    if (memoFileUnread) {
        return 0;
    }
    memoForm = formOf(memoBytes);
    if (memoForm == MemoForm::Ansi) {
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, memoBytes, -1, memoText, kMemoCapacity);
    } else {
        const char* text = memoForm == MemoForm::Utf8WithMark ? memoBytes + kUtf8MarkLength : memoBytes;
        MultiByteToWideChar(CP_UTF8, 0, text, -1, memoText, kMemoCapacity);
    }
    return 1;
}

int storeMemo() {
    // A buffer without its terminator is never converted: the conversion would read past it.
    if (memoFileUnread || memoLength() == static_cast<size_t>(kMemoCapacity)) {
        return 0;
    }
    // Converted before anything is written: a memo whose bytes do not fit leaves the file as it was.
    int converted = memoFileBytes();
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
