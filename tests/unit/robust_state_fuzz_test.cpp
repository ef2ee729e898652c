// Generated bad content in the three files beside the executable: every load survives it, gives
// what the bytes say, tells only what it must, and leaves the file exactly as it found it.
#include <climits>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "robust_fuzz.h"
#include "state_files.h"

namespace {

const wchar_t kSizeMessage[] = L"ファイルサイズが許容限界をオーバーしています。";
const wchar_t kUntouched[] = L"<untouched>";

const char* const kBoms[] = {"\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"};
const char* const kLineEnds[] = {"\r\n", "\n", "\r"};

std::string utf16le(const std::wstring& text) { return utf16Bytes(text); }

// Text a user might have in a folder path or a memo, and text no one would have.
std::wstring pathLikeText(Fuzz& fuzz, size_t length) {
    static const wchar_t kPieces[] = L"C:\\shots/画像フォルダ .-_~0123456789abcXYZ\r\n\t";
    std::wstring text;
    while (text.size() < length) {
        switch (fuzz.below(10)) {
        case 0:
            text += static_cast<wchar_t>(fuzz.between(1, 0xFFFF));  // lone surrogates included
            break;
        case 1:
            text += L'\0';
            break;
        default:
            text += kPieces[fuzz.below(static_cast<int>(wcslen(kPieces)))];
        }
    }
    return text;
}

// The save-folder file: a run of random content around every size that matters.
std::string folderFileBytes(Fuzz& fuzz, int index) {
    // Every size from 990 to 1000 bytes comes up again and again.
    if (index % 8 == 0) {
        size_t size = static_cast<size_t>(990 + (index / 8) % 11);
        return fuzz.percent(50) ? fuzz.bytes(size) : utf16le(pathLikeText(fuzz, size / 2 + 1)).substr(0, size);
    }
    switch (fuzz.below(8)) {
    case 0:
        return fuzz.bytes(static_cast<size_t>(fuzz.below(999)));
    case 1:
        return utf16le(pathLikeText(fuzz, static_cast<size_t>(fuzz.below(500))));
    case 2: {  // odd lengths
        std::string bytes = utf16le(pathLikeText(fuzz, static_cast<size_t>(fuzz.below(499))));
        return bytes + fuzz.bytes(1);
    }
    case 3:  // a byte-order mark first, as an editor might have saved it
        return std::string(fuzz.pick(kBoms)) + utf16le(pathLikeText(fuzz, static_cast<size_t>(fuzz.below(490))));
    case 4:  // zero bytes only
        return std::string(static_cast<size_t>(fuzz.below(999)), '\0');
    case 5: {  // ANSI or UTF-8 text with line ends, as written by hand
        std::string text = "D:\\shots\\";
        while (text.size() < static_cast<size_t>(fuzz.below(998))) {
            text += fuzz.percent(20) ? std::string(fuzz.pick(kLineEnds)) : std::string(1, "abc\\\x93\xfa\xc3\xa9"[fuzz.below(8)]);
        }
        return text.substr(0, 998);
    }
    case 6:  // empty
        return std::string();
    default:  // a short real folder with garbage after a zero
        return utf16le(L"D:\\kept") + std::string(2, '\0') + fuzz.bytes(static_cast<size_t>(fuzz.below(980)));
    }
}

// What the bytes say: UTF-16LE characters (an odd last byte is a character of its own) up to the
// first zero character, the default folder when there are none.
std::wstring folderOf(const std::string& bytes) {
    std::wstring folder;
    for (size_t i = 0; i < bytes.size(); i += 2) {
        wchar_t c = static_cast<unsigned char>(bytes[i]);
        if (i + 1 < bytes.size()) {
            c = static_cast<wchar_t>(c | static_cast<unsigned char>(bytes[i + 1]) << 8);
        }
        if (c == L'\0') {
            break;
        }
        folder += c;
    }
    return folder.empty() ? std::wstring(exeFolder) + L"image\\" : folder;
}

// The memo file: small files of every kind, and a handful at the size limit.
std::string memoFileBytes(Fuzz& fuzz) {
    static const char* const kLeadBytes[] = {"\x81", "\x9F", "\xE0", "\xFC"};
    size_t size = static_cast<size_t>(fuzz.below(600));
    switch (fuzz.below(9)) {
    case 0:
        return fuzz.bytes(size);
    case 1: {  // text with every kind of line end
        std::string text;
        while (text.size() < size) {
            text += fuzz.percent(15) ? std::string(fuzz.pick(kLineEnds)) : std::string(1, static_cast<char>(fuzz.between(32, 126)));
        }
        return text;
    }
    case 2: {  // Shift-JIS pairs, half-width katakana and a lead byte that lost its trail byte
        std::string text;
        while (text.size() < size) {
            switch (fuzz.below(4)) {
            case 0: text += "\x93\xfa\x96\x7b"; break;
            case 1: text += static_cast<char>(fuzz.between(0xA1, 0xDF)); break;
            case 2: text += std::string(fuzz.pick(kLeadBytes)) + static_cast<char>(fuzz.between(0x40, 0xFC)); break;
            default: text += 'a';
            }
        }
        if (fuzz.percent(50)) {
            text += fuzz.pick(kLeadBytes);
        }
        return text;
    }
    case 3:  // a lead byte right before a zero byte
        return "memo" + std::string(fuzz.pick(kLeadBytes)) + std::string(1, '\0') + fuzz.bytes(size);
    case 4:  // byte-order marks: UTF-8 read as ANSI, UTF-16 cut at its first zero byte
        return std::string(fuzz.pick(kBoms)) + utf16le(pathLikeText(fuzz, size / 2));
    case 5:
        return "UTF-8 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E " + fuzz.bytes(size);
    case 6:
        return std::string(size, '\0');
    case 7:
        return std::string();
    default: {  // zero bytes scattered
        std::string bytes = fuzz.bytes(size);
        for (int i = 0; i < 3 && !bytes.empty(); ++i) {
            bytes[static_cast<size_t>(fuzz.below(static_cast<int>(bytes.size())))] = '\0';
        }
        return bytes;
    }
    }
}

// What the bytes say: the ANSI text before the first zero byte, converted on its own.
std::wstring memoOf(const std::string& bytes) {
    size_t length = bytes.find('\0');
    if (length == std::string::npos) {
        length = bytes.size();
    }
    if (length == 0) {
        return std::wstring();
    }
    std::wstring text(length, L'\0');
    int converted = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, bytes.data(), static_cast<int>(length), &text[0],
                                        static_cast<int>(length));
    text.resize(static_cast<size_t>(converted > 0 ? converted : 0));
    return text;
}

