#include "log/error_base.h"

#include <cstring>

namespace {
int BoundedLength(const char* text, int limit) {
    int n = 0;
    while (n < limit && text[n] != '\0')
        ++n;
    return n;
}
}  // namespace

int CErrorBase::SetError(const char* name, int nameLimit, const char* text, int textLimit, int code) {
    if (!name || !text || nameLimit < 1 || textLimit < 1) return -1;
    ClearError();
    const int nameLength = BoundedLength(name, nameLimit);
    const int textLength = BoundedLength(text, textLimit);
    if (m_name.Allocate(nameLength + 3, true) != 1 || m_text.Allocate(textLength + 3, true) != 1) {
        ClearError();
        return -4;
    }
    std::memcpy(m_name.Get(), name, static_cast<size_t>(nameLength));
    std::memcpy(m_text.Get(), text, static_cast<size_t>(textLength));
    m_nameLength = nameLength;
    m_textLength = textLength;
    m_code = code;
    return 1;
}

void CErrorBase::ClearError() {
    m_name.Release();
    m_text.Release();
    m_nameLength = 0;
    m_textLength = 0;
    m_code = 0;
}
