// Fuzzes the keyword match of the rules: any pattern, any text, any maxima.
// Both texts live in heap blocks of exactly their sizes (the terminator
// included), so the address sanitizer sees every read past them. A match is
// checked against the words it claims to have found.
//
// Input: one byte for each maximum, then the pattern, a newline, the text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"
#include "storage/string_service.h"

namespace {
std::vector<char> Terminated(const uint8_t* begin, const uint8_t* end) {
    std::vector<char> text(begin, end);
    text.push_back('\0');
    return text;
}

std::string Lowered(const char* text, size_t length) {
    std::string lowered(text, length);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int patternMax = data[0] % 40 == 0 ? data[0] % 3 : data[0] + 1;
    const int textMax = data[1] % 40 == 0 ? data[1] % 3 : data[1] * 2 + 1;
    const uint8_t* body = data + 2;
    const uint8_t* end = data + size;
    const uint8_t* newline = std::find(body, end, '\n');
    const std::vector<char> pattern = Terminated(body, newline);
    const std::vector<char> text = Terminated(newline == end ? end : newline + 1, end);

    const int result = CStringService::MatchKeywords(pattern.data(), patternMax, text.data(), textMax);
    const bool refused = patternMax < 1 || textMax < 1 || pattern[0] == '\0' || text[0] == '\0';
    if (refused != (result == -1)) std::abort();
    if (result != 1) {
        if (result != -1 && result != -52) std::abort();
        return 0;
    }

    // Every word of the first seven occurs in the lowered start of the text;
    // an empty word (two blanks) ends the testing, so none may follow it.
    const std::string searched =
        Lowered(text.data(), TextCutLength(text.data(), std::min<size_t>(260, static_cast<size_t>(textMax))));
    const std::string measured(pattern.data(), strnlen(pattern.data(), static_cast<size_t>(patternMax - 1)));
    if (measured.empty() || measured[0] == ' ') std::abort();
    size_t position = 0;
    bool emptyWordSeen = false;
    for (int word = 0; word < 7 && position < measured.size(); ++word) {
        const size_t blank = measured.find(' ', position);
        const std::string token =
            measured.substr(position, blank == std::string::npos ? std::string::npos : blank - position);
        position += token.size() + 1;
        if (token.empty()) {
            emptyWordSeen = true;
            continue;
        }
        if (emptyWordSeen) std::abort();
        const std::string kept = token.substr(0, TextCutLength(token.c_str(), 64));
        if (searched.find(kept) == std::string::npos) std::abort();
    }
    return 0;
}
