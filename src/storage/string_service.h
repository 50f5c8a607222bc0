#pragma once
// String helpers of the storage and rule code: the select-statement builder,
// the wildcard match and the keyword match of the categorisation rules.
// Stateless; callable from any thread.

#include "storage/sql_text.h"

class CStringService {
public:
    // Builds "<select> <from>[ <where>][ <groupBy>][ <orderBy>][ <limit>]"
    // into `out`. Every clause text carries its own keyword ("order by
    // StartDate desc"); an optional clause counts when its text is given with
    // a positive length. The lengths only size the buffer (callers may pass
    // the capacity of the buffer that holds a clause): selectLen + fromLen +
    // extra + 4, plus length + 1 for each optional clause. Results: 1; -1
    // select or from missing or not positive, or extra negative; -4 no
    // memory; -5 the text is longer than that size (nothing is written past it).
    static int BuildSelect(CSqlText& out, const char* select, int selectLen, const char* from, int fromLen,
                           const char* where, int whereLen, const char* groupBy, int groupByLen, const char* orderBy,
                           int orderByLen, const char* limit, int limitLen, int extra);

    // 1 when `text` matches `pattern`, else 0 (also for a null argument). Case
    // counts; "*" matches any run of characters including none, "?" any one.
    static int MatchWildcard(const char* pattern, const char* text);

    // The keyword test of a rule: 1 when every word of `pattern` occurs in
    // `text`, -52 when not, -1 for a null or empty pattern or text or a
    // maximum below 1. The pattern is measured up to patternMax - 1
    // characters and split at single blanks into at most 7 words, each cut to
    // 64 characters (later words are ignored). The text is searched in its
    // first 260 characters (at most textMax), lowered (A to Z only); the words
    // are not lowered, so a word with a capital letter never matches. Two
    // blanks in a row, or a leading blank, leave an empty word that ends the
    // testing, so such a pattern never matches; a trailing blank is harmless.
    // Word order does not matter. Allocates nothing.
    static int MatchKeywords(const char* pattern, int patternMax, const char* text, int textMax);
};
