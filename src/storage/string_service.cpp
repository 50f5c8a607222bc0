#include "storage/string_service.h"

namespace {
bool Given(const char* clause, int length) { return clause && length > 0; }
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
