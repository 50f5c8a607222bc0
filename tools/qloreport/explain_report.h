#pragma once
// `qloreport explain`: why a stored activity got its project and task. The
// stored row is turned back into the activity the collector categorised (its
// program's file name and path from sys.db, title, address, site and
// application ids, type and start), and the collector's own rule engine,
// loaded with the rules and default task of func.db as they are now, decides
// again while it tells, rule by rule, which conditions held, each accepted
// rule's matches and priority, and why a rule was chosen or why the default
// task was given.

#include <cstdint>
#include <cstdio>

#include "storage/activity_reader.h"

struct CExplanation {
    int result = 0;         // the engine's: 1 a rule was applied; -52 the default task
    int32_t ruleId = 0;     // the chosen rule (0: none)
    int32_t projectId = 0;  // what the engine gives
    int32_t taskId = 0;
    bool sameAsStored = false;
};

// Explains `row` to `out`, the reader's catalogue holding the names and rules.
CExplanation ExplainRow(FILE* out, const CActivityReader& reader, const CDBActivity& row);
