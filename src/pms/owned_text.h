#pragma once
// Copies of texts into owning character buffers.

#include <cstddef>

#include "log/auto_char_buffer.h"

// The longest path the connector keeps: the longest path Windows accepts.
inline constexpr size_t kMaxPathLength = 32767;

// Replaces the content of `buffer` with `text`, cut to at most `maxBytes`
// bytes without splitting a character. A null or empty text leaves an empty,
// released buffer. 1; -4 no memory.
int CopyToOwnedText(CAutoCharBuffer& buffer, const char* text, size_t maxBytes);

// Copies `text` into `out` (capacity maxBytes + 1). 1; -1 no text or an empty
// one; -5 the text is longer than maxBytes (nothing copied: a cut would change
// what it names or proves, as with an issue key or a password).
int CopyWholeText(char* out, const char* text, size_t maxBytes);
