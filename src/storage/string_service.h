#pragma once
// String helpers of the storage and rule code: the select-statement builder
// and the wildcard match. Stateless; callable from any thread.

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
};
