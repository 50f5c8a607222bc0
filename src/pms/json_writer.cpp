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
    if (!IsValidUtf8(bytes)) {
        m_valid = false;
        return;
    }
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

bool IsValidUtf8(const char* text) {
    const unsigned char* c = reinterpret_cast<const unsigned char*>(text);
    while (c && *c) {
        if (*c < 0x80) {
            ++c;
            continue;
        }
        int continuation;
        unsigned char low = 0x80;  // the range of the first continuation byte
        unsigned char high = 0xBF;
        if (*c >= 0xC2 && *c <= 0xDF) {
            continuation = 1;
        } else if (*c >= 0xE0 && *c <= 0xEF) {
            continuation = 2;
            if (*c == 0xE0) low = 0xA0;   // overlong
            if (*c == 0xED) high = 0x9F;  // surrogates
        } else if (*c >= 0xF0 && *c <= 0xF4) {
            continuation = 3;
            if (*c == 0xF0) low = 0x90;   // overlong
            if (*c == 0xF4) high = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        ++c;
        for (int i = 0; i < continuation; ++i, ++c) {
            const unsigned char min = i == 0 ? low : 0x80;
            const unsigned char max = i == 0 ? high : 0xBF;
            if (*c < min || *c > max) return false;
        }
    }
    return true;
}
