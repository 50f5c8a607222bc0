#pragma once
// The command line of qlorules: `qlorules COMMAND [ARGUMENTS] [OPTIONS]`,
// options before or after the command, `--name value` or `--name=value`.
// Dates as sensing/date_range.h reads them; assign also takes moments
// ("YYYY-MM-DD hh:mm:ss") for --from and --to.

#include <cstdint>
#include <string>
#include <vector>

#include "curation/curation_types.h"

enum class RulesFormat { Table, Csv, Json };

struct CRulesOptions {
    std::string command;             // empty: --help
    std::vector<std::string> words;  // what follows the command that is no option
    bool help = false;
    std::string dataFolder;
    RulesFormat format = RulesFormat::Table;
    int64_t from = 0, to = 0;  // packed; whole days, or moments for assign
    bool hasRange = false;
    // A rule's conditions as given (rule options present: `ruleGiven`).
    CRuleSpec rule;
    std::vector<std::string> ruleOptions;  // the names given, for change
    std::string program, site;             // names or #ID, resolved by the run
    int32_t projectId = 0, taskId = 0;
    std::vector<CRowRef> rows;  // --row YYYY-MM:ID
    int limit = 0;              // --limit / --top
    bool dryRun = false;
    int port = 0;             // serve --port; 0: a free one
    bool openBrowser = true;  // serve without --no-browser
};

extern const char kQlorulesUsage[];

// Parses the arguments after the program name with `today` the packed
// present. False with a one-line reason naming the bad input in `error`.
bool ParseRulesOptions(int argc, const char* const* argv, int64_t today, CRulesOptions& options, std::string& error);
