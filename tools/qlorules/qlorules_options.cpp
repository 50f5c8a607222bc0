#include "qlorules/qlorules_options.h"

#include <algorithm>
#include <cstdlib>

#include "sensing/date_range.h"
#include "sensing/time_stamp.h"

const char kQlorulesUsage[] =
    "usage: qlorules COMMAND [ARGUMENTS] [OPTIONS]\n"
    "Review and correct the recorded time: projects, tasks and rules, what a rule would\n"
    "catch, what is left uncategorised, re-applying the rules, assigning blocks, undo.\n"
    "\n"
    "  projects [add NAME | rename ID NAME | hide ID | show ID]\n"
    "  tasks [--project ID] [add NAME --project ID | rename ID NAME | hide ID | show ID]\n"
    "  list                         the rules, in the order the collector tries them\n"
    "  add RULE                     a new rule (checked as the collector reads rules)\n"
    "  change ID RULE               the options given replace those of rule ID\n"
    "  remove ID\n"
    "  test [ID] RULE [--from D] [--to D] [--limit N]\n"
    "                               the stored rows the rule would catch, what they are now\n"
    "                               and what the rules with it would make of them\n"
    "  uncategorized [--from D] [--to D] [--top N]\n"
    "                               programs, titles and sites with the most Uncategorized time\n"
    "  rows [--from D] [--to D]     the stored rows, with the ROW names assign takes\n"
    "  apply [--from D] [--to D] [--dry-run]\n"
    "                               re-categorise active and idle rows with the current rules;\n"
    "                               totals per project and task before and after\n"
    "  assign --project ID [--task ID] (--row ROW... | --from T --to T)\n"
    "                               rows of any type (idle, locked, offline too) to a project\n"
    "  log [--limit N]              the edits, newest first\n"
    "  undo [EDIT]                  undo an edit (default: the newest one not undone)\n"
    "  serve [--port N] [--no-browser]\n"
    "                               the review page on 127.0.0.1 (a free port, or N), opened\n"
    "                               in the default browser; it answers until stopped (Ctrl-C)\n"
    "\n"
    "  RULE: --project ID [--task ID] and at least one condition: --program NAME|#ID,\n"
    "        --path WORDS, --title WORDS, --site ADDRESS|#ID, --address WORDS,\n"
    "        --type active|idle|locked|offline, --period START..FINISH; --priority 0-31,\n"
    "        --off (kept, not in force). WORDS are small letters, all must occur.\n"
    "  D is YYYY-MM-DD, today, yesterday, week, month or last-month (default: today);\n"
    "  T also 'YYYY-MM-DD hh:mm:ss'. ROW is YYYY-MM:ID as rows and test show it.\n"
    "  --data DIR     the folder of sys.db, func.db and actMMYY.db (default: the one the\n"
    "                 collector's settings name)\n"
    "  --format table|csv|json\n"
    "Exit status: 0 done, 1 nothing to do, refused or a data file could not be used\n"
    "(the reason is named), 2 bad command line.\n";

