#pragma once
// The last failure of an object: operation name, message text and code.
//
// Classes that report failures by result codes derive from it and remember
// the last one here, so that an owner (the time manager) can log it.
// Not thread-safe.

#include "log/auto_char_buffer.h"

class CErrorBase {
public:
    CErrorBase() = default;
    virtual ~CErrorBase() = default;

    // Replaces the stored failure with at most nameLimit characters of `name`,
    // at most textLimit characters of `text`, and `code`. Results: 1 stored;
    // -1 a text missing or a limit below 1; -4 no memory (nothing stored).
    int SetError(const char* name, int nameLimit, const char* text, int textLimit, int code);
    void ClearError();

    int GetErrorCode() const { return m_code; }
    // The stored texts, or nullptr when no failure is stored.
    const char* GetErrorName() const { return m_name.Get(); }
    const char* GetErrorText() const { return m_text.Get(); }

private:
    CAutoCharBuffer m_name;
    CAutoCharBuffer m_text;
    int m_nameLength = 0;
    int m_textLength = 0;
    int m_code = 0;
};
