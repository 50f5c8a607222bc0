#include "storage/string_service.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/text.h"
#include "sensing/ascii_case.h"

namespace {
bool Given(const char* clause, int length) { return clause && length > 0; }

// The keyword match: words of a pattern, their length, and how much of the
// searched text counts.
constexpr int kKeywordSlots = 7;
constexpr size_t kKeywordChars = 64;
constexpr size_t kSearchedChars = 260;
}  // namespace

int CStringService::BuildSelect(CSqlText& out, const char* select, int selectLen, const char* from, int fromLen,
                                const char* where, int whereLen, const char* groupBy, int groupByLen,
                                const char* orderBy, int orderByLen, const char* limit, int limitLen, int extra) {
    if (!Given(select, selectLen) || !Given(from, fromLen) || extra < 0) return -1;
    const char* optional[] = {where, groupBy, orderBy, limit};
    const int lengths[] = {whereLen, groupByLen, orderByLen, limitLen};

    long long size = static_cast<long long>(selectLen) + fromLen + extra + 2;
    for (int i = 0; i < 4; ++i)
        if (Given(optional[i], lengths[i])) size += lengths[i] + 1;
    size += 2;
    if (size > 0x7FFFFFFF) return -5;
    const int allocated = out.Allocate(static_cast<int>(size));
    if (allocated != 1) return allocated == -1 ? -1 : -4;

    int result = out.AppendFormat("%s %s", select, from);
    for (int i = 0; i < 4 && result == 1; ++i)
        if (Given(optional[i], lengths[i])) result = out.AppendFormat(" %s", optional[i]);
    return result;
}

int CStringService::MatchWildcard(const char* pattern, const char* text) {
    if (!pattern || !text) return 0;
    const char* p = pattern;
    const char* t = text;
    while (*t && *p != '*') {
        if (*p != '?' && *p != *t) return 0;
        ++p;
        ++t;
    }
    const char* afterStar = nullptr;  // pattern position after the last "*"
    const char* retry = nullptr;      // text position to try that "*" against next
    while (*t) {
        if (*p == '*') {
            if (!*++p) return 1;
            afterStar = p;
            retry = t + 1;
        } else if (*p == '?' || *p == *t) {
            ++p;
            ++t;
        } else {
            p = afterStar;
            t = retry++;
        }
    }
    while (*p == '*')
        ++p;
    return *p ? 0 : 1;
}

int CStringService::MatchKeywords(const char* pattern, int patternMax, const char* text, int textMax) {
    if (!pattern || !text || patternMax <= 0 || textMax <= 0 || !*pattern || !*text) return -1;
    const size_t length = strnlen(pattern, static_cast<size_t>(patternMax - 1));

    // The words, as places in the pattern; an empty word has length 0.
    std::string_view words[kKeywordSlots];
    int wordCount = 0;
    size_t position = 0;
    for (int slot = 0; slot < kKeywordSlots; ++slot) {
        const char* blank = static_cast<const char*>(std::memchr(pattern + position, ' ', length - position));
        const size_t token = blank ? static_cast<size_t>(blank - pattern) - position : length - position;
        const size_t kept = token <= kKeywordChars ? token : TextCutLength(pattern + position, kKeywordChars);
        words[slot] = std::string_view(pattern + position, kept);
        if (token > 0) ++wordCount;
        position += token + 1;
        if (position >= length) break;
    }

    char lowered[kSearchedChars + 1];
    const size_t searchedLength = TextCutLength(text, std::min(kSearchedChars, static_cast<size_t>(textMax)));
    std::memcpy(lowered, text, searchedLength);
    lowered[searchedLength] = '\0';
    LowerAsciiLetters(lowered);
    const std::string_view searched(lowered, searchedLength);

    int found = 0;
    for (const std::string_view& word : words) {
        if (word.empty()) break;
        if (searched.find(word) != std::string_view::npos) ++found;
    }
    return wordCount > 0 && wordCount == found ? 1 : -52;
}
