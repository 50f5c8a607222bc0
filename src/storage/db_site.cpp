#include "storage/db_site.h"

#include <cstring>

#include "platform/text.h"
#include "storage/column_value.h"
#include "storage/field_text.h"
#include "storage/string_service.h"

CDBSite::CDBSite(int32_t id, const char* url) : m_id(id) {
    if (url) ReduceToSite(url, static_cast<int>(strnlen(url, kUrlSize - 1)), m_url, kUrlSize);
}

int CDBSite::ReduceToSite(const char* url, int urlLength, char* out, int outSize) {
    if (!url || !out || urlLength <= 0 || outSize <= 0) return -1;
    struct Scheme {
        const char* pattern;
        int length;
    };
    static const Scheme kSchemes[] = {{"file:///*", 8}, {"ftp://*", 6}, {"http://*", 7}, {"https://*", 8}};
    const int length = static_cast<int>(strnlen(url, static_cast<size_t>(urlLength)));
    int end = 0;
    for (const Scheme& scheme : kSchemes)
        if (length >= scheme.length && CStringService::MatchWildcard(scheme.pattern, url)) end = scheme.length;
    while (end < length && !std::strchr(":\\/\n\r\t ?", url[end]))
        ++end;
    // The site ends before a delimiter, so a cut here never splits a
    // character; only the output size may cut it shorter.
    const size_t kept = TextCutLength(url, static_cast<size_t>(end) < static_cast<size_t>(outSize - 1)
                                               ? static_cast<size_t>(end)
                                               : static_cast<size_t>(outSize - 1));
    std::memcpy(out, url, kept);
    out[kept] = '\0';
    return 1;
}

bool CDBSite::Matches(const CDBSite& record) const {
    if (m_id != 0) return m_id == record.m_id;
    return SameField(m_url, record.m_url);
}

bool CDBSite::HasData() const { return m_id > 0 || m_url[0] != '\0'; }

void CDBSite::SetColumn(const char* column, const char* value) {
    if (!value) return;
    if (!std::strcmp(column, "Id_Site"))
        m_id = ColumnInt32(value);
    else if (!std::strcmp(column, "URL"))
        CopyField(m_url, value);
}
