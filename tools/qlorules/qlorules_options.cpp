#include "qlorules/qlorules_options.h"

#include <cstdlib>

#include "sensing/date_range.h"
#include "sensing/time_stamp.h"

namespace {
// The commands that take a rule's options, and those that answer in a format.
constexpr const char* kRule = "add change test";
constexpr const char* kFormatted =
    "projects tasks list add change remove test uncategorized rows apply assign forget log undo";
constexpr const char* kRanged = "test uncategorized rows apply assign forget";
// The commands whose --from and --to also take moments.
constexpr const char* kMoments = "assign forget";
}  // namespace

const CProgramSpec kQlorulesCommandLine = {
    "qlorules",
    "Review and correct the recorded time: projects, tasks, rules, assigning, undo.",
    {{"projects", "[add NAME | rename ID NAME | hide ID | show ID]", 0, 3,
      "the projects; or add, rename, hide or show one"},
     {"tasks", "[add NAME | rename ID NAME | hide ID | show ID]", 0, 3,
      "the tasks (of --project ID); or add one to --project ID, rename, hide or show one"},
     {"list", "", 0, 0, "the rules, in the order the collector tries them"},
     {"add", "", 0, 0, "a new rule of the RULE options (checked as the collector reads rules)"},
     {"change", "ID", 1, 1, "the RULE options given replace those of rule ID"},
     {"remove", "ID", 1, 1, "removes rule ID"},
     {"test", "[ID]", 0, 1,
      "the stored rows the rule of the RULE options (over rule ID's own) would catch, what they are now and what "
      "the rules with it would make of them"},
     {"uncategorized", "", 0, 0, "programs, titles and sites with the most Uncategorized time"},
     {"rows", "", 0, 0, "the stored rows, with the ROW names assign takes"},
     {"apply", "", 0, 0,
      "re-categorise active and idle rows with the current rules; totals per project and task before and after"},
     {"assign", "", 0, 0,
      "rows of any type (idle, locked, offline too) to --project ID [--task ID]: --row ROW (repeated) or "
      "--from T --to T"},
     {"forget", "", 0, 0,
      "removes for good the titles, addresses and descriptions recorded --from T --to T (rows keep time, "
      "program, project and task); with --whole the rows become Offline, nothing recorded; no undo"},
     {"log", "", 0, 0, "the edits, newest first"},
     {"undo", "[EDIT]", 0, 1, "undo an edit (default: the newest one not undone)"},
     {"serve", "", 0, 0,
      "the review page on 127.0.0.1 (a free port, or --port N), opened in the default browser; it answers until "
      "stopped (Ctrl-C)"}},
    {{"--project", nullptr, "ID", "tasks add change test assign", "the project (tasks: whose tasks)"},
     {"--task", nullptr, "ID", "add change test assign", "the task of that project"},
     {"--program", nullptr, "NAME|#ID", kRule, "the program"},
     {"--path", nullptr, "WORDS", kRule, "words of the program's path"},
     {"--title", nullptr, "WORDS", kRule, "words of the window title"},
     {"--site", nullptr, "ADDRESS|#ID", kRule, "the site"},
     {"--address", nullptr, "WORDS", kRule, "words of the page's address"},
     {"--type", nullptr, "TYPE", kRule, "active, idle, locked or offline"},
     {"--period", nullptr, "START..FINISH", kRule, "the period"},
     {"--priority", nullptr, "N", kRule, "0 to 31"},
     {"--off", nullptr, nullptr, kRule, "kept, not in force"},
     {"--from", nullptr, "D", kRanged, "the first day (assign, forget: or moment T)"},
     {"--to", nullptr, "D", kRanged, "the last day (assign, forget: or moment T)"},
     {"--whole", nullptr, nullptr, "forget", "forget the whole rows, not only their details"},
     {"--limit", nullptr, "N", "test log", "at most N rows or edits"},
     {"--top", nullptr, "N", "uncategorized", "the N largest"},
     {"--dry-run", nullptr, nullptr, "apply", "only show what would change"},
     {"--row", nullptr, "ROW", "assign", "a row to assign; repeat it for more"},
     {"--port", nullptr, "N", "serve", "the port to listen on (default: a free one)"},
     {"--no-browser", nullptr, nullptr, "serve", "do not open the default browser"},
     {"--format", nullptr, "FORMAT", kFormatted, "table (the default), csv or json"},
     {"--data", nullptr, "DIR", nullptr,
      "the folder of sys.db, func.db and actMMYY.db (default: the one the collector's settings name)"}},
    "A RULE is --project ID [--task ID] and at least one condition (--program, --path,\n"
    "--title, --site, --address, --type or --period), with --priority and --off.\n"
    "WORDS are small letters, all must occur.\n"
    "D is YYYY-MM-DD, today, yesterday, week, month or last-month (default: today);\n"
    "T also 'YYYY-MM-DD hh:mm:ss'. ROW is YYYY-MM:ID as rows and test show it.\n"
    "Exit status: 0 done, 1 nothing to do, refused or a data file could not be used\n"
    "(the reason is named), 2 bad command line.\n"};

