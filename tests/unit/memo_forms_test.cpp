// The memo's forms on disk: each file's bytes in, the text shown; the text typed, the bytes stored.
#include "support.h"

namespace {

template <size_t N>
std::string bytes(const char (&literal)[N]) {  // zero bytes included
    return std::string(literal, N - 1);
}

// 511,998 characters "m" after the mark: 1,023,998 bytes, two more would pass the limit.
const std::string kUtf16Limit = [] {
    std::string file = "\xFF\xFE";
    for (int i = 0; i < 511998; ++i) file.append("m\0", 2);
    return file;
}();

// No installed code page has this number: every conversion through it fails.
constexpr unsigned kNoSuchCodePage = 59999;

}  // namespace

using Memo = Glimra;

// A file valid in no form, or whose conversion fails, is a memo that could not be read: the memo is
// empty and the file is not written in that run. Code page 0 is the system's, 932 in this suite.
TEST_F(Memo, EachFormLoadsExactlyAndIsStoredInItsFormWhereItLoadsBackAsTheSameText) {
    const std::wstring kana = L"\uFF8A\uFF72", otherKana = L"\uFF71\uFF72";  // ﾊｲ, ｱｲ
    const struct { const char* what; unsigned codePage; std::string file; int loaded; std::wstring text;
                   std::wstring typed; int stored; std::string after; } rows[] = {
        {"UTF-16LE with its mark", 0,
         bytes("\xFF\xFE\x1A\x4F\x70\x8B\x6F\x30\x33\x00\x42\x66\x0D\x00\x0A\x00\xB7\x8C\x44\x30\x69\x72\xEA\x30\xB9"
               "\x30\xC8\x30\x0D\x00\x0A\x00"),
         1, L"会議は3時\r\n買い物リスト\r\n", L"会議は3時\r\n買い物リスト\r\n牛乳\r\n", 1,
         bytes("\xFF\xFE\x1A\x4F\x70\x8B\x6F\x30\x33\x00\x42\x66\x0D\x00\x0A\x00\xB7\x8C\x44\x30\x69\x72\xEA\x30\xB9"
               "\x30\xC8\x30\x0D\x00\x0A\x00\x5B\x72\x73\x4E\x0D\x00\x0A\x00")},
        {"UTF-16BE with its mark", 0, bytes("\xFE\xFF\x4F\x1A\x8B\x70\x00\x0D\x00\x0A"), 1, L"会議\r\n",
         L"会議\r\n😀", 1, bytes("\xFE\xFF\x4F\x1A\x8B\x70\x00\x0D\x00\x0A\xD8\x3D\xDE\x00")},
        {"UTF-16 at the byte limit", 0, kUtf16Limit, 1, std::wstring(511998, L'm'), std::wstring(511999, L'm'), 0,
         kUtf16Limit},
        {"UTF-16 with an odd byte", 0, bytes("\xFF\xFE\x41\x00\x42"), 0, L"", L"typed", 0,
         bytes("\xFF\xFE\x41\x00\x42")},
        {"UTF-8 with a Latin-1 byte", 0,
         "\xE4\xBC\x9A\xE8\xAD\xB0\xE3\x81\xAF\x33\xE6\x99\x82\r\nCaf\xE9\r\n\xE8\xB2\xB7\xE3\x81\x84\xE7\x89\xA9\xE3"
         "\x83\xAA\xE3\x82\xB9\xE3\x83\x88\r\n",
         0, L"", L"typed", 0,
         "\xE4\xBC\x9A\xE8\xAD\xB0\xE3\x81\xAF\x33\xE6\x99\x82\r\nCaf\xE9\r\n\xE8\xB2\xB7\xE3\x81\x84\xE7\x89\xA9\xE3"
         "\x83\xAA\xE3\x82\xB9\xE3\x83\x88\r\n"},
        {"UTF-16LE without its mark", 0, bytes("A\0B\0"), 0, L"", L"typed", 0, bytes("A\0B\0")},
        {"UTF-16 with a zero character", 0, bytes("\xFF\xFE" "A\0\0\0B\0"), 0, L"", L"typed", 0,
         bytes("\xFF\xFE" "A\0\0\0B\0")},
        {"a lead byte cut off its trail byte", 0, "memo\x83", 0, L"", L"typed", 0, "memo\x83"},
        {"UTF-8 with its mark and an invalid byte", 0, "\xEF\xBB\xBFmemo\xC3", 0, L"", L"typed", 0,
         "\xEF\xBB\xBFmemo\xC3"},
        {"code page text whose bytes are also UTF-8", 0, "\x83\x81", 1, L"メ", kana, 1,
         "\xEF\xBB\xBF\xEF\xBE\x8A\xEF\xBD\xB2"},
        {"those bytes, read as UTF-8", 0, "\xCA\xB2", 1, L"\u02B2", L"\u02B2", 1, "\xCA\xB2"},
        {"code page bytes that are not UTF-8", 0, "\xB1\xB2", 1, otherKana, otherKana, 1, "\xB1\xB2"},
        {"code page text", 0, "\x83\x81\x83\x82", 1, L"メモ", L"メモ€", 1, "\xEF\xBB\xBF\xE3\x83\xA1\xE3\x83\xA2\xE2\x82\xAC"},
        {"UTF-8 without its mark", 0, "\xE3\x83\xA1\xE3\x83\xA2", 1, L"メモ", L"メモ\r\nA", 1,
         "\xE3\x83\xA1\xE3\x83\xA2\r\nA"},
        {"UTF-8 with its mark", 0, "\xEF\xBB\xBFm", 1, L"m", L"A", 1, "\xEF\xBB\xBF" "A"},
        {"UTF-8 as the code page", CP_UTF8, "plain", 1, L"plain", kana, 1, "\xEF\xBE\x8A\xEF\xBD\xB2"},
        {"UTF-8 as the code page, a Latin-1 byte", CP_UTF8, "Caf\xE9", 0, L"", L"typed", 0, "Caf\xE9"},
        {"a code page whose conversion fails", kNoSuchCodePage, "plain", 0, L"", L"typed", 0, "plain"}};
    const std::wstring memo = besideExe(L"memo.txt");
    ASSERT_TRUE(writeFile(memo, ""));
    const std::vector<std::wstring> folder = namesIn(fs::path(memo).parent_path());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(writeFile(memo, row.file));
        memoCodePage = row.codePage;
        wmemcpy(memoText, L"before", 7);
        Boxes boxes;
        EXPECT_EQ(row.loaded, loadMemo());
        EXPECT_TRUE(row.text == memoText) << utf8(memoText).substr(0, 40);
        setMemo(row.typed);
        EXPECT_EQ(row.stored, storeMemo());
        memoCodePage = CP_ACP;
        EXPECT_TRUE(row.after == readFile(memo)) << readFile(memo).substr(0, 40);
        EXPECT_TRUE(boxes.seen.empty());
        EXPECT_EQ(folder, namesIn(fs::path(memo).parent_path())) << "a file left beside it";
    }
}
