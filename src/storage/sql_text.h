#pragma once
// Building statement texts without ever writing past their buffer.
//
// CSqlText is one statement in a buffer whose capacity is fixed up front from
// the lengths of the pieces; an append that would not fit is refused with -5
// and leaves the text as it was. CQuotedText is a copy of a value with every
// single quote doubled, ready to go between single quotes in a statement, so
// that no value can end its literal early or add a statement of its own.
// Not thread-safe; built per call.

#include <cstdarg>
#include <cstddef>
#include <initializer_list>

#include "log/auto_char_buffer.h"
#include "platform/compiler.h"

class CSqlText {
public:
    // Makes room for `capacity` characters (and the terminator); any earlier
    // text is dropped. 1; -1 capacity below 1; -4 no memory.
    int Allocate(int capacity);
    // Appends printf-formatted text. 1; -5 it does not fit (the text is
    // unchanged); -8 no buffer.
    int AppendFormat(const char* format, ...) QLO_PRINTF(2, 3);
    int AppendFormatV(const char* format, va_list arguments);
    // Appends `text` as it is. 1; -5; -8.
    int Append(const char* text);

    const char* Get() const { return m_buffer.Get(); }
    int Length() const { return m_length; }
    int Capacity() const { return m_buffer.Size(); }

private:
    CAutoCharBuffer m_buffer;
    int m_length = 0;
};

class CQuotedText {
public:
    // Copies `text` (null: empty) with single quotes doubled. With maxInput,
    // only that many characters of `text` are taken; with maxOutput the copy
    // stops before a character, or a doubled quote, that would make it longer,
    // so it never ends in half of a pair or of a multi-byte character.
    // Status() is 1, or -4 when no memory could be had.
    explicit CQuotedText(const char* text, size_t maxInput = static_cast<size_t>(-1),
                         size_t maxOutput = static_cast<size_t>(-1));
    CQuotedText(const CQuotedText&) = delete;
    CQuotedText& operator=(const CQuotedText&) = delete;

    int Status() const { return m_status; }
    const char* Get() const { return m_buffer.Get() ? m_buffer.Get() : ""; }
    int Length() const { return m_length; }

private:
    CAutoCharBuffer m_buffer;
    int m_length = 0;
    int m_status = 1;
};

// Formats a statement or clause into `out`, whose text values are the quoted
// copies in `values` (passed again among the arguments). The buffer holds
// `room` characters for the fixed text and the numbers plus the quoted
// values. 1; -4 no memory (also when a quoted copy had none); -5 too long.
int FormatQuoted(CSqlText& out, int room, std::initializer_list<const CQuotedText*> values, const char* format, ...)
    QLO_PRINTF(4, 5);
int FormatQuotedV(CSqlText& out, int room, std::initializer_list<const CQuotedText*> values, const char* format,
                  va_list arguments);
