#pragma once
// The command line of qloreport, the report tool: the command, the range of
// days, the grouping, the output format and the data folder.
//
// Dates as sensing/date_range.h reads them.
// --server CONN reads the team store instead of the local files (totals,
// day and html), with --user NAME (or all, the default) choosing the person.
// approve, held, budget and budgets work on the team store only (--server,
// else the settings' connection).

#include <cstdint>
#include <string>

#include "cli/command_line.h"
#include "sensing/date_range.h"
#include "storage/activity_reader.h"

enum class ReportCommand { Totals, Day, Explain, Html, Approve, Held, Budget, Budgets };
// The commands that only the team store answers (team_commands.h).
inline bool IsTeamCommand(ReportCommand command) { return command >= ReportCommand::Approve; }
enum class ReportFormat { Table, Csv, Json };

struct CReportOptions {
    ReportCommand command = ReportCommand::Totals;
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
    int64_t today = 0;       // the team commands: the packed present
    int week = 0;            // approve: the ISO week, yyyyww
    std::string project;     // budget: the project's name (UTF-8)
    double hours = 0;        // budget: its hours; 0 removes it
    bool perMonth = false;   // budget: hours each month, else in total
};

extern const CProgramSpec kQloreportCommandLine;

// Parses the arguments after the program name into `line` and, when it asks
// to run a command, into `options`, with `today` the packed present time.
// False with a one-line reason in `error` (an unknown command or option, an
// option of another command, a missing or bad value, a bad date, --from
// after --to, --data with --server, --user without it).
bool ParseReportOptions(int argc, const char* const* argv, int64_t today, CCommandLine& line, CReportOptions& options,
                        std::string& error);
