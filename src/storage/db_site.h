#pragma once
// One row of T_Sites in sys.db: a web site, the scheme and host of an
// address ("https://host"), so that all pages of a host share one row.

#include <cstdint>

class CDBSite {
public:
    static constexpr int kUrlSize = 255;  // up to 254 characters

    CDBSite() = default;
    // Stores `url` (counted up to 254 characters) reduced to its site; a
    // null address leaves the field empty.
    CDBSite(int32_t id, const char* url);

    // Cuts `url` (at most urlLength characters) down to its site: the scheme
    // "file:///", "ftp://", "http://" or "https://" (matched with letter case)
    // is kept, then the host up to the first ":", "\", "/", "?", blank, tab,
    // line feed or carriage return. Writes at most outSize - 1 characters and
    // a terminator to `out`. 1; -1 a text missing or a size below 1.
    static int ReduceToSite(const char* url, int urlLength, char* out, int outSize);

    // Probe rule: a non-zero id matches the same id; id 0 the same address,
    // letter case counting.
    bool Matches(const CDBSite& record) const;
    // A positive id or an address.
    bool HasData() const;
    void SetColumn(const char* column, const char* value);

    int32_t GetId() const { return m_id; }
    const char* GetURL() const { return m_url; }

private:
    int32_t m_id = 0;
    char m_url[kUrlSize] = {};
};
