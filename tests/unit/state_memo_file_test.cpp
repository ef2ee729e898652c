// The memo file: ANSI bytes on disk both ways, the size limits, a file held elsewhere, the
// refused file and the over-long memo that must leave the old file whole, and the start-up memo.
#include "state_files.h"

namespace {

const wchar_t kSizeMessage[] = L"ファイルサイズが許容限界をオーバーしています。";

// "日本語メモ\r\n二行目" in Shift-JIS.
const std::string kJapaneseBytes = "\x93\xfa\x96\x7b\x8c\xea\x83\x81\x83\x82\r\n\x93\xf1\x8d\x73\x96\xda";
const wchar_t kJapaneseText[] = L"日本語メモ\r\n二行目";

void setMemoText(const std::wstring& text) {
    wmemset(memoText, L'\0', kMemoCapacity);
    wmemcpy(memoText, text.data(), text.size());
}

}  // namespace

using MemoFile = StateFiles;

TEST_F(MemoFile, LoadsTheAnsiTextUpToTheFirstZeroByte) {
    ASSERT_EQ(932u, GetACP()) << "the tests run in a Japanese locale";
    struct Case {
        const char* name;
        bool fileExists;
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {"no file", false, "", L""},
        {"empty file", true, "", L""},
        {"two lines", true, "first\r\nsecond\r\n", L"first\r\nsecond\r\n"},
        {"Shift-JIS", true, kJapaneseBytes, kJapaneseText},
        {"zero byte inside", true, std::string("before\0after", 12), L"before"},
        {"UTF-16 text", true, std::string("A\0B\0C\0", 6), L"A"},
        {"UTF-8 read as ANSI", true, "\xC3\xA9", L"\uFF83\uFF69"},
        {"1023999 bytes", true, std::string(1024000 - 1, 'm'), std::wstring(kMemoCapacity - 1, L'm')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(memoPath().c_str());
        if (c.fileExists) {
            ASSERT_TRUE(writeBytes(memoPath(), c.bytes));
        }
        setMemoText(L"left over from before");
        MessageBoxRecorder recorder;
        EXPECT_EQ(1, loadMemo());
        EXPECT_TRUE(std::wstring(memoText) == c.text);
        EXPECT_TRUE(recorder.boxes().empty());
        EXPECT_EQ(c.bytes, readBytes(memoPath()));
        EXPECT_TRUE(fileExists(memoPath()));
    }
}

TEST_F(MemoFile, StoresTheAnsiBytesWithoutTerminatorOverWhateverWasThere) {
    ASSERT_EQ(932u, GetACP());
    struct Case {
        const char* name;
        std::wstring text;
        std::string bytes;
    } steps[] = {
        {"a long memo", L"a long memo of several words\r\nand a second line", "a long memo of several words\r\nand a second line"},
        {"shorter", L"short", "short"},
        {"Japanese", kJapaneseText, kJapaneseBytes},
        {"missing in the code page", L"a\uD55Cb", "a?b"},
        {"empty", L"", ""},
        {"1023999 ASCII characters", std::wstring(kMemoCapacity - 1, L'a'), std::string(1024000 - 1, 'a')},
        {"1023999 bytes with a double-byte character", std::wstring(kMemoCapacity - 3, L'a') + L"日",
         std::string(1024000 - 3, 'a') + "\x93\xfa"},
    };
    for (const Case& step : steps) {
        SCOPED_TRACE(step.name);
        setMemoText(step.text);
        EXPECT_EQ(1, storeMemo());
        EXPECT_TRUE(readBytes(memoPath()) == step.bytes);
    }
}

TEST_F(MemoFile, JapaneseComesBackAndMissingCharactersComeBackAsQuestionMarks) {
    setMemoText(std::wstring(kJapaneseText) + L" \uD55C");
    ASSERT_EQ(1, storeMemo());
    wmemset(memoText, L'\0', kMemoCapacity);
    ASSERT_EQ(1, loadMemo());
    EXPECT_EQ(std::wstring(kJapaneseText) + L" ?", std::wstring(memoText));
}

TEST_F(MemoFile, AMemoWhoseAnsiFormDoesNotFitLeavesTheOldFileWhole) {
    ASSERT_TRUE(writeBytes(memoPath(), "the old memo"));
    setMemoText(std::wstring(kMemoCapacity - 2, L'a') + L"日");
    EXPECT_EQ(0, storeMemo());
    EXPECT_EQ("the old memo", readBytes(memoPath()));

    setMemoText(std::wstring(kMemoCapacity - 1, L'日'));
    EXPECT_EQ(0, storeMemo());
    EXPECT_EQ("the old memo", readBytes(memoPath()));
}

TEST_F(MemoFile, AFileHeldElsewhereFailsLoadAndStoreQuietlyAndKeepsItsBytes) {
    ASSERT_TRUE(writeBytes(memoPath(), "kept"));
    MessageBoxRecorder recorder;
    HANDLE held = holdFile(memoPath());
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(0, loadMemo());
    EXPECT_EQ(L"", std::wstring(memoText));
    setMemoText(L"typed meanwhile");
    EXPECT_EQ(0, storeMemo());
    CloseHandle(held);
    EXPECT_EQ("kept", readBytes(memoPath()));
    EXPECT_TRUE(recorder.boxes().empty());

    EXPECT_EQ(1, storeMemo()) << "a file held only at load is written once free";
    EXPECT_EQ("typed meanwhile", readBytes(memoPath()));
}

TEST_F(MemoFile, AFileRefusedForItsSizeIsNeverWrittenInThatRunNorKeptOpen) {
    const std::string tooLarge(1024000, 'z');
    ASSERT_TRUE(writeBytes(memoPath(), tooLarge));
    {
        MessageBoxRecorder recorder;
        EXPECT_EQ(0, loadMemo());
        ASSERT_EQ(1u, recorder.boxes().size());
        EXPECT_EQ(kSizeMessage, recorder.boxes()[0].text);
        EXPECT_EQ(L"Glimra Ver 3.00", recorder.boxes()[0].caption);
        EXPECT_EQ(BoxIcon::Error, recorder.boxes()[0].icon);
    }
    EXPECT_EQ(L"", std::wstring(memoText));

    HANDLE other = holdFile(memoPath());
    EXPECT_NE(INVALID_HANDLE_VALUE, other) << "the refused file is not held open";
    CloseHandle(other);

    for (const wchar_t* text : {L"typed after start-up", L""}) {
        setMemoText(text);
        EXPECT_EQ(0, storeMemo());
    }
    EXPECT_TRUE(readBytes(memoPath()) == tooLarge);

    ASSERT_TRUE(writeBytes(memoPath(), "small now"));
    ASSERT_EQ(1, loadMemo()) << "the next run starts afresh";
    setMemoText(L"stored");
    EXPECT_EQ(1, storeMemo());
    EXPECT_EQ("stored", readBytes(memoPath()));
}

TEST_F(MemoFile, TheMemoCountsAsUnchangedOnlyWhileTheEditHoldsWhatStartUpPutThere) {
    createPanel();
    HWND edit = GetDlgItem(panel, IDC_MEMO);
    SetWindowTextW(edit, kJapaneseText);
    takeMemoFromPanel();
    rememberMemoAsStored();
    struct Step {
        const wchar_t* edit;
        bool unchanged;
    } steps[] = {
        {kJapaneseText, true},
        {L"日本語メモ\r\n二行目!", false},
        {L"日本語メモ\r\n二行", false},
        {L"日本語メモ\r\n二行目", true},
        {L"", false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(narrow(step.edit));
        SetWindowTextW(edit, step.edit);
        takeMemoFromPanel();
        EXPECT_EQ(std::wstring(step.edit), std::wstring(memoText));
        EXPECT_EQ(step.unchanged, memoUnchangedSinceStored());
    }

    SetWindowTextW(edit, L"");
    takeMemoFromPanel();
    rememberMemoAsStored();
    takeMemoFromPanel();
    EXPECT_TRUE(memoUnchangedSinceStored()) << "an empty start-up memo left empty";
}

TEST_F(MemoFile, TakingTheMemoFromTheEditClearsTheBufferAndCutsWhatDoesNotFit) {
    createPanel();
    HWND edit = GetDlgItem(panel, IDC_MEMO);
    wmemset(memoText, L'#', kMemoCapacity);
    SetWindowTextW(edit, L"short");
    takeMemoFromPanel();
    EXPECT_EQ(L"short", std::wstring(memoText));
    EXPECT_EQ(std::wstring(kMemoCapacity - 5, L'\0'), std::wstring(memoText + 5, kMemoCapacity - 5));

    std::wstring line = std::wstring(48, L'x') + L"\r\n";
    std::wstring longText;
    while (longText.size() < size_t(kMemoCapacity) + 100) {
        longText += line;
    }
    SetWindowTextW(edit, longText.c_str());
    takeMemoFromPanel();
    EXPECT_TRUE(std::wstring(memoText) == longText.substr(0, kMemoCapacity - 1));
}
