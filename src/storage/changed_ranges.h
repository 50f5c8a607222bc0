#pragma once
// The journal of stored rows rewritten in place: "changes.db" beside the
// collector's databases. Whatever changes rows that were already stored
// (forgetting, details that expire, rules re-applied, rows assigned by hand,
// an undo) records the span of their start times here, so that copies kept
// elsewhere (the team store) send those rows again. Rows are never deleted
// from the activity files, so a span's rows keep their ids: a copy only has
// to replace what it holds for them.
//
// Entries only grow; each has a sequence number that a reader remembers.
// Several processes may write at once (each entry is a transaction of its
// own; a busy file is waited for up to `busyLimitMs`). Times are stored
// dates (yyyymmddhhmmss). Results: 1; 0 the file cannot be opened or
// written (`error` says why); a reader finding no file visits nothing, 1.

#include <cstdint>
#include <functional>
#include <string>

extern const char kChangedRangesFileName[];  // "changes.db"

struct CChangedRange {
    int64_t sequence = 0;
    int64_t from = 0, to = 0;  // StartDate bounds, both included
};

int RecordChangedRange(const std::string& folderUtf8, int64_t from, int64_t to, std::string& error,
                       int busyLimitMs = 60000);

// Visits the entries with a sequence above `after`, oldest first.
int VisitChangedRanges(const std::string& folderUtf8, int64_t after,
                       const std::function<void(const CChangedRange&)>& visit, std::string& error,
                       int busyLimitMs = 60000);
