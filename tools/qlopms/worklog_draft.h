#pragma once
// The day's worklog drafts: the active time recorded on each task linked to
// a JIRA issue, to be reviewed and posted.
//
// Only Active rows count (Idle, Locked and Offline never do), and only rows
// whose task is linked to JIRA (ExternalPMSType 1 with a key). A row counts
// for the day its start falls in (the collector splits rows at midnight).
// The time of an issue is the sum of its rows' durations, rounded up to
// whole minutes once per issue.
//
// Plain values; not thread-safe.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "storage/db_activity.h"
#include "storage/db_task.h"

struct CWorklogDraft {
    int32_t taskId = 0;
    std::string issueKey;
    std::string summary;  // the task's name
    int64_t seconds = 0;
    int64_t firstStart = 0;  // packed; the start of the issue's first row of the day
    // The starts and finishes of the issue's rows, in time order (for a later
    // post of time added since: it starts at the first row not yet posted).
    std::vector<std::pair<int64_t, int64_t>> rows;

    int64_t Minutes() const { return (seconds + 59) / 60; }
    // The start of the first row that starts at or after `since`; `since`
    // itself when there is none (the time came from a row already counted).
    int64_t FirstStartFrom(int64_t since) const;
};

// Visits the stored rows whose StartDate is in [from, to]; 1 read, else a
// failure code (the activity reader's VisitRows has this form).
using RowVisitor = std::function<int(int64_t from, int64_t to, const std::function<bool(const CDBActivity&)>& visit)>;
// The catalogue's task of an id, or nullptr.
using TaskLookup = std::function<const CDBTask*(int32_t id)>;

// The drafts of the day that starts at `day` (packed 00:00:00), ordered by
// issue key. 1; else the visitor's failure code.
int BuildWorklogDrafts(int64_t day, const RowVisitor& rows, const TaskLookup& tasks, std::vector<CWorklogDraft>& out);

// "1h05m", "25m", "0m".
std::string FormatMinutes(int64_t minutes);
// "09:12:30" of a packed date-time.
std::string FormatTimeOfDay(int64_t stamp);
