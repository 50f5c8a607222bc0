#include "storage/sql_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/text.h"

int CSqlText::Allocate(int capacity) {
    m_length = 0;
    return m_buffer.Allocate(capacity, true);
}

int CSqlText::AppendFormat(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int result = AppendFormatV(format, arguments);
    va_end(arguments);
    return result;
}

int CSqlText::AppendFormatV(const char* format, va_list arguments) {
    if (!m_buffer.Get()) return -8;
    const size_t room = static_cast<size_t>(m_buffer.Size() - m_length) + 1;
    const int written = std::vsnprintf(m_buffer.Get() + m_length, room, format, arguments);
    if (written < 0 || static_cast<size_t>(written) >= room) {
        m_buffer.Get()[m_length] = '\0';
        return -5;
    }
    m_length += written;
    return 1;
}

int CSqlText::Append(const char* text) {
    if (!m_buffer.Get()) return -8;
    const size_t length = std::strlen(text);
    if (length > static_cast<size_t>(m_buffer.Size() - m_length)) return -5;
    std::memcpy(m_buffer.Get() + m_length, text, length + 1);
    m_length += static_cast<int>(length);
    return 1;
}

int FormatQuoted(CSqlText& out, int room, std::initializer_list<const CQuotedText*> values, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int result = FormatQuotedV(out, room, values, format, arguments);
    va_end(arguments);
    return result;
}

int FormatQuotedV(CSqlText& out, int room, std::initializer_list<const CQuotedText*> values, const char* format,
                  va_list arguments) {
    int capacity = room;
    for (const CQuotedText* value : values) {
        if (value->Status() != 1) return -4;
        capacity += value->Length();
    }
    const int allocated = out.Allocate(capacity);
    if (allocated != 1) return allocated;
    return out.AppendFormatV(format, arguments);
}

CQuotedText::CQuotedText(const char* text, size_t maxInput, size_t maxOutput) {
    if (!text) text = "";
    // How much of the input fits once its quotes are doubled.
    const size_t available = strnlen(text, maxInput);
    size_t taken = 0;
    size_t produced = 0;
    while (taken < available) {
        const size_t width = text[taken] == '\'' ? 2 : 1;
        if (produced + width > maxOutput) break;
        produced += width;
        ++taken;
    }
    taken = TextCutLength(text, taken);  // whole characters only

    size_t quotes = 0;
    for (size_t i = 0; i < taken; ++i)
        quotes += text[i] == '\'';
    const int allocated = m_buffer.Allocate(static_cast<int>(taken + quotes) + 1, true);
    if (allocated != 1) {
        m_status = -4;
        return;
    }
    char* out = m_buffer.Get();
    for (size_t i = 0; i < taken; ++i) {
        *out++ = text[i];
        if (text[i] == '\'') *out++ = '\'';
    }
    *out = '\0';
    m_length = static_cast<int>(taken + quotes);
}
