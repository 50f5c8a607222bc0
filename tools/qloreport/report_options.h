#pragma once
// The command line of qloreport, the report tool: the command, the range of
// days, the grouping, the output format and the data folder.
//
// Dates as sensing/date_range.h reads them.
// --server CONN reads the team store instead of the local files (totals,
// day and html), with --user NAME (or all, the default) choosing the person.

#include <cstdint>
#include <string>

#include "sensing/date_range.h"
#include "storage/activity_reader.h"

enum class ReportCommand { Help, Totals, Day, Explain, Html };
enum class ReportFormat { Table, Csv, Json };

struct CReportOptions {
    ReportCommand command = ReportCommand::Help;
    int64_t from = 0;  // packed, 00:00:00 of the first day
    int64_t to = 0;    // packed, 23:59:59 of the last day
    ReportGrouping by = ReportGrouping::Project;
    int top = 0;  // 0: every group
    ReportFormat format = ReportFormat::Table;
    std::string output;      // html: -o FILE; empty: standard output
    int64_t at = 0;          // explain: the moment; 0 the last stored row
    std::string dataFolder;  // --data: the folder of the database files
    std::string server;      // --server: the team store's connection string (UTF-8); empty: the local files
    std::string user;        // --user: the person on the team store; empty: everyone
};

extern const char kQloreportUsage[];

// Parses the arguments after the program name, with `today` the packed
// present time. True when they make a command; false with a one-line reason
// in `error` (an unknown command or option, a missing or bad value, a bad
// date, --from after --to).
bool ParseReportOptions(int argc, const char* const* argv, int64_t today, CReportOptions& options, std::string& error);
