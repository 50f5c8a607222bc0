#pragma once
// Fixed-size text fields of the storage records.

#include <cstddef>
#include <cstring>

#include "platform/text.h"

// Copies `text` into `field`, cut to the field's capacity (its size less the
// terminator) without splitting a character; a null text empties the field.
template <std::size_t N>
void CopyField(char (&field)[N], const char* text) {
    CopyTextCut(field, text, N - 1);
}

// Two fields of the same capacity hold the same text.
template <std::size_t N>
bool SameField(const char (&a)[N], const char (&b)[N]) {
    return std::strncmp(a, b, N) == 0;
}
