#pragma once
// Narrow text of the target: the ANSI code page on Windows, UTF-8 on Linux.

#include <cstddef>
#include <string>

// The number of bytes of `text` (up to its terminator) that fit in `maxBytes`
// without splitting a character: on Linux a UTF-8 sequence is never cut; on
// Windows the single-byte ANSI text is cut anywhere.
size_t TextCutLength(const char* text, size_t maxBytes);

// Copies the longest prefix of `text` that fits in `maxBytes` bytes without
// splitting a character into `out` (capacity maxBytes + 1) and terminates it.
// Returns the number of bytes copied. A null `text` copies nothing.
size_t CopyTextCut(char* out, const char* text, size_t maxBytes);

// ANSI code page to UTF-8 (Windows: through UTF-16; Linux: a copy). Writes at
// most outSize - 1 bytes and a terminator without splitting a character;
// returns the bytes written, 0 on failure.
int AnsiToUtf8(const char* ansi, char* out, int outSize);
// UTF-8 to the ANSI code page (Windows: through UTF-16, characters outside
// the code page become '?'; Linux: a copy cut on a character boundary).
int Utf8ToAnsi(const char* utf8, char* out, int outSize);

// The two conversions above for whole texts: the text itself when it cannot
// be converted; an empty text for null.
std::string NarrowToUtf8(const char* narrow);
std::string Utf8ToNarrow(const std::string& utf8);