namespace {
const char* const kRuleOptions[] = {"--program", "--path",   "--title",    "--site", "--address",
                                    "--type",    "--period", "--priority", "--off"};

bool Number(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

// Option `name`'s value, when it is given, as a number from `low` to `high`
// into `field`; `what` names what it takes when it is not.
template <class T>
bool NumberOption(const CCommandLine& line, const char* name, int64_t low, int64_t high, const char* what, T& field,
                  std::string& error) {
    int64_t value = 0;
    if (!line.Has(name)) return true;
    if (!Number(line.Value(name), low, high, value)) {
        error = std::string(name) + " takes " + what + ", not '" + line.Value(name) + "'";
        return false;
    }
    field = static_cast<T>(value);
    return true;
}

// "YYYY-MM:ID" into a row reference.
bool RowRef(const std::string& text, CRowRef& row) {
    const int64_t month = ParseDate(text.substr(0, 7) + "-01");
    int64_t id = 0;
    if (text.size() < 9 || text[7] != ':' || month == 0 || !Number(text.substr(8), 1, INT64_MAX / 2, id)) return false;
    row = {month, id};
    return true;
}

// "START..FINISH" into the rule's period.
bool Period(const std::string& text, CRuleSpec& rule) {
    const size_t dots = text.find("..");
    int64_t start = 0, finish = 0;
    if (dots == std::string::npos || !Number(text.substr(0, dots), INT32_MIN, INT32_MAX, start) ||
        !Number(text.substr(dots + 2), INT32_MIN, INT32_MAX, finish))
        return false;
    rule.periodStart = static_cast<int32_t>(start);
    rule.periodFinish = static_cast<int32_t>(finish);
    return true;
}

// A moment, or a date's first (`end`: last) second.
int64_t Moment(const std::string& text, bool end) {
    if (const int64_t moment = ParseMoment(text)) return moment;
    const int64_t day = ParseDate(text);
    return day == 0 ? 0 : day + (end ? 235959 : 0);
}
}  // namespace

bool ParseRulesOptions(int argc, const char* const* argv, int64_t today, CCommandLine& line, CRulesOptions& options,
                       std::string& error) {
    options = CRulesOptions();
    if (!ParseCommandLine(kQlorulesCommandLine, argc, argv, line, error)) return false;
    if (line.ask != ECommandLineAsk::Run) return true;
    options.command = line.command;
    options.words = line.arguments;
    options.dataFolder = line.Value("--data");
    if (!NumberOption(line, "--project", 1, INT32_MAX, "a project id", options.projectId, error) ||
        !NumberOption(line, "--task", 1, INT32_MAX, "a task id", options.taskId, error) ||
        !NumberOption(line, "--priority", 0, 31, "a priority from 0 to 31", options.rule.priority, error) ||
        !NumberOption(line, "--limit", 1, 1000000, "a number from 1", options.limit, error) ||
        !NumberOption(line, "--top", 1, 1000000, "a number from 1", options.limit, error) ||
        !NumberOption(line, "--port", 1, 65535, "a port from 1 to 65535", options.port, error))
        return false;
    const std::string format = line.Has("--format") ? line.Value("--format") : "table";
    if (format != "table" && format != "csv" && format != "json") {
        error = "--format takes table, csv or json, not '" + format + "'";
        return false;
    }
    options.format = format == "csv" ? RulesFormat::Csv : format == "json" ? RulesFormat::Json : RulesFormat::Table;
    if (line.Has("--period") && !Period(line.Value("--period"), options.rule)) {
        error = "--period takes START..FINISH, not '" + line.Value("--period") + "'";
        return false;
    }
    for (const std::string& value : line.Values("--row")) {
        CRowRef row;
        if (!RowRef(value, row)) {
            error = "--row takes YYYY-MM:ID, not '" + value + "'";
            return false;
        }
        options.rows.push_back(row);
    }
    for (const char* name : kRuleOptions)
        if (line.Has(name)) options.ruleOptions.push_back(name);
    options.program = line.Value("--program");
    options.site = line.Value("--site");
    options.rule.path = line.Value("--path");
    options.rule.title = line.Value("--title");
    options.rule.address = line.Value("--address");
    options.rule.type = line.Value("--type");
    options.rule.inForce = !line.Has("--off");
    options.rule.projectId = options.projectId;
    options.rule.taskId = options.taskId;
    options.dryRun = line.Has("--dry-run");
    options.openBrowser = !line.Has("--no-browser");

    const std::string from = line.Value("--from"), to = line.Value("--to");
    options.hasRange = !from.empty() || !to.empty();
    options.whole = line.Has("--whole");
    if (std::string(kMoments).find(options.command) != std::string::npos && options.hasRange) {
        options.from = Moment(from, false);
        options.to = Moment(to, true);
        // forget also takes the named days and periods of the other commands.
        if ((options.from == 0 || options.to == 0) && options.command == "forget" && !from.empty() && !to.empty())
            return ResolveDateRange(from, to, today, options.from, options.to, error);
        if (options.from == 0 || options.to == 0) {
            error = options.command + " takes --from and --to together, each YYYY-MM-DD or 'YYYY-MM-DD hh:mm:ss'";
            return false;
        }
        return true;
    }
    return ResolveDateRange(from, to, today, options.from, options.to, error);
}
