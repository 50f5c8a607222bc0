#pragma once
// Writes a JSON text into a caller's buffer, never past its end. A writer
// without a buffer only counts, so that a caller can size a buffer first and
// then write the same text into it.
//
// Strings are given in the system's narrow text (the ANSI code page on
// Windows, UTF-8 on Linux) and written as JSON strings in UTF-8, with the
// quote, the backslash and the control characters escaped, so that a value
// can neither end its string early nor add members of its own.

#include <cstddef>

class CJsonWriter {
public:
    // `out` holds `capacity` characters and a terminator; nullptr only counts.
    CJsonWriter(char* out, size_t capacity);

    // Appends `text` as it is (a fixed piece of JSON).
    CJsonWriter& Raw(const char* text);
    // Appends one JSON string made of `text` (nullptr: an empty string).
    CJsonWriter& String(const char* text);
    // The same, made of several pieces joined without separators.
    CJsonWriter& String(const char* first, const char* second, const char* third);

    // Characters of the whole text, also those that did not fit.
    size_t Length() const { return m_length; }
    // True when the whole text is in the buffer (always false without one).
    bool Fits() const { return m_out && m_length <= m_capacity; }

private:
    void Put(char c);
    void PutEscaped(const char* text);

    char* m_out;
    size_t m_capacity;
    size_t m_length = 0;
};
