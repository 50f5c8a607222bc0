#pragma once
// Reads the answer of the project list (jira-projects.json) into projects
// linked to JIRA (ExternalPMSType 1), in the order of the answer:
//   "id" -> ExternalId (a text read as a number), "key" -> ExternalKey,
//   "name" -> Name, from UTF-8 into the system's narrow text like the issue
//   summaries, so that every catalogue name is in the same code page.
// A project without a name has no data and is skipped.
//
// Shape required (else -200): an array root whose elements are objects.

#include "pms/pms_response_parser.h"
#include "storage/base_storage.h"
#include "storage/db_project.h"

class CJIRAProjectParser : public CPMSResponseParser {
public:
    // Appends the projects of the file at `path` to `projects`. Results as
    // CPMSResponseParser describes them.
    virtual int ParseFile(const char* path, CBaseStorage<CDBProject>& projects);
};
