#include "pms/owned_text.h"

#include <cstring>

#include "platform/text.h"

int CopyToOwnedText(CAutoCharBuffer& buffer, const char* text, size_t maxBytes) {
    buffer.Release();
    const size_t length = TextCutLength(text, maxBytes);
    if (length == 0) return 1;
    const int allocated = buffer.Allocate(static_cast<int>(length), true);
    if (allocated != 1) return allocated;
    std::memcpy(buffer.Get(), text, length);
    return 1;
}

int CopyWholeText(char* out, const char* text, size_t maxBytes) {
    if (!text || !*text) return -1;
    const size_t length = strnlen(text, maxBytes + 1);
    if (length > maxBytes) return -5;
    std::memcpy(out, text, length);
    out[length] = '\0';
    return 1;
}
