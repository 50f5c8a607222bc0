#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/text.h"

size_t TextCutLength(const char* text, size_t maxBytes) { return text ? strnlen(text, maxBytes) : 0; }

size_t CopyTextCut(char* out, const char* text, size_t maxBytes) {
    const size_t length = TextCutLength(text, maxBytes);
    if (length) std::memcpy(out, text, length);
    out[length] = '\0';
    return length;
}

namespace {
// Converts between two code pages through UTF-16. The output is cut, on a
// character boundary, to outSize - 1 bytes.
int Convert(UINT from, UINT to, const char* text, char* out, int outSize) {
    if (!text || !out || outSize < 1) return 0;
    out[0] = '\0';
    const int wide = MultiByteToWideChar(from, 0, text, -1, nullptr, 0);
    if (wide <= 0) return 0;
    std::vector<wchar_t> buffer(static_cast<size_t>(wide));
    if (MultiByteToWideChar(from, 0, text, -1, buffer.data(), wide) <= 0) return 0;
    // Drop whole characters from the end until the result fits.
    int count = wide - 1;
    for (;;) {
        const int bytes = WideCharToMultiByte(to, 0, buffer.data(), count, nullptr, 0, nullptr, nullptr);
        if (bytes < 0) return 0;
        if (bytes <= outSize - 1) {
            const int written = WideCharToMultiByte(to, 0, buffer.data(), count, out, outSize - 1, nullptr, nullptr);
            out[written > 0 ? written : 0] = '\0';
            return written > 0 ? written : 0;
        }
        --count;
        if (count > 0 && IS_LOW_SURROGATE(buffer[static_cast<size_t>(count)])) --count;
    }
}
}  // namespace

int AnsiToUtf8(const char* ansi, char* out, int outSize) { return Convert(CP_ACP, CP_UTF8, ansi, out, outSize); }
int Utf8ToAnsi(const char* utf8, char* out, int outSize) { return Convert(CP_UTF8, CP_ACP, utf8, out, outSize); }
