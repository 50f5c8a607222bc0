#pragma once
// `qloreport html`: one self-contained HTML page (no network, no other file)
// for a range of days: working time per day stacked by project, the top
// programs and sites, a timeline strip of every day coloured by type and
// project, and the tables of `totals` by project, task, program, site and
// type. Charts are inline SVG; a few lines of script show a chart element's
// details on a tap, for windows without a mouse. Readable from a phone-sized
// window up.
//
// The tables hold the totals the report queries give (each row carries
// data-id and data-seconds); the per-day chart and the strips come from one
// pass over the rows. The page's size and the memory used grow with the
// number of days and groups, not with the number of rows.

#include <cstdint>
#include <cstdio>

#include "qloreport/report_source.h"

// The source's result. Rows of more than one person add a table by person.
int WriteHtmlReport(FILE* out, CReportSource& source, int64_t from, int64_t to);
