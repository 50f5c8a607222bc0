#pragma once
// The command line of qlorules, the review and correction tool: its commands
// and options (kQlorulesCommandLine, read by src/cli) and their values read
// into what the run needs. Dates as sensing/date_range.h reads them; assign and forget
// also take moments ("YYYY-MM-DD hh:mm:ss") for --from and --to.

#include <cstdint>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "curation/curation_types.h"

enum class RulesFormat { Table, Csv, Json };

struct CRulesOptions {
    std::string command;
    std::vector<std::string> words;  // the command's arguments
    std::string dataFolder;
    RulesFormat format = RulesFormat::Table;
    int64_t from = 0, to = 0;  // packed; whole days, or moments for assign and forget
    bool hasRange = false;
    // A rule's conditions as given; `ruleOptions` names the ones given.
    CRuleSpec rule;
    std::vector<std::string> ruleOptions;
    std::string program, site;  // names or #ID, resolved by the run
    int32_t projectId = 0, taskId = 0;
    std::vector<CRowRef> rows;  // --row YYYY-MM:ID, each time it is given
    int limit = 0;              // --limit / --top
    bool dryRun = false;
    bool whole = false;       // forget --whole
    int port = 0;             // serve --port; 0: a free one
    bool openBrowser = true;  // serve without --no-browser
};

extern const CProgramSpec kQlorulesCommandLine;

// Parses the arguments after the program name into `line` and, when it asks
// to run a command, into `options`, with `today` the packed present. False
// with a one-line reason naming the bad input in `error` (the command line's
// own faults, a bad number, date, moment, period or row, assign's range).
bool ParseRulesOptions(int argc, const char* const* argv, int64_t today, CCommandLine& line, CRulesOptions& options,
                       std::string& error);
