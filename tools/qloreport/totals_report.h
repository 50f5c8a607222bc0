#pragma once
// `qloreport totals`: the time of a range summed per project, task, program,
// site, user or activity type by the report queries, with names, shares of
// the range's time and a total; written as a table, CSV or JSON. The HTML
// report shows the same totals.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "qloreport/report_options.h"
#include "qloreport/report_source.h"

struct CTotals {
    ReportGrouping by = ReportGrouping::Project;
    int64_t from = 0, to = 0;
    std::vector<CTotalsGroup> groups;  // the largest `top` groups (all without --top)
    int otherGroups = 0;               // groups left out by --top, and their time
    int64_t otherSeconds = 0;
    int64_t total = 0;  // every group's time: the range's time as this grouping counts it
};

// The totals of `by` over [from, to]; `top` 0 keeps every group. The source's result.
int ReadTotals(CReportSource& source, ReportGrouping by, int64_t from, int64_t to, int top, CTotals& totals);

// Writes `totals` in `format`. `missing`: the names of the month files of
// the range that do not exist (listed in JSON; the caller notes them otherwise).
void WriteTotals(FILE* out, const CTotals& totals, ReportFormat format, const std::vector<std::string>& missing);
