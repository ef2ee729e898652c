// The memo's forms on disk: each file's bytes in, the text shown; the text typed, the bytes stored.
#include "support.h"

using namespace std::string_literals;  // "..."s keeps its zero bytes
using Memo = Glimra;

// A file valid in no form, or whose conversion fails, is not read and not written in that run. Code
// page 0 is the system's, 932 here; no system has code page 59999.
TEST_F(Memo, EachFormLoadsExactlyAndIsStoredInItsFormWhereItLoadsBackAsTheSameText) {
    const std::wstring ms(511998, L'm');  // with the mark 1,023,998 bytes, two more would pass the limit
    const std::string utf16Limit = "\xFF\xFE"s + std::string(reinterpret_cast<const char*>(ms.data()), ms.size() * 2);
    const std::wstring kana = L"\uFF8A\uFF72";  // ﾊｲ, "\xCA\xB2" in the code page
    const struct { const char* what; unsigned codePage; std::string file; int loaded; std::wstring text;
                   std::wstring typed; int stored; std::string after; } rows[] = {
        {"UTF-16LE with its mark", 0, "\xFF\xFE\x1A\x4F\x0D\x00\x0A\x00"s, 1, L"会\r\n", L"会\r\n牛", 1,
         "\xFF\xFE\x1A\x4F\x0D\x00\x0A\x00\x5B\x72"s},
        {"UTF-16BE with its mark", 0, "\xFE\xFF\x4F\x1A"s, 1, L"会", L"会😀", 1, "\xFE\xFF\x4F\x1A\xD8\x3D\xDE\x00"s},
        {"UTF-16 at the byte limit", 0, utf16Limit, 1, ms, ms + L'm', 0, utf16Limit},
        {"UTF-16 with an odd byte", 0, "\xFF\xFE\x41\x00\x42"s, 0, L"", L"typed", 0, "\xFF\xFE\x41\x00\x42"s},
        {"UTF-16LE without its mark", 0, "A\0B\0"s, 0, L"", L"typed", 0, "A\0B\0"s},
        {"UTF-16 with a zero character", 0, "\xFF\xFE" "A\0\0\0B\0"s, 0, L"", L"typed", 0, "\xFF\xFE" "A\0\0\0B\0"s},
        {"UTF-8, then a lead byte cut off its trail byte", 0, "\xE3\x83\xA1memo\x83", 0, L"", L"typed", 0,
         "\xE3\x83\xA1memo\x83"},
        {"UTF-8 with its mark and an invalid byte", 0, "\xEF\xBB\xBFmemo\xC3", 0, L"", L"typed", 0,
         "\xEF\xBB\xBFmemo\xC3"},
        {"code page text whose bytes are also UTF-8", 0, "\x83\x81", 1, L"メ", kana, 1,
         "\xEF\xBB\xBF\xEF\xBE\x8A\xEF\xBD\xB2"},
        {"those bytes, read as UTF-8", 0, "\xCA\xB2", 1, L"\u02B2", L"\u02B2", 1, "\xCA\xB2"},
        {"UTF-8 as the code page", CP_UTF8, "plain", 1, L"plain", kana, 1, "\xEF\xBE\x8A\xEF\xBD\xB2"},
        {"a code page whose conversion fails", 59999, "plain", 0, L"", L"typed", 0, "plain"}};
    const std::wstring memo = besideExe(L"memo.txt");
    ASSERT_TRUE(writeFile(memo, ""));
    const std::vector<std::wstring> folder = namesIn(fs::path(memo).parent_path());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(writeFile(memo, row.file));
        memoCodePage = row.codePage;
        wmemcpy(memoText, L"before", 7);
        Boxes boxes;
        EXPECT_EQ(row.loaded == 1, loadMemo() == FileRead::Read);
        EXPECT_TRUE(row.text == memoText) << utf8(memoText).substr(0, 40);
        setMemo(row.typed);
        EXPECT_EQ(row.stored, storeMemo());
        memoCodePage = CP_ACP;
        EXPECT_TRUE(row.after == readFile(memo)) << readFile(memo).substr(0, 40);
        EXPECT_TRUE(boxes.seen.empty());
        EXPECT_EQ(folder, namesIn(fs::path(memo).parent_path())) << "a file left beside it";
    }
}
