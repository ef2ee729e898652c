// The memo kept in "memo.txt" beside the executable: in the form the file was found in (the system
// ANSI code page, UTF-8 with or without its mark, UTF-16 in either byte order with its mark), in
// the code page only where its bytes load back as the same text; and the text the file is known
// to hold.
#include "memo_file.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "state_files.h"

wchar_t memoText[kMemoCapacity];
unsigned int memoCodePage = CP_ACP;

namespace {

// The file's bytes during a load or a store, in whatever form; a loadable file is smaller than
// this, and so is every file a store writes.
constexpr int kMemoBytesCapacity = 1024000;
char memoBytes[kMemoBytesCapacity];

enum class MemoForm { Ansi, Utf8, Utf8WithMark, Utf16LittleEndian, Utf16BigEndian };

// The form the file was found in, so a file another editor saved keeps its form.
MemoForm memoForm;

const std::string kUtf8Mark = "\xEF\xBB\xBF", kUtf16LittleEndianMark = "\xFF\xFE", kUtf16BigEndianMark = "\xFE\xFF";

// The code page that, like UTF-8, takes no conversion flag but the one for invalid characters.
constexpr UINT kGb18030CodePage = 54936;

// A file there but not read at start-up (held, unreadable, too large, valid in no form) is never
// written in that run, so its contents survive.
bool memoFileUnread;

// An exact copy, not a digest: a memo judged unchanged by mistake would lose the user's edit.
std::wstring storedMemo;
bool storedMemoKnown;

size_t memoLength() { return wcsnlen(memoText, kMemoCapacity); }

const std::string& markOf(MemoForm form) {
    static const std::string none;
    switch (form) {
    case MemoForm::Utf8WithMark:
        return kUtf8Mark;
    case MemoForm::Utf16LittleEndian:
        return kUtf16LittleEndianMark;
    case MemoForm::Utf16BigEndian:
        return kUtf16BigEndianMark;
    default:
        return none;
    }
}

bool utf16(MemoForm form) { return form == MemoForm::Utf16LittleEndian || form == MemoForm::Utf16BigEndian; }

// The system's code page by its number: the flags each code page takes depend on it.
UINT ansiCodePage() { return memoCodePage == CP_ACP ? GetACP() : memoCodePage; }

bool takesOnlyUnicodeFlags(UINT codePage) { return codePage == CP_UTF8 || codePage == kGb18030CodePage; }

// The text of zero-terminated bytes; false when any byte is invalid in the code page, or the
// conversion fails for any other reason.
bool textOfBytes(UINT codePage, const char* bytes, wchar_t* text, int capacity) {
    DWORD flags = MB_ERR_INVALID_CHARS | (takesOnlyUnicodeFlags(codePage) ? 0 : MB_PRECOMPOSED);
    return MultiByteToWideChar(codePage, flags, bytes, -1, text, capacity) > 0;
}

// An odd byte is half a character: no exact reading exists.
bool textOfUtf16(const char* bytes, DWORD size, bool bigEndian, wchar_t* text, int capacity) {
    const DWORD units = size / 2;
    if (size % 2 != 0 || units >= static_cast<DWORD>(capacity)) {
        return false;
    }
    DWORD at = 0;
    for (; at < units; ++at) {
        const unsigned first = static_cast<unsigned char>(bytes[2 * at]);
        const unsigned second = static_cast<unsigned char>(bytes[2 * at + 1]);
        const wchar_t unit = static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
        if (unit == L'\0') {
            return false;
        }
        text[at] = unit;
    }
    text[at] = L'\0';
    return true;
}

bool startsWith(const char* bytes, DWORD size, const std::string& mark) {
    return size >= mark.size() && memcmp(bytes, mark.data(), mark.size()) == 0;
}

// The text of a file's bytes (followed by a zero byte) and the form they are in; false when they
// are valid in no form, since a memo read inexactly would be stored inexactly. A zero character
// would end the text there (UTF-16 without its mark reads so), so it is not read at all. ANSI
// Japanese text is practically never valid UTF-8, and text without a byte above 0x7F reads the
// same either way, so only a mark or a valid multi-byte sequence makes a file UTF-8.
bool readMemoBytes(const char* bytes, DWORD size, MemoForm& form, wchar_t* text, int capacity) {
    for (MemoForm marked : {MemoForm::Utf16LittleEndian, MemoForm::Utf16BigEndian, MemoForm::Utf8WithMark}) {
        const std::string& mark = markOf(marked);
        if (startsWith(bytes, size, mark)) {
            form = marked;
            const char* rest = bytes + mark.size();
            return marked == MemoForm::Utf8WithMark
                       ? textOfBytes(CP_UTF8, rest, text, capacity)
                       : textOfUtf16(rest, size - static_cast<DWORD>(mark.size()),
                                     marked == MemoForm::Utf16BigEndian, text, capacity);
        }
    }
    if (memchr(bytes, '\0', size) != nullptr) {
        return false;
    }
    bool multiByte = false;
    for (const char* at = bytes; *at != '\0' && !multiByte; ++at) {
        multiByte = static_cast<unsigned char>(*at) > 0x7F;
    }
    form = MemoForm::Utf8;
    if (multiByte && textOfBytes(CP_UTF8, bytes, text, capacity)) {
        return true;
    }
    form = MemoForm::Ansi;
    return textOfBytes(ansiCodePage(), bytes, text, capacity);
}

// memoText in the form, into memoBytes with a zero byte after it; the file's size, or -1 when the
// bytes with that zero do not fit. UTF-16 holds every text exactly; the other forms may not.
int memoBytesIn(MemoForm form) {
    const std::string& mark = markOf(form);
    memcpy(memoBytes, mark.data(), mark.size());
    char* out = memoBytes + mark.size();
    const int room = kMemoBytesCapacity - static_cast<int>(mark.size());
    if (utf16(form)) {
        const size_t length = memoLength();
        if ((length + 1) * 2 > static_cast<size_t>(room)) {
            return -1;
        }
        for (size_t at = 0; at <= length; ++at) {
            const unsigned unit = memoText[at];
            out[2 * at] = static_cast<char>(form == MemoForm::Utf16BigEndian ? unit >> 8 : unit & 0xFF);
            out[2 * at + 1] = static_cast<char>(form == MemoForm::Utf16BigEndian ? unit & 0xFF : unit >> 8);
        }
        return static_cast<int>(mark.size() + length * 2);
    }
    const UINT codePage = form == MemoForm::Ansi ? ansiCodePage() : CP_UTF8;
    // Without a best fit, a character the code page lacks becomes the default character, which
    // never loads back as it.
    const DWORD flags = takesOnlyUnicodeFlags(codePage) ? 0 : WC_NO_BEST_FIT_CHARS;
    int converted = WideCharToMultiByte(codePage, flags, memoText, -1, out, room, nullptr, nullptr);
    return converted > 0 ? static_cast<int>(mark.size()) + converted - 1 : -1;
}

bool loadsBackAsMemo(int size) {
    std::vector<wchar_t> loaded(kMemoCapacity);
    MemoForm form = MemoForm::Ansi;
    return readMemoBytes(memoBytes, static_cast<DWORD>(size), form, loaded.data(), kMemoCapacity) &&
           wcscmp(loaded.data(), memoText) == 0;
}

// The file's bytes for memoText into memoBytes; -1 when they do not fit. The form the file was
// found in wherever its bytes load back as the memo (UTF-16 always does), UTF-8 with its mark
// otherwise; UTF-8 is never shorter than the code page, so a memo too long for one is refused by
// both. A buffer without its terminator is never converted: the conversion would read past it.
int memoFileBytes() {
    if (memoLength() == static_cast<size_t>(kMemoCapacity)) {
        return -1;
    }
    int size = memoBytesIn(memoForm);
    if (utf16(memoForm) || memoForm == MemoForm::Utf8WithMark || (size >= 0 && loadsBackAsMemo(size))) {
        return size;
    }
    return memoBytesIn(MemoForm::Utf8WithMark);
}

}  // namespace

// Loading starts the run's record of the file: refused or not.
FileRead loadMemo() {
    memset(memoBytes, 0, sizeof(memoBytes));
    memoForm = MemoForm::Ansi;
    // A loadable file is shorter than the buffer, so a zero byte always follows what is read, and
    // each byte yields at most one character in every form.
    DWORD size = 0;
    FileRead read = readFileBesideExe(memoFileName, memoBytes, kMemoBytesCapacity - 1, &size);
    if (read == FileRead::Read && !readMemoBytes(memoBytes, size, memoForm, memoText, kMemoCapacity)) {
        read = FileRead::Failed;
    }
    if (read == FileRead::Read && size == 0) {
        createBesideExeIfMissing(memoFileName);
    }
    memoFileUnread = read != FileRead::Read;
    if (memoFileUnread) {
        memoText[0] = L'\0';
    }
    return read;
}

bool memoFitsItsFile() {
    return memoFileBytes() >= 0;
}

int storeMemo() {
    if (memoFileUnread) {
        return 0;
    }
    // Converted before anything is written: a memo whose bytes do not fit leaves the file as it was.
    int size = memoFileBytes();
    if (size < 0 || !writeFileBesideExe(memoFileName, memoBytes, static_cast<DWORD>(size))) {
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