namespace {
const char* const kCommands[] = {"projects",      "tasks", "list",  "add",    "change", "remove", "test",
                                 "uncategorized", "rows",  "apply", "assign", "log",    "undo",   "serve"};
// Options that take a value.
const char* const kValued[] = {"--data",    "--format",   "--from",  "--to",    "--project", "--task",
                               "--program", "--path",     "--title", "--site",  "--address", "--type",
                               "--period",  "--priority", "--row",   "--limit", "--top",     "--port"};
const char* const kRuleOptions[] = {"--program", "--path",   "--title",    "--site", "--address",
                                    "--type",    "--period", "--priority", "--off"};

template <class List>
bool In(const List& list, const std::string& text) {
    return std::find(std::begin(list), std::end(list), text) != std::end(list);
}

bool Number(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

// "YYYY-MM:ID" into a row reference.
bool RowRef(const std::string& text, CRowRef& row) {
    const int64_t month = ParseDate(text.substr(0, 7) + "-01");
    int64_t id = 0;
    if (text.size() < 9 || text[7] != ':' || month == 0 || !Number(text.substr(8), 1, INT64_MAX / 2, id)) return false;
    row = {month, id};
    return true;
}

// A moment, or a date's first (`end`: last) second.
int64_t Moment(const std::string& text, bool end) {
    if (const int64_t moment = ParseMoment(text)) return moment;
    const int64_t day = ParseDate(text);
    return day == 0 ? 0 : day + (end ? 235959 : 0);
}
}  // namespace

bool ParseRulesOptions(int argc, const char* const* argv, int64_t today, CRulesOptions& options, std::string& error) {
    options = CRulesOptions();
    std::string from, to;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i], value;
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name.rfind("--", 0) != 0 || name == "--") {
            if (options.command.empty()) {
                if (!In(kCommands, name)) {
                    error = "unknown command '" + name + "'";
                    return false;
                }
                options.command = name;
            } else {
                options.words.push_back(name);
            }
            continue;
        }
        if (const size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (In(kValued, name)) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (In(kRuleOptions, name)) options.ruleOptions.push_back(name);
        int64_t number = 0;
        const auto id = [&](int32_t& field) {
            if (!Number(value, 1, INT32_MAX, number)) return false;
            field = static_cast<int32_t>(number);
            return true;
        };
        bool good = true;
        if (name == "--data") {
            options.dataFolder = value;
        } else if (name == "--format") {
            good = value == "table" || value == "csv" || value == "json";
            options.format = value == "csv"    ? RulesFormat::Csv
                             : value == "json" ? RulesFormat::Json
                                               : RulesFormat::Table;
        } else if (name == "--from") {
            from = value;
        } else if (name == "--to") {
            to = value;
        } else if (name == "--project") {
            good = id(options.projectId);
        } else if (name == "--task") {
            good = id(options.taskId);
        } else if (name == "--program") {
            options.program = value;
        } else if (name == "--site") {
            options.site = value;
        } else if (name == "--path") {
            options.rule.path = value;
        } else if (name == "--title") {
            options.rule.title = value;
        } else if (name == "--address") {
            options.rule.address = value;
        } else if (name == "--type") {
            options.rule.type = value;
        } else if (name == "--period") {
            const size_t dots = value.find("..");
            int64_t start = 0, finish = 0;
            good = dots != std::string::npos && Number(value.substr(0, dots), INT32_MIN, INT32_MAX, start) &&
                   Number(value.substr(dots + 2), INT32_MIN, INT32_MAX, finish);
            options.rule.periodStart = static_cast<int32_t>(start);
            options.rule.periodFinish = static_cast<int32_t>(finish);
        } else if (name == "--priority") {
            good = Number(value, 0, 31, number);
            options.rule.priority = static_cast<int>(number);
        } else if (name == "--off") {
            options.rule.inForce = false;
        } else if (name == "--row") {
            CRowRef row;
            good = RowRef(value, row);
            options.rows.push_back(row);
        } else if (name == "--limit" || name == "--top") {
            good = Number(value, 1, 1000000, number);
            options.limit = static_cast<int>(number);
        } else if (name == "--dry-run") {
            options.dryRun = true;
        } else if (name == "--port") {
            good = Number(value, 1, 65535, number);
            options.port = static_cast<int>(number);
        } else if (name == "--no-browser") {
            options.openBrowser = false;
        } else {
            error = "unknown option '" + name + "'";
            return false;
        }
        if (!good) {
            error = "bad value '" + value + "' for " + name;
            return false;
        }
    }
    if (options.command.empty() && !options.help) {
        error = "no command given";
        return false;
    }
    options.rule.projectId = options.projectId;
    options.rule.taskId = options.taskId;
    options.hasRange = !from.empty() || !to.empty();
    if (options.command == "assign" && options.hasRange) {
        options.from = Moment(from, false);
        options.to = Moment(to, true);
        if (options.from == 0 || options.to == 0) {
            error = "assign takes --from and --to together, each YYYY-MM-DD or 'YYYY-MM-DD hh:mm:ss'";
            return false;
        }
        return true;
    }
    return ResolveDateRange(from, to, today, options.from, options.to, error);
}
