#pragma once
// Reads the answer of the issue search (jira-issues.json) into tasks linked to
// JIRA (ExternalPMSType 1), one per issue, in the order of the answer:
//   "id" -> ExternalId, "key" -> ExternalKey,
//   "fields"."summary" -> Name and "fields"."description" -> Description (from
//   UTF-8 into the system's narrow text, cut on a character boundary),
//   "fields"."project"."id" -> ExternalProjectId,
//   "fields"."status"."name" -> ExternalStatusName, "fields"."status"."id" -> ExternalStatus.
// Ids arrive as texts and are read as numbers. An issue without a summary or
// description has no data and is skipped. The paging values of the answer are
// kept in GetStartAt(), GetMaxResults(), GetTotal() and GetIssueCount().
//
// Shape required (else -200): an object root with an "issues" array, each
// issue an object whose "fields" object holds a "project" and a "status"
// object. Other missing members leave their fields empty or 0.

#include "pms/pms_response_parser.h"
#include "storage/base_storage.h"
#include "storage/db_task.h"

class CJIRAIssueParser : public CPMSResponseParser {
public:
    // Appends the issues of the file at `path` to `tasks`. Results as
    // CPMSResponseParser describes them.
    virtual int ParseFile(const char* path, CBaseStorage<CDBTask>& tasks);

    // The paging values of the last answer read (0 until then, or when the
    // last file could not be read or lacked them).
    int GetStartAt() const { return m_startAt; }
    int GetMaxResults() const { return m_maxResults; }
    int GetTotal() const { return m_total; }
    // The number of issues in the last answer read, those skipped included:
    // where the next page starts.
    int GetIssueCount() const { return m_issueCount; }

private:
    int m_startAt = 0;
    int m_maxResults = 0;
    int m_total = 0;
    int m_issueCount = 0;
};
