#include "pms/json_writer.h"

#include <cstring>
#include <vector>

#include "platform/text.h"

CJsonWriter::CJsonWriter(char* out, size_t capacity) : m_out(out), m_capacity(capacity) {
    if (m_out) m_out[0] = '\0';
}

void CJsonWriter::Put(char c) {
    if (m_out && m_length < m_capacity) {
        m_out[m_length] = c;
        m_out[m_length + 1] = '\0';
    }
    ++m_length;
}

CJsonWriter& CJsonWriter::Raw(const char* text) {
    for (; text && *text; ++text)
        Put(*text);
    return *this;
}

CJsonWriter& CJsonWriter::String(const char* text) { return String(text, nullptr, nullptr); }

CJsonWriter& CJsonWriter::String(const char* first, const char* second, const char* third) {
    Put('"');
    PutEscaped(first);
    PutEscaped(second);
    PutEscaped(third);
    Put('"');
    return *this;
}

void CJsonWriter::PutEscaped(const char* text) {
    if (!text || !*text) return;
    // One narrow character becomes at most three UTF-8 bytes.
    const size_t length = std::strlen(text);
    std::vector<char> utf8(length * 3 + 1);
    const char* bytes = AnsiToUtf8(text, utf8.data(), static_cast<int>(utf8.size())) > 0 ? utf8.data() : text;
    static const char kHex[] = "0123456789abcdef";
    for (; *bytes; ++bytes) {
        const unsigned char c = static_cast<unsigned char>(*bytes);
        switch (c) {
            case '"':
                Raw("\\\"");
                break;
            case '\\':
                Raw("\\\\");
                break;
            case '\b':
                Raw("\\b");
                break;
            case '\f':
                Raw("\\f");
                break;
            case '\n':
                Raw("\\n");
                break;
            case '\r':
                Raw("\\r");
                break;
            case '\t':
                Raw("\\t");
                break;
            default:
                if (c < 0x20) {
                    Raw("\\u00");
                    Put(kHex[c >> 4]);
                    Put(kHex[c & 0x0F]);
                } else {
                    Put(static_cast<char>(c));
                }
        }
    }
}
