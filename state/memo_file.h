// The memo, kept in memo.txt beside the executable in the system ANSI code page, in UTF-8 or in
// UTF-16.
#ifndef GLIMRA_MEMO_FILE_H
#define GLIMRA_MEMO_FILE_H

#include "state_files.h"

constexpr int kMemoCapacity = 1024000;  // characters, terminator included

// Holds the memo between the edit control and the file.
extern wchar_t memoText[kMemoCapacity];

// The code page of the memo's ANSI form: the system's (CP_ACP), or another one a test sets, so the
// rules of a system whose code page is UTF-8 (65001) can be seen on any.
extern unsigned int memoCodePage;

// Read unless the file cannot be read, is too large, or is valid in no form (Failed): the memo is
// then empty and the file is never written in that run.
FileRead loadMemo();
// 1 when memo.txt now holds the memo; 0 when it could not be written, or the memo's bytes do not
// fit the file's limit (memoFitsItsFile tells which).
int storeMemo();
// Whether the memo's bytes, in the form storeMemo would write, are within memo.txt's limit; where
// they are not, no store can succeed until the memo is shortened.
bool memoFitsItsFile();

// The text memo.txt is known to hold: what start-up put into the memo edit, then what each
// successful store wrote. An exit skips the store only while memoText still equals it, so a file
// the program never wrote is left alone and the last edit always reaches the file.
void rememberMemoAsStored();
bool memoUnchangedSinceStored();

#endif