// A memo buffer that the load must overwrite with a terminated text: a missing terminator would
// leave these characters showing through.
void soilMemo(size_t count) { wmemset(memoText, L'#', count < size_t(kMemoCapacity) ? count : size_t(kMemoCapacity)); }

// The settings keys with their sections and defaults, as a user's file would name them.
struct KeySpec {
    const char* section;
    const char* key;
    int defaultValue;
    int SettingsRecord::*field;
};

const KeySpec kKeys[] = {
    {"HISTORY", "PICNUM", 0, &SettingsRecord::PICNUM},       {"MODE", "TRIMING", 0, &SettingsRecord::TRIMING},
    {"MODE", "ALTER", 0, &SettingsRecord::ALTER},            {"MODE", "NONESCS", 0, &SettingsRecord::NONESCS},
    {"MODE", "JPEGPIC", 0, &SettingsRecord::JPEGPIC},        {"MODE", "PNGPIC", 0, &SettingsRecord::PNGPIC},
    {"MODE", "CONSTANT", 1, &SettingsRecord::CONSTANT},      {"SETTING", "SAVEINI", 1, &SettingsRecord::SAVEINI},
    {"SETTING", "POPWINDOW", 0, &SettingsRecord::POPWINDOW}, {"SETTING", "NONEDIALOG", 0, &SettingsRecord::NONEDIALOG},
    {"SETTING", "NONEIMG", 0, &SettingsRecord::NONEIMG},     {"SETTING", "AUTOEND", 0, &SettingsRecord::AUTOEND},
    {"SETTING", "USEBG", 1, &SettingsRecord::USEBG},         {"SETTING", "ISTASK", 0, &SettingsRecord::ISTASK},
    {"SETTING", "ALMEMO", 1, &SettingsRecord::ALMEMO},       {"SETTING", "ASMEMO", 1, &SettingsRecord::ASMEMO},
    {"IMG", "QUALITY", 95, &SettingsRecord::QUALITY},
};
constexpr int kKeyCount = static_cast<int>(sizeof(kKeys) / sizeof(kKeys[0]));
const char* const kSections[] = {"HISTORY", "MODE", "SETTING", "IMG"};

