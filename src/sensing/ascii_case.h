#pragma once
// Lower-casing of executable file names: only the letters A to Z change, so
// multi-byte characters of any code page stay intact.

inline void LowerAsciiLetters(char* text) {
    for (; text && *text; ++text)
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
}
