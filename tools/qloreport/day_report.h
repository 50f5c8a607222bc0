#pragma once
// `qloreport day`: the stored activities of one day in time order (start,
// finish, type, program, title, site, project and task), then the day's time
// per activity type as the report query sums it. Rows of more than one
// person name their person (a "User" column, a "user" field).

#include <cstdint>
#include <cstdio>

#include "qloreport/report_options.h"
#include "qloreport/report_source.h"

// The day of `day` (any time of it). The source's result.
int WriteDay(FILE* out, CReportSource& source, int64_t day, ReportFormat format);