bool sameNoCase(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

std::string caseVariant(Fuzz& fuzz, const std::string& name) {
    std::string result = name;
    for (char& c : result) {
        if (fuzz.percent(30)) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    return result;
}

// A value as a user might type it, and whether its number can be told without the platform:
// decimal digits with a sign, leading zeros and spaces around read as that number.
struct ValueText {
    std::string text;
    bool known;
    int value;
};

ValueText valueText(Fuzz& fuzz) {
    static const char* const kUnknown[] = {
        "",         "99999999999", "-99999999999",  "4294967296", "2147483648", "-2147483649", "4294967295",
        "12abc",    "0x1F",        "1 2",           "- 5",        "--5",        "+-5",         "1e3",
        "3.5",      "=7",          "\"5\"",         "0b101",      "0o17",       "\xef\xbc\x91", "\x82\x50",
        "12345678901234567890123456789012345678901234567890",
    };
    if (fuzz.percent(25)) {
        return {fuzz.pick(kUnknown), false, 0};
    }
    long long magnitude = 0;
    std::string digits;
    int count = fuzz.between(1, 9);
    for (int i = 0; i < count; ++i) {
        int digit = fuzz.below(10);
        digits += static_cast<char>('0' + digit);
        magnitude = magnitude * 10 + digit;
    }
    if (fuzz.percent(5)) {
        digits = fuzz.percent(50) ? "2147483647" : "2147483648";
        magnitude = std::stoll(digits);
    }
    std::string sign;
    long long value = magnitude;
    switch (fuzz.below(4)) {
    case 0: sign = "-"; value = -magnitude; break;
    case 1: sign = "+"; break;
    default: break;
    }
    if (value > INT_MAX) {  // "+2147483648" and "2147483648" do not fit
        return {sign + digits, false, 0};
    }
    std::string zeros(static_cast<size_t>(fuzz.percent(20) ? fuzz.between(1, 3) : 0), '0');
    return {sign + zeros + digits, true, static_cast<int>(value)};
}

struct IniEntry {
    std::string name;
    ValueText value;
};

struct IniSection {
    std::string name;
    std::vector<IniEntry> entries;
};

// A settings file as a user might have edited it, and what each of the seventeen keys should
// read as; keys whose value the platform alone can tell are marked unknown.
struct IniCase {
    bool fileExists = true;
    std::string bytes;
    bool valuesKnown = false;
    bool known[kKeyCount] = {};
    int expected[kKeyCount] = {};
};

std::string renderIni(Fuzz& fuzz, const std::vector<IniSection>& sections, const char* lineEnd, bool mixedEnds) {
    std::string text = "; settings kept by hand" + std::string(lineEnd);
    for (const IniSection& section : sections) {
        text += "[" + section.name + "]" + (mixedEnds && fuzz.percent(50) ? "\n" : lineEnd);
        for (const IniEntry& entry : section.entries) {
            const char* before = fuzz.percent(20) ? " " : "";
            const char* after = fuzz.percent(20) ? "  " : "";
            text += entry.name + before + "=" + after + entry.value.text + (fuzz.percent(10) ? "\t " : "");
            text += mixedEnds && fuzz.percent(50) ? "\n" : lineEnd;
            if (fuzz.percent(10)) {
                text += ";" + entry.name + "=123" + std::string(lineEnd);
            }
        }
    }
    return text;
}

void modelIni(const std::vector<IniSection>& sections, IniCase* c) {
    for (int k = 0; k < kKeyCount; ++k) {
        c->known[k] = true;
        c->expected[k] = kKeys[k].defaultValue;
        for (const IniSection& section : sections) {
            if (!sameNoCase(section.name, kKeys[k].section)) {
                continue;
            }
            // A key given twice is read as the platform picks one of them.
            int found = 0;
            for (const IniEntry& entry : section.entries) {
                if (sameNoCase(entry.name, kKeys[k].key) && ++found == 1) {
                    c->known[k] = entry.value.known;
                    c->expected[k] = entry.value.value;
                }
            }
            if (found > 1) {
                c->known[k] = false;
            }
            break;
        }
    }
}

IniCase settingsFileCase(Fuzz& fuzz) {
    IniCase c;
    int kind = fuzz.below(20);
    if (kind == 0) {
        c.fileExists = fuzz.percent(50);
        c.valuesKnown = true;
        modelIni({}, &c);
        return c;
    }
    if (kind <= 2) {  // binary noise, sometimes with key names in it
        c.bytes = fuzz.bytes(static_cast<size_t>(fuzz.below(1500)));
        if (kind == 2) {
            for (int i = 0; i < 6; ++i) {
                const KeySpec& key = kKeys[fuzz.below(kKeyCount)];
                size_t at = c.bytes.empty() ? 0 : static_cast<size_t>(fuzz.below(static_cast<int>(c.bytes.size())));
                c.bytes.insert(at, "\r\n[" + std::string(key.section) + "]\r\n" + key.key + "=" + std::to_string(fuzz.below(100)));
            }
        }
        return c;
    }

    std::vector<IniSection> sections;
    bool sectionsRepeat = fuzz.percent(10);
    for (const char* name : kSections) {
        if (fuzz.percent(75)) {
            sections.push_back({caseVariant(fuzz, name), {}});
        }
    }
    if (fuzz.percent(40)) {
        sections.push_back({fuzz.percent(50) ? "Foreign" : "HISTORY2", {}});
    }
    if (sectionsRepeat && !sections.empty()) {
        sections.push_back({sections[0].name, {}});
    }
    for (size_t i = sections.size(); i > 1; --i) {
        std::swap(sections[i - 1], sections[static_cast<size_t>(fuzz.below(static_cast<int>(i)))]);
    }
    for (IniSection& section : sections) {
        int count = fuzz.below(10);
        for (int i = 0; i < count; ++i) {
            std::string name;
            int choice = fuzz.below(100);
            const KeySpec& key = kKeys[fuzz.below(kKeyCount)];
            if (choice < 70) {  // a key of this section, sometimes repeated
                std::vector<const KeySpec*> own;
                for (const KeySpec& candidate : kKeys) {
                    if (sameNoCase(candidate.section, section.name)) {
                        own.push_back(&candidate);
                    }
                }
                name = own.empty() ? key.key : own[static_cast<size_t>(fuzz.below(static_cast<int>(own.size())))]->key;
            } else if (choice < 85) {  // a key in the wrong section
                name = key.key;
            } else {
                name = fuzz.percent(50) ? "OTHER" : std::string(key.key) + "X";
            }
            section.entries.push_back({caseVariant(fuzz, name), valueText(fuzz)});
        }
    }
    int lineEndKind = fuzz.below(10);
    const char* lineEnd = lineEndKind < 6 ? "\r\n" : lineEndKind < 9 ? "\n" : "\r";
    std::string text = renderIni(fuzz, sections, lineEnd, lineEndKind == 8);
    modelIni(sections, &c);
    // A UTF-8 character read as ANSI ends in a lead byte that takes the line end as its trail.
    c.valuesKnown = !sectionsRepeat && lineEndKind != 9 && text.find('\xEF') == std::string::npos;

    int encoding = fuzz.below(10);
    if (encoding == 0) {  // Unicode with its byte-order mark
        std::wstring wide(text.begin(), text.end());
        c.bytes = "\xFF\xFE" + utf16le(wide);
    } else if (encoding == 1) {  // big-endian Unicode: left to the platform
        c.bytes = "\xFE\xFF";
        for (char ch : text) {
            c.bytes += '\0';
            c.bytes += ch;
        }
        c.valuesKnown = false;
    } else if (encoding == 2) {  // UTF-8 mark before the comment line
        c.bytes = "\xEF\xBB\xBF" + text;
    } else if (encoding == 3) {  // damaged: zero bytes and stray bytes
        c.bytes = text;
        for (int i = 0; i < 4 && !c.bytes.empty(); ++i) {
            c.bytes[static_cast<size_t>(fuzz.below(static_cast<int>(c.bytes.size())))] = fuzz.percent(50) ? '\0' : fuzz.byte();
        }
        c.valuesKnown = false;
    } else {
        c.bytes = text;
    }
    if (fuzz.percent(1) && c.bytes.compare(0, 1, ";") == 0) {  // the keys after pages of comments
        std::string padding;
        while (padding.size() < 70000) {
            padding += "; padding line of a long hand-kept settings file\r\n";
        }
        c.bytes = padding + c.bytes;
    }
    return c;
}

// A key whose name is nowhere in the file, in any spelling the platform could read, has its
// default whatever else the file holds.
bool nameAppears(const std::string& bytes, const char* key) {
    std::string lower;
    for (char c : bytes) {
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    std::string name;
    for (const char* p = key; *p; ++p) {
        name += static_cast<char>(*p - 'A' + 'a');
    }
    std::string wideLe;
    std::string wideBe;
    for (char c : name) {
        wideLe += c;
        wideLe += '\0';
        wideBe += '\0';
        wideBe += c;
    }
    return lower.find(name) != std::string::npos || lower.find(wideLe) != std::string::npos ||
           lower.find(wideBe) != std::string::npos;
}

}  // namespace

// Each test ends as a run whose files load again: a refusal it caused (a memo never to be
// written, a stored folder to be kept) is not carried into the tests after it in this process.
class BadStateFiles : public StateFiles {
protected:
    void TearDown() override {
        DeleteFileW(folderPath().c_str());
        DeleteFileW(memoPath().c_str());
        loadSaveFolder();
        loadMemo();
        StateFiles::TearDown();
    }
};

TEST_F(BadStateFiles, SaveFolderFileOfAnyContentLoadsAsItsCharactersOrIsRefusedBySizeAndKept) {
    Fuzz fuzz;
    CaseTally tally("dirInfo.dat");
    MessageBoxRecorder recorder;
    size_t messages = 0;
    constexpr int kCases = 3000;
    for (int index = 0; index < kCases + 8; ++index) {
        std::string bytes;
        bool exists = true;
        if (index < kCases) {
            bytes = folderFileBytes(fuzz, index);
            exists = index % 500 != 1;  // a missing file is created empty
            if (!exists) {
                bytes.clear();
            }
        } else {  // far too large, a few times
            bytes = fuzz.bytes(static_cast<size_t>(fuzz.pick({1001, 1002, 2048, 65536, 1 << 20})));
        }
        SCOPED_TRACE("case " + std::to_string(index) + ", " + std::to_string(bytes.size()) + " bytes");
        if (exists) {
            ASSERT_TRUE(putFile(folderPath(), bytes));
        } else {
            DeleteFileW(folderPath().c_str());
        }
        copyText(saveFolder, kPathCapacity, kUntouched);

        const bool fits = bytes.size() <= 998;
        ASSERT_EQ(fits ? 1 : 0, loadSaveFolder());
        if (fits) {
            ASSERT_EQ(folderOf(bytes), std::wstring(saveFolder));
        } else {
            ++messages;
            ASSERT_EQ(std::wstring(kUntouched), std::wstring(saveFolder));
            // Nothing chosen in the run: the refused file is still there after the exit's store.
            ASSERT_EQ(1, storeSaveFolder());
        }
        ASSERT_EQ(messages, recorder.boxes().size());
        ASSERT_TRUE(readBytes(folderPath()) == bytes) << "the load leaves the file as it was";
        ASSERT_TRUE(fileIsFree(folderPath()));
        tally.add();
    }
    for (const RecordedBox& box : recorder.boxes()) {
        EXPECT_EQ(kSizeMessage, box.text);
        EXPECT_EQ(BoxIcon::Error, box.icon);
    }
    std::printf("[  FUZZ    ] dirInfo.dat: %d refused for their size, each with one message\n", static_cast<int>(messages));
}

TEST_F(BadStateFiles, MemoFileOfAnyContentLoadsAsItsAnsiTextOrIsRefusedBySize) {
    ASSERT_EQ(932u, GetACP()) << "the tests run in a Japanese locale";
    Fuzz fuzz;
    CaseTally tally("memo.txt");
    MessageBoxRecorder recorder;
    size_t messages = 0;
    constexpr int kCases = 3000;
    for (int index = 0; index < kCases; ++index) {
        std::string bytes = memoFileBytes(fuzz);
        bool exists = index % 500 != 1;  // a missing file is created empty
        if (!exists) {
            bytes.clear();
        }
        SCOPED_TRACE("case " + std::to_string(index) + ", " + std::to_string(bytes.size()) + " bytes");
        if (exists) {
            ASSERT_TRUE(putFile(memoPath(), bytes));
        } else {
            DeleteFileW(memoPath().c_str());
        }
        soilMemo(bytes.size() + 2);
        ASSERT_EQ(1, loadMemo());
        ASSERT_TRUE(memoOf(bytes) == std::wstring(memoText));
        ASSERT_TRUE(readBytes(memoPath()) == bytes);
        ASSERT_TRUE(fileIsFree(memoPath()));
        tally.add();
    }

    // At the limit: the largest files that load, and the smallest that are refused, each with
    // its last byte a plain character and a lead byte that lost its trail byte.
    const struct {
        size_t size;
        char last;
    } limits[] = {{1023998, 'z'}, {1023998, '\x81'}, {1023999, 'z'}, {1023999, '\x81'},
                  {1024000, 'z'}, {1024000, '\x81'}, {1024001, 'z'}};
    for (const auto& limit : limits) {
        SCOPED_TRACE(std::to_string(limit.size) + " bytes ending in " + std::to_string(static_cast<unsigned char>(limit.last)));
        std::string bytes = fuzz.bytes(limit.size);
        for (char& c : bytes) {
            c = static_cast<char>('a' + (static_cast<unsigned char>(c) % 26));
        }
        bytes.back() = limit.last;
        ASSERT_TRUE(putFile(memoPath(), bytes));
        soilMemo(kMemoCapacity);
        const bool fits = limit.size < size_t(1024000);
        ASSERT_EQ(fits ? 1 : 0, loadMemo());
        if (fits) {
            ASSERT_LT(wcsnlen(memoText, kMemoCapacity), size_t(kMemoCapacity)) << "the memo ends inside its buffer";
            ASSERT_TRUE(memoOf(bytes) == std::wstring(memoText));
        } else {
            ++messages;
            // The memo was not loaded; the edit is filled from it as it stands.
            EXPECT_EQ(0, storeMemo()) << "a refused file is not written in the run";
        }
        ASSERT_EQ(messages, recorder.boxes().size());
        ASSERT_TRUE(readBytes(memoPath()) == bytes);
        ASSERT_TRUE(fileIsFree(memoPath()));
        tally.add();
    }
    for (const RecordedBox& box : recorder.boxes()) {
        EXPECT_EQ(kSizeMessage, box.text);
        EXPECT_EQ(BoxIcon::Error, box.icon);
    }
}

TEST_F(BadStateFiles, SettingsFileOfAnyContentFillsEveryFieldAndIsNeverWritten) {
    Fuzz fuzz;
    CaseTally tally("glimra.ini");
    MessageBoxRecorder recorder;
    int checkedValues = 0;
    int defaultsByAbsence = 0;
    constexpr int kCases = 2500;
    for (int index = 0; index < kCases; ++index) {
        IniCase c = settingsFileCase(fuzz);
        SCOPED_TRACE("case " + std::to_string(index) + ":\n" + c.bytes.substr(0, 400));
        if (c.fileExists) {
            ASSERT_TRUE(putFile(settingsPath(), c.bytes));
        } else {
            DeleteFileW(settingsPath().c_str());
        }
        memset(&Settings, 0x5A, sizeof(Settings));
        loadSettings();

        for (int k = 0; k < kKeyCount; ++k) {
            const int actual = Settings.*kKeys[k].field;
            if (!c.fileExists || !nameAppears(c.bytes, kKeys[k].key)) {
                ASSERT_EQ(kKeys[k].defaultValue, actual) << kKeys[k].key << " is not in the file";
                ++defaultsByAbsence;
            } else if (c.valuesKnown && c.known[k]) {
                ASSERT_EQ(c.expected[k], actual) << kKeys[k].key;
                ++checkedValues;
            }
        }
        ASSERT_EQ(Settings.PICNUM, Settings.sequenceCounter);
        if (c.fileExists) {
            ASSERT_TRUE(readBytes(settingsPath()) == c.bytes) << "loading never writes the file";
        } else {
            ASSERT_FALSE(fileExists(settingsPath())) << "loading never creates the file";
        }
        tally.add();
    }
    EXPECT_TRUE(recorder.boxes().empty());
    std::printf("[  FUZZ    ] glimra.ini: %d values checked against their text, %d defaults of absent keys\n",
                checkedValues, defaultsByAbsence);
}
