// memo.txt: each form's bytes in and text out, text in and bytes out; its limits; and when the memo
// counts as unchanged.
#include <optional>

#include "support.h"

using namespace std::string_literals;  // "..."s keeps its zero bytes
using Memo = Glimra;

// A file loaded, then a text typed and stored; a row without a file goes on in the run before it. A
// file valid in no form, too large, or whose conversion fails, is not read nor written in that run.
// The code page is used only where its bytes load back as the same text, else UTF-8 with its mark;
// a byte past the limit is refused. Code page 0 is the system's, 932 here; none has 59999.
TEST_F(Memo, EachFormLoadsExactlyAndIsStoredInItsFormUpToTheLimitWhereItLoadsBackAsTheSameText) {
    const std::wstring kana = L"\uFF8A\uFF72";  // ﾊｲ, "\xCA\xB2" in the code page
    const std::wstring cpText = std::wstring(1023997, L'm') + L'メ', utf8Text = std::wstring(1023993, L'm') + L'€',
                       ms(511998, L'm');
    const std::string mark = "\xEF\xBB\xBF", cpBytes = std::string(1023997, 'm') + "\x83\x81",  // 1,023,999 bytes
                      utf8Bytes = mark + std::string(1023993, 'm') + "\xE2\x82\xAC", utf16Bytes = "\xFF\xFE" + utf16le(ms);
    const FileRead read = FileRead::Read, failed = FileRead::Failed;
    const std::nullopt_t kept = std::nullopt;  // the file as it was
    const struct { const char* what; std::optional<std::string> file; FileRead loaded; std::wstring text, typed;
                   int stored; std::optional<std::string> after; unsigned codePage = CP_ACP; } rows[] = {
        {"UTF-16LE with its mark", "\xFF\xFE\x1A\x4F\x0D\x00\x0A\x00"s, read, L"会\r\n", L"会\r\n牛", 1,
         "\xFF\xFE\x1A\x4F\x0D\x00\x0A\x00\x5B\x72"s},
        {"UTF-16BE with its mark", "\xFE\xFF\x4F\x1A"s, read, L"会", L"会😀", 1, "\xFE\xFF\x4F\x1A\xD8\x3D\xDE\x00"s},
        {"UTF-16 at the limit", utf16Bytes, read, ms, ms + L'm', 0, kept},
        {"UTF-16 with an odd byte", "\xFF\xFE\x41\x00\x42"s, failed, L"", L"typed", 0, kept},
        {"UTF-16LE without its mark", "A\0B\0"s, failed, L"", L"typed", 0, kept},
        {"UTF-16 with a zero character", "\xFF\xFE" "A\0\0\0B\0"s, failed, L"", L"typed", 0, kept},
        {"UTF-8, then a lead byte without its trail", "\xE3\x83\xA1memo\x83", failed, L"", L"typed", 0, kept},
        {"UTF-8 with its mark and an invalid byte", mark + "memo\xC3", failed, L"", L"typed", 0, kept},
        {"UTF-8 with its mark keeps it", mark + "m", read, L"m", L"A", 1, mark + "A"},
        {"UTF-8 at the limit", utf8Bytes, read, utf8Text, utf8Text + L'm', 0, kept},
        {"Notepad's UTF-8 without a mark", "\xE3\x83\xA1\xE3\x83\xA2 note", read, L"メモ note", L"メモ", 1,
         "\xE3\x83\xA1\xE3\x83\xA2"},
        {"the code page, lines and all", "\x83\x81\x83\x82\r\nABC", read, L"メモ\r\nABC", L"メモ\r\nA", 1,
         "\x83\x81\x83\x82\r\nA"},
        {"characters the code page lacks", "plain", read, L"plain", L"€ 한 😀 e\u0301", 1,
         mark + "\xE2\x82\xAC \xED\x95\x9C \xF0\x9F\x98\x80 e\xCC\x81"},
        {"no look-alike stands in", std::nullopt, read, L"", L"¥é", 1, mark + "\xC2\xA5\xC3\xA9"},
        {"the code page again in that run", std::nullopt, read, L"", L"メモ", 1, "\x83\x81\x83\x82"},
        {"UTF-8 at the limit, for a memo the code page lacks", std::nullopt, read, L"", utf8Text, 1, utf8Bytes},
        {"the code page at the limit", cpBytes, read, cpText, cpText + L'm', 0, kept},
        {"the code page past the limit", "m" + cpBytes, FileRead::TooLarge, L"", L"typed", 0, kept},
        {"code page text whose bytes are also UTF-8", "\x83\x81", read, L"メ", kana, 1, mark + "\xEF\xBE\x8A\xEF\xBD\xB2"},
        {"those bytes, read as UTF-8", "\xCA\xB2", read, L"\u02B2", L"\u02B2", 1, "\xCA\xB2"},
        {"UTF-8 as the code page", "plain", read, L"plain", kana, 1, "\xEF\xBE\x8A\xEF\xBD\xB2", CP_UTF8},
        {"a code page whose conversion fails", "plain", failed, L"", L"typed", 0, kept, 59999}};
    ASSERT_TRUE(writeFile(kMemoFile, ""));
    const Names folder = namesIn(fs::path(kMemoFile).parent_path());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(!row.file || writeFile(kMemoFile, *row.file));
        const std::string before = readFile(kMemoFile);
        memoCodePage = row.codePage;
        wmemcpy(memoText, L"before", 7);
        Boxes boxes;
        EXPECT_EQ(row.loaded, row.file ? loadMemo() : FileRead::Read);
        EXPECT_TRUE(!row.file || row.text == memoText) << utf8(memoText).substr(0, 40);
        setMemo(row.typed);
        EXPECT_EQ(row.stored, storeMemo());
        memoCodePage = CP_ACP;
        EXPECT_TRUE(row.after.value_or(before) == readFile(kMemoFile)) << readFile(kMemoFile).substr(0, 40);
        EXPECT_TRUE(boxes.seen.empty());
        EXPECT_EQ(folder, namesIn(fs::path(kMemoFile).parent_path())) << "a file left beside it";
    }
}

