#include "qloreport/report_options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/text.h"
#include "sensing/time_stamp.h"

const CProgramSpec kQloreportCommandLine = {
    "qloreport",
    "Where did my time go? Reports from the collector's activity files.",
    {{"totals", "", 0, 0, "time per group, its share and the total"},
     {"day", "[D]", 0, 1, "the day's activities in order, then time per type"},
     {"explain", "", 0, 0, "why the activity at a moment got its project and task"},
     {"html", "", 0, 0, "one self-contained HTML page with charts and tables"},
     {"approve", "WEEK", 1, 1, "team store, a lead: locks a person's week (--user); later rows are held apart"},
     {"held", "", 0, 0, "team store: the rows that arrived for approved weeks, kept apart"},
     {"budget", "PROJECT HOURS", 2, 2, "team store, a lead: sets a project's budget (HOURS 0 removes it)"},
     {"budgets", "", 0, 0, "team store: each budget's hours used, left and when they run out at this pace"}},
    {{"--from", nullptr, "D", "totals html", "the first day (default: today)"},
     {"--to", nullptr, "D", "totals html", "the last day"},
     {"--by", nullptr, "GROUP", "totals", "project (the default), task, app, site, user or type"},
     {"--top", nullptr, "N", "totals", "only the N largest groups"},
     {"--format", nullptr, "FORMAT", "totals day", "table (the default), csv or json"},
     {"--at", nullptr, "'YYYY-MM-DD hh:mm:ss'", "explain", "the moment (default: the last activity stored)"},
     {"--output", "-o", "FILE", "html", "the page's file (default: standard output)"},
     {"--data", nullptr, "DIR", nullptr,
      "the folder of sys.db, func.db and actMMYY.db (default: the one the "
      "collector's settings name)"},
     {"--server", nullptr, "CONN", "totals day html approve held budget budgets",
      "from the team store (a PostgreSQL connection string, without a "
      "password) instead of this computer's files; approve, held, budget "
      "and budgets default to the \"Connection\" setting"},
     {"--user", nullptr, "NAME", "totals day html approve held",
      "with --server: one person's activities (default: all, everyone's)"},
     {"--per", nullptr, "PERIOD", "budget", "month (hours each month) or total (the default)"}},
    "D is YYYY-MM-DD, today, yesterday, week, month or last-month (day: YYYY-MM-DD, today or\n"
    "yesterday; default: today). WEEK is an ISO week (2026-W49) or a D in it.\n"
    "Exit status: 0 done, 1 no data or a data file could not be read, 2 bad command line.\n"};

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

}  // namespace

bool ParseReportOptions(int argc, const char* const* argv, int64_t today, CCommandLine& line, CReportOptions& options,
                        std::string& error) {
    options = CReportOptions();
    if (!ParseCommandLine(kQloreportCommandLine, argc, argv, line, error)) return false;
    if (line.ask != ECommandLineAsk::Run) return true;
    static const struct {
        const char* name;
        ReportCommand command;
    } kCommands[] = {{"totals", ReportCommand::Totals},   {"day", ReportCommand::Day},
                     {"explain", ReportCommand::Explain}, {"html", ReportCommand::Html},
                     {"approve", ReportCommand::Approve}, {"held", ReportCommand::Held},
                     {"budget", ReportCommand::Budget},   {"budgets", ReportCommand::Budgets}};
    for (const auto& command : kCommands)
        if (line.command == command.name) options.command = command.command;
    std::string from = line.Value("--from"), to = line.Value("--to");
    std::string day = line.arguments.empty() ? "" : line.arguments[0];
    if (line.Has("--by") && !Grouping(line.Value("--by"), options.by)) {
        error = "--by takes project, task, app, site, user or type, not '" + line.Value("--by") + "'";
        return false;
    }
    if (line.Has("--top")) {
        const std::string value = line.Value("--top");
        char* end = nullptr;
        const long top = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || top < 1 || top > 1000000) {
            error = "--top takes a number of groups, not '" + value + "'";
            return false;
        }
        options.top = static_cast<int>(top);
    }
    if (line.Has("--format") && !Format(line.Value("--format"), options.format)) {
        error = "--format takes table, csv or json, not '" + line.Value("--format") + "'";
        return false;
    }
    if (line.Has("--at")) {
        options.at = ParseMoment(line.Value("--at"));
        if (options.at == 0) {
            error = "--at takes a moment 'YYYY-MM-DD hh:mm:ss', not '" + line.Value("--at") + "'";
            return false;
        }
    }
    options.output = line.Value("--output");
    options.dataFolder = line.Value("--data");
    options.server = NarrowToUtf8(line.Value("--server").c_str());
    const bool hasUser = line.Has("--user");
    if (hasUser && line.Value("--user") != "all") options.user = NarrowToUtf8(line.Value("--user").c_str());
    if (!options.server.empty() && !options.dataFolder.empty()) {
        error = "--data and --server name two different sources: give one";
        return false;
    }
    if (options.server.empty() && hasUser && !IsTeamCommand(options.command)) {
        error = "--user chooses a person on the team store: give --server too";
        return false;
    }

    if (IsTeamCommand(options.command)) {
        options.today = today;
        if (options.command == ReportCommand::Approve) {
            if (options.user.empty()) {
                error = "approve needs --user NAME: whose week it locks";
                return false;
            }
            if (!ParseIsoWeek(line.arguments[0], today, options.week)) {
                error = "bad week '" + line.arguments[0] + "': YYYY-Www (2026-W49) or " + kDateForms;
                return false;
            }
        }
        if (options.command == ReportCommand::Budget) {
            options.project = NarrowToUtf8(line.arguments[0].c_str());
            const std::string& hours = line.arguments[1];
            char* end = nullptr;
            options.hours = std::strtod(hours.c_str(), &end);
            if (hours.empty() || *end != '\0' || !(options.hours >= 0 && options.hours <= 1e6)) {
                error = "HOURS is a number of hours (0 removes the budget), not '" + hours + "'";
                return false;
            }
            const std::string per = line.Has("--per") ? line.Value("--per") : "total";
            if (per != "month" && per != "total") {
                error = "--per takes month or total, not '" + per + "'";
                return false;
            }
            options.perMonth = per == "month";
        }
        return true;
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
