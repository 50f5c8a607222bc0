#pragma once
// Posting the day's drafts as JIRA worklogs, each issue's time not posted
// yet, remembering every post in the worklog store (worklog_store.h).
//
// For each draft in turn: the minutes not posted yet (the draft's rounded
// minutes less those posted or in doubt), started at the draft's first row
// (for time added after an earlier post, at its first row not yet posted);
// the store's row is written before the worklog is sent, confirmed after
// JIRA's 201, and removed when JIRA surely did not take it (another status,
// or nothing sent). When the worklog was sent and no answer came, the row
// stays in doubt: it counts as posted and is reported. The first failure
// ends the run: what was posted before stays recorded, the rest waits for
// the next run.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "qlopms/jira_connection.h"
#include "qlopms/worklog_draft.h"
#include "qlopms/worklog_store.h"

// Packed local time as JIRA writes a worklog's start: "2024-03-01T09:12:30.000+0100".
std::string JiraTimeStamp(int64_t stamp);

// Posts the drafts of `day` over an open session, writing one line per
// worklog posted to `out`. 1 all done (also when nothing was left); else the
// failing step's result with `failure` saying what went wrong.
int PostWorklogs(CJiraConnection& connection, CWorklogStore& store, int64_t day,
                 const std::vector<CWorklogDraft>& drafts, int64_t now, std::ostream& out, std::string& failure);