// Only what start-up put into the edit, then what each store wrote, counts as unchanged: a store
// that failed counts for nothing, and a file not read at start-up is never written in that run.
TEST_F(Memo, CountsAsUnchangedOnlyWhileItHoldsWhatStartUpLoadedOrTheLastStoreWrote) {
    enum Step { StartLoading, StartWhileHeld, StartNotLoading, Edit, Store, StoreWhileHeld };
    const struct { Step step; std::wstring memo; int result; bool unchanged; std::string file; } steps[] = {
        {StartLoading, L"A", 1, true, "A"}, {Store, L"AB", 1, true, "AB"}, {Edit, L"A", -1, false, "AB"},
        {Store, L"A", 1, true, "A"}, {StartNotLoading, L"", -1, true, "A"}, {Store, L"X", 1, true, "X"},
        {Edit, L"Y", -1, false, "X"}, {Edit, L"", -1, false, "X"}, {Store, L"", 1, true, ""},
        {StoreWhileHeld, L"Z", 0, false, ""}, {Edit, L"", -1, true, ""},
        {Store, std::wstring(600000, L'メ'), 0, false, ""}, {Store, L"kept", 1, true, "kept"},
        {StartWhileHeld, L"", 0, true, "kept"}, {Store, L"quick note", 0, false, "kept"}};
    ASSERT_TRUE(writeFile(kMemoFile, "A"));
    const Names folder = namesIn(fs::path(kMemoFile).parent_path());
    for (const auto& step : steps) {
        SCOPED_TRACE(&step - steps);
        const bool loads = step.step == StartLoading || step.step == StartWhileHeld;
        setMemo(loads ? L"" : step.memo);
        ScopedFile held = step.step == StoreWhileHeld || step.step == StartWhileHeld ? hold(kMemoFile) : ScopedFile();
        const int result = loads ? int(loadMemo() == FileRead::Read)
                           : step.step == Store || step.step == StoreWhileHeld ? storeMemo() : -1;
        if (loads || step.step == StartNotLoading) rememberMemoAsStored();
        held.reset();
        EXPECT_EQ(step.result, result);
        EXPECT_TRUE(step.memo == std::wstring(memoText));
        EXPECT_EQ(step.unchanged, memoUnchangedSinceStored());
        EXPECT_EQ(step.file, readFile(kMemoFile));
        EXPECT_EQ(folder, namesIn(fs::path(kMemoFile).parent_path())) << "a file left beside it";
    }
}
