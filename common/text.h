// Bounded text helpers: no copy or format can run past its buffer.
#ifndef GLIMRA_TEXT_H
#define GLIMRA_TEXT_H

#include <cstddef>

// Bounded copy and append: true when the whole text fitted; on false the buffer holds an empty
// string, never a cut one, so a path that does not fit is never used half.
bool copyText(wchar_t* buffer, size_t capacity, const wchar_t* text);
bool appendText(wchar_t* buffer, size_t capacity, const wchar_t* text);

// Bounded printf into a cleared buffer; formats use %ls, %d and %X only. False when the text was cut.
bool formatText(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);

#endif
