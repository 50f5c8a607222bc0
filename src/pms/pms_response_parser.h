#pragma once
// The base of the parsers that turn a project-management server's answers,
// kept in response files, into catalogue records. The records are appended to
// the caller's list; storing them is the caller's business.
//
// Results of the parsers: 1 parsed; -1 no path, or the file is missing or not
// JSON; -200 the JSON does not have the expected shape (the records appended
// before the faulty element stay in the list); -4 no memory. The parsers write
// no log and keep no error text. No exception leaves them.

#include "pms/auto_json_ptr.h"

// ExternalPMSType of the records linked to JIRA.
inline constexpr int kJiraPMSType = 1;

class CPMSResponseParser {
public:
    virtual ~CPMSResponseParser() = default;
    // The base parses nothing: 0.
    virtual int Parse() { return 0; }

protected:
    // Reads and parses the file at `path` into `document`. 1; -1 no path, or
    // the file cannot be read or is not JSON; -4 no memory.
    static int LoadFile(const char* path, CAutoJsonPtr& document);
};
