#include <cstring>

#include "platform/text.h"

size_t TextCutLength(const char* text, size_t maxBytes) {
    if (!text) return 0;
    const size_t length = strnlen(text, maxBytes);
    if (length < maxBytes || text[length] == '\0') return length;
    // Cut inside the text: step back over continuation bytes (10xxxxxx) to the
    // start of the character that would be split, unless it is complete.
    size_t start = length;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    return start;
}

size_t CopyTextCut(char* out, const char* text, size_t maxBytes) {
    const size_t length = TextCutLength(text, maxBytes);
    if (length) std::memcpy(out, text, length);
    out[length] = '\0';
    return length;
}

int AnsiToUtf8(const char* ansi, char* out, int outSize) {
    if (!ansi || !out || outSize < 1) return 0;
    return static_cast<int>(CopyTextCut(out, ansi, static_cast<size_t>(outSize - 1)));
}

int Utf8ToAnsi(const char* utf8, char* out, int outSize) { return AnsiToUtf8(utf8, out, outSize); }
