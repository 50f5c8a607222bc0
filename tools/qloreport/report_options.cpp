#include "qloreport/report_options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"
#include "sensing/time_stamp.h"

const char kQloreportUsage[] =
    "usage: qloreport <command> [options]\n"
    "Where did my time go? Reports from the collector's activity files.\n"
    "\n"
    "  totals [--from D] [--to D] [--by project|task|app|site|user|type] [--top N]\n"
    "         [--format table|csv|json]     time per group, its share and the total\n"
    "  day [D] [--format table|csv|json]    the day's activities in order, then time per type\n"
    "  explain [--at 'YYYY-MM-DD hh:mm:ss'] why the activity at that moment (default:\n"
    "                                       the last one stored) got its project and task\n"
    "  html [--from D] [--to D] [-o FILE]   one self-contained HTML page with charts and tables\n"
    "\n"
    "  D is YYYY-MM-DD, today, yesterday, week, month or last-month (default: today).\n"
    "  --data DIR   the folder of sys.db, func.db and actMMYY.db (default: the one the\n"
    "               collector's settings name)\n"
    "  --server CONN  totals, day and html from the team store (a PostgreSQL connection\n"
    "               string, without a password) instead of this computer's files\n"
    "  --user NAME  with --server: one person's activities (default: all, everyone's)\n"
    "Exit status: 0 done, 1 no data or a data file could not be read, 2 bad command line.\n";

namespace {
bool Grouping(const std::string& text, ReportGrouping& by) {
    static const struct {
        const char* name;
        ReportGrouping by;
    } kNames[] = {{"project", ReportGrouping::Project}, {"task", ReportGrouping::Task},
                  {"app", ReportGrouping::App},         {"site", ReportGrouping::Site},
                  {"user", ReportGrouping::User},       {"type", ReportGrouping::ActivityType}};
    for (const auto& name : kNames)
        if (text == name.name) {
            by = name.by;
            return true;
        }
    return false;
}

bool Format(const std::string& text, ReportFormat& format) {
    if (text == "table")
        format = ReportFormat::Table;
    else if (text == "csv")
        format = ReportFormat::Csv;
    else if (text == "json")
        format = ReportFormat::Json;
    else
        return false;
    return true;
}

// The options each command takes besides --data.
bool Takes(ReportCommand command, const std::string& option) {
    switch (command) {
        case ReportCommand::Totals:
            return option == "--from" || option == "--to" || option == "--by" || option == "--top" ||
                   option == "--format";
        case ReportCommand::Day:
            return option == "--format";
        case ReportCommand::Explain:
            return option == "--at";
        case ReportCommand::Html:
            return option == "--from" || option == "--to" || option == "-o" || option == "--output";
        case ReportCommand::Help:
            break;
    }
    return false;
}
}  // namespace

bool ParseReportOptions(int argc, const char* const* argv, int64_t today, CReportOptions& options, std::string& error) {
    options = CReportOptions();
    if (argc < 2) {
        error = "no command given";
        return false;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") return true;
    if (command == "totals")
        options.command = ReportCommand::Totals;
    else if (command == "day")
        options.command = ReportCommand::Day;
    else if (command == "explain")
        options.command = ReportCommand::Explain;
    else if (command == "html")
        options.command = ReportCommand::Html;
    else {
        error = "unknown command '" + command + "'";
        return false;
    }

    std::string from, to, day;
    bool hasUser = false;
    for (int i = 2; i < argc; ++i) {
        std::string option = argv[i];
        std::string value;
        bool hasValue = false;
        if (const size_t equals = option.find('='); option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
            hasValue = true;
        }
        if (option == "--help" || option == "-h") {
            options.command = ReportCommand::Help;
            return true;
        }
        if (option.empty() || option[0] != '-') {
            if (options.command != ReportCommand::Day || !day.empty()) {
                error = "unexpected argument '" + option + "'";
                return false;
            }
            day = option;
            continue;
        }
        const bool anyCommand = option == "--data" || option == "--server" || option == "--user";
        if (!anyCommand && !Takes(options.command, option)) {
            error = "unknown option '" + option + "' for " + command;
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = "option '" + option + "' needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (option == "--from") {
            from = value;
        } else if (option == "--to") {
            to = value;
        } else if (option == "--by") {
            if (!Grouping(value, options.by)) {
                error = "--by takes project, task, app, site, user or type, not '" + value + "'";
                return false;
            }
        } else if (option == "--top") {
            char* end = nullptr;
            const long top = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || top < 1 || top > 1000000) {
                error = "--top takes a number of groups, not '" + value + "'";
                return false;
            }
            options.top = static_cast<int>(top);
        } else if (option == "--format") {
            if (!Format(value, options.format)) {
                error = "--format takes table, csv or json, not '" + value + "'";
                return false;
            }
        } else if (option == "-o" || option == "--output") {
            options.output = value;
        } else if (option == "--at") {
            options.at = ParseMoment(value);
            if (options.at == 0) {
                error = "--at takes a moment 'YYYY-MM-DD hh:mm:ss', not '" + value + "'";
                return false;
            }
        } else if (option == "--server") {
            options.server = NarrowToUtf8(value.c_str());
        } else if (option == "--user") {
            options.user = value == "all" ? "" : NarrowToUtf8(value.c_str());
            hasUser = true;
        } else {
            options.dataFolder = value;
        }
    }
    if (!options.server.empty() && !options.dataFolder.empty()) {
        error = "--data and --server name two different sources: give one";
        return false;
    }
    if (options.server.empty() && hasUser) {
        error = "--user chooses a person on the team store: give --server too";
        return false;
    }
    if (!options.server.empty() && options.command == ReportCommand::Explain) {
        error = "explain reads this computer's own files: give no --server";
        return false;
    }

    if (options.command == ReportCommand::Day) {
        if (day.empty()) day = "today";
        int64_t first = 0, last = 0;
        if ((day != "today" && day != "yesterday" && ParseDate(day) == 0) || !DatePeriod(day, today, first, last)) {
            error = "bad day '" + day + "': YYYY-MM-DD, today or yesterday";
            return false;
        }
        options.from = first;
        options.to = first + 235959;
        return true;
    }
    return ResolveDateRange(from, to, today, options.from, options.to, error);
}
