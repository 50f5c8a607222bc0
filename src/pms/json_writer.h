#pragma once
// Writes a JSON text into a caller's buffer, never past its end. A writer
// without a buffer only counts, so that a caller can size a buffer first and
// then write the same text into it.
//
// Strings are given in the system's narrow text (the ANSI code page on
// Windows, UTF-8 on Linux) and written as JSON strings in UTF-8, with the
// quote, the backslash and the control characters escaped, so that a value
// can neither end its string early nor add members of its own. A string that
// is not valid UTF-8 once converted (possible on Linux, where narrow text is
// taken to be UTF-8 already) is left out and makes the text invalid: a JSON
// text with it would be refused by the server or read wrongly.

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
    // False once a string was not valid UTF-8.
    bool Valid() const { return m_valid; }

private:
    void Put(char c);
    void PutEscaped(const char* text);

    char* m_out;
    size_t m_capacity;
    size_t m_length = 0;
    bool m_valid = true;
};

// True when `text` is well-formed UTF-8 (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF). A null text is valid.
bool IsValidUtf8(const char* text);
