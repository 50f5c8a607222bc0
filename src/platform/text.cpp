#include "platform/text.h"

#include <cstring>
#include <vector>

std::string NarrowToUtf8(const char* narrow) {
    if (!narrow || !*narrow) return std::string();
    // One byte of the code page becomes at most three of UTF-8.
    std::vector<char> utf8(std::strlen(narrow) * 3 + 1);
    return AnsiToUtf8(narrow, utf8.data(), static_cast<int>(utf8.size())) > 0 ? std::string(utf8.data())
                                                                              : std::string(narrow);
}

std::string Utf8ToNarrow(const std::string& utf8) {
    if (utf8.empty()) return utf8;
    // A character of the code page never takes more bytes than in UTF-8.
    std::vector<char> narrow(utf8.size() + 1);
    return Utf8ToAnsi(utf8.c_str(), narrow.data(), static_cast<int>(narrow.size())) > 0 ? std::string(narrow.data())
                                                                                        : utf8;
}
