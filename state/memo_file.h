// The memo, kept in memo.txt beside the executable in the system ANSI code page or in UTF-8.
#ifndef GLIMRA_MEMO_FILE_H
#define GLIMRA_MEMO_FILE_H

constexpr int kMemoCapacity = 1024000;  // characters, terminator included

// Holds the memo between the edit control and the file.
extern wchar_t memoText[kMemoCapacity];

int loadMemo();
int storeMemo();

// The text memo.txt is known to hold: what start-up put into the memo edit, then what each
// successful store wrote. An exit skips the store only while memoText still equals it, so a file
// the program never wrote is left alone and the last edit always reaches the file.
void rememberMemoAsStored();
bool memoUnchangedSinceStored();

#endif
