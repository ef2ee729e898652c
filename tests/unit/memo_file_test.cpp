// memo.txt: each form's bytes in and text out, text in and bytes out; its limits; and when the memo
// counts as unchanged.
#include <optional>

#include "support.h"

using namespace std::string_literals;  // "..."s keeps its zero bytes
using Memo = Glimra;

// A file loaded, then texts typed and stored in that run, one after the other. A file valid in no form,
// too large, or whose conversion fails, is not read nor written in that run. The code page is used
// only where its bytes load back as the same text, else UTF-8 with its mark; a byte past the limit
// is refused. Code page 0 is the system's, 932 here; none has 59999.
TEST_F(Memo, EachFormLoadsExactlyAndIsStoredInItsFormUpToTheLimitWhereItLoadsBackAsTheSameText) {
    const std::wstring kana = L"\uFF8A\uFF72";  // ﾊｲ, "\xCA\xB2" in the code page
    const std::wstring cpText = std::wstring(1023997, L'm') + L'メ', utf8Text = std::wstring(1023993, L'm') + L'€',
                       ms(511998, L'm');
    const std::string mark = "\xEF\xBB\xBF", cpBytes = std::string(1023997, 'm') + "\x83\x81",  // 1,023,999 bytes
                      utf8Bytes = mark + std::string(1023993, 'm') + "\xE2\x82\xAC", utf16Bytes = "\xFF\xFE" + utf16le(ms);
    const FileRead read = FileRead::Read, failed = FileRead::Failed;
    const std::nullopt_t kept = std::nullopt;  // the file as it was
    struct Store { const char* what; std::wstring typed; int stored; std::optional<std::string> after; };
    const struct { const char* what; std::string file; FileRead loaded; std::wstring text; std::vector<Store> stores;
                   unsigned codePage = CP_ACP; } rows[] = {
        {.what = "UTF-16LE with its mark", .file = "\xFF\xFE\x1A\x4F\x0D\x00\x0A\x00"s, .loaded = read,
         .text = L"会\r\n", .stores = {{.what = "", .typed = L"会\r\n牛", .stored = 1,
                                        .after = "\xFF\xFE\x1A\x4F\x0D\x00\x0A\x00\x5B\x72"s}}},
        {.what = "UTF-16BE with its mark", .file = "\xFE\xFF\x4F\x1A"s, .loaded = read, .text = L"会",
         .stores = {{.what = "", .typed = L"会😀", .stored = 1, .after = "\xFE\xFF\x4F\x1A\xD8\x3D\xDE\x00"s}}},
        {.what = "UTF-16 at the limit", .file = utf16Bytes, .loaded = read, .text = ms,
         .stores = {{.what = "", .typed = ms + L'm', .stored = 0, .after = kept}}},
        {.what = "UTF-16 with an odd byte", .file = "\xFF\xFE\x41\x00\x42"s, .loaded = failed, .text = L"",
         .stores = {{.what = "", .typed = L"typed", .stored = 0, .after = kept}}},
        {.what = "UTF-16LE without its mark", .file = "A\0B\0"s, .loaded = failed, .text = L"",
         .stores = {{.what = "", .typed = L"typed", .stored = 0, .after = kept}}},
        {.what = "UTF-16 with a zero character", .file = "\xFF\xFE" "A\0\0\0B\0"s, .loaded = failed, .text = L"",
         .stores = {{.what = "", .typed = L"typed", .stored = 0, .after = kept}}},
        {.what = "UTF-8, then a lead byte without its trail", .file = "\xE3\x83\xA1memo\x83", .loaded = failed,
         .text = L"", .stores = {{.what = "", .typed = L"typed", .stored = 0, .after = kept}}},
        {.what = "UTF-8 with its mark and an invalid byte", .file = mark + "memo\xC3", .loaded = failed, .text = L"",
         .stores = {{.what = "", .typed = L"typed", .stored = 0, .after = kept}}},
        {.what = "UTF-8 with its mark keeps it", .file = mark + "m", .loaded = read, .text = L"m",
         .stores = {{.what = "", .typed = L"A", .stored = 1, .after = mark + "A"}}},
        {.what = "UTF-8 at the limit", .file = utf8Bytes, .loaded = read, .text = utf8Text,
         .stores = {{.what = "", .typed = utf8Text + L'm', .stored = 0, .after = kept}}},
        {.what = "Notepad's UTF-8 without a mark", .file = "\xE3\x83\xA1\xE3\x83\xA2 note", .loaded = read,
         .text = L"メモ note", .stores = {{.what = "", .typed = L"メモ", .stored = 1, .after = "\xE3\x83\xA1\xE3\x83\xA2"}}},
        {.what = "the code page, lines and all", .file = "\x83\x81\x83\x82\r\nABC", .loaded = read,
         .text = L"メモ\r\nABC", .stores = {{.what = "", .typed = L"メモ\r\nA", .stored = 1, .after = "\x83\x81\x83\x82\r\nA"}}},
        {.what = "the code page", .file = "plain", .loaded = read, .text = L"plain",
         .stores = {{.what = "characters the code page lacks", .typed = L"€ 한 😀 e\u0301", .stored = 1,
                     .after = mark + "\xE2\x82\xAC \xED\x95\x9C \xF0\x9F\x98\x80 e\xCC\x81"},
                    {.what = "no look-alike stands in", .typed = L"¥é", .stored = 1, .after = mark + "\xC2\xA5\xC3\xA9"},
                    {.what = "the code page again in that run", .typed = L"メモ", .stored = 1, .after = "\x83\x81\x83\x82"},
                    {.what = "UTF-8 at the limit, for a memo the code page lacks", .typed = utf8Text, .stored = 1,
                     .after = utf8Bytes}}},
        {.what = "the code page at the limit", .file = cpBytes, .loaded = read, .text = cpText,
         .stores = {{.what = "", .typed = cpText + L'm', .stored = 0, .after = kept}}},
        {.what = "the code page past the limit", .file = "m" + cpBytes, .loaded = FileRead::TooLarge, .text = L"",
         .stores = {{.what = "", .typed = L"typed", .stored = 0, .after = kept}}},
        {.what = "code page text whose bytes are also UTF-8", .file = "\x83\x81", .loaded = read, .text = L"メ",
         .stores = {{.what = "", .typed = kana, .stored = 1, .after = mark + "\xEF\xBE\x8A\xEF\xBD\xB2"}}},
        {.what = "those bytes, read as UTF-8", .file = "\xCA\xB2", .loaded = read, .text = L"\u02B2",
         .stores = {{.what = "", .typed = L"\u02B2", .stored = 1, .after = "\xCA\xB2"}}},
        {.what = "UTF-8 as the code page", .file = "plain", .loaded = read, .text = L"plain",
         .stores = {{.what = "", .typed = kana, .stored = 1, .after = "\xEF\xBE\x8A\xEF\xBD\xB2"}}, .codePage = CP_UTF8},
        {.what = "a code page whose conversion fails", .file = "plain", .loaded = failed, .text = L"",
         .stores = {{.what = "", .typed = L"typed", .stored = 0, .after = kept}}, .codePage = 59999}};
    ASSERT_TRUE(writeFile(kMemoFile, ""));
    const Names folder = namesIn(fs::path(kMemoFile).parent_path());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(writeFile(kMemoFile, row.file));
        memoCodePage = row.codePage;
        wmemcpy(memoText, L"before", 7);
        Boxes boxes;
        EXPECT_EQ(row.loaded, loadMemo());
        EXPECT_TRUE(row.text == memoText) << utf8(memoText).substr(0, 40);
        for (const Store& store : row.stores) {
            SCOPED_TRACE(store.what);
            const std::string before = readFile(kMemoFile);
            setMemo(store.typed);
            EXPECT_EQ(store.stored, storeMemo());
            EXPECT_TRUE(store.after.value_or(before) == readFile(kMemoFile)) << readFile(kMemoFile).substr(0, 40);
        }
        memoCodePage = CP_ACP;
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
