#include "sensing/browser_base.h"

#include <cstring>

#include "platform/text.h"

int CBrowserBase::WriteName(const char* name, char* buffer, int size) {
    if (!buffer || size < 1) return -1;
    std::memset(buffer, 0, static_cast<size_t>(size));
    CopyTextCut(buffer, name, static_cast<size_t>(size - 1));
    return 1;
}

int CBrowserBase::GetName(char* buffer, int size) { return WriteName("CBrowserBase", buffer, size); }

int CBrowserBase::ReadURL(const CProcess&, char*, int) { return 0; }

int CBrowserBase::IsBrowserProcess(CProcess&) { return 0; }

int CBrowserBase::SetURL(const char* text, int maxLength) {
    if (!text || maxLength < 1) return -1;
    const size_t measured = strnlen(text, static_cast<size_t>(maxLength));
    const size_t limit = kAddressSize - 1;
    m_length = static_cast<int>(CopyTextCut(m_address, text, measured < limit ? measured : limit));
    return measured <= limit - 1 ? 1 : -10;
}
