#pragma once
// Lower-casing of executable file names: only the letters A to Z change, so
// multi-byte characters of any code page stay intact.

inline void LowerAsciiLetters(char* text) {
    for (; text && *text; ++text)
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
}

// True when `text` begins with `lowerPrefix` (lower-case) once the letters A
// to Z of `text` are lowered; `text` is not changed.
inline bool StartsWithLoweredAscii(const char* text, const char* lowerPrefix) {
    for (; *lowerPrefix; ++text, ++lowerPrefix) {
        const char c = (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *lowerPrefix) return false;  // also at the end of `text`
    }
    return true;
}
