#pragma once
// `qloreport day`: the stored activities of one day in time order (start,
// finish, type, program, title, site, project and task), then the day's time
// per activity type as the report query sums it.

#include <cstdint>
#include <cstdio>

#include "qloreport/report_options.h"
#include "storage/activity_reader.h"

// The day of `day` (any time of it). The reader's result.
int WriteDay(FILE* out, CActivityReader& reader, int64_t day, ReportFormat format);
