// The memo, kept in memo.txt beside the executable in the system ANSI code page.
#ifndef GLIMRA_MEMO_FILE_H
#define GLIMRA_MEMO_FILE_H

constexpr int kMemoCapacity = 1024000;  // characters, terminator included

// Holds the memo between the edit control and the file.
extern wchar_t memoText[kMemoCapacity];

int loadMemo();
int storeMemo();

// What start-up put into the memo edit is remembered, so an exit with the memo untouched leaves
// the file alone.
void rememberStartupMemo();
bool memoUnchangedSinceStartup();

#endif
