#include "qlopms/qlopms_command.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "sensing/time_stamp.h"

const CProgramSpec kQlopmsCommandLine = {
    "qlopms",
    "Links the collector's catalogue with a JIRA server and turns recorded time into worklogs.",
    {{"check", "", 0, 0, "log in to the server and say whether the session works"},
     {"sync", "", 0, 0,
      "add JIRA's projects and the issues assigned to you to the "
      "catalogue as projects and tasks (renamed issues are renamed; "
      "nothing is ever removed); a running collector reloads its rules"},
     {"worklog", "[DAY]", 0, 1,
      "the day's active time per JIRA issue, rounded up to minutes, "
      "for review; DAY is YYYY-MM-DD, yesterday or today (the default)"}},
    {{"--post", nullptr, nullptr, "worklog", "post each issue's time not posted yet as a JIRA worklog"},
     {"--due", nullptr, nullptr, "worklog",
      "exit status 0 when the worklog reminder is due: it is switched "
      "on, its time of day has passed and today's time is not posted"},
     {"--server", nullptr, "URL", nullptr, "the server instead of the \"JIRA Server URL\" setting"},
     {"--user", nullptr, "NAME", nullptr, "the user instead of the \"JIRA Username\" setting"},
     {"--ca-file", nullptr, "FILE", nullptr,
      "trust the certificate authorities of FILE (PEM) for the "
      "server's certificate, for servers of a private authority"}},
    "The password comes from the \"JIRA Password\" setting (for the configured server and\n"
    "user), else from the environment variable QLO_JIRA_PASSWORD, else from a prompt\n"
    "that does not show it; never from the command line.\n"
    "Exit status: 0 done (check: the session works; worklog --due: due); 1 a failure,\n"
    "or nothing due; 2 a bad command line\n"};

namespace {
// "YYYY-MM-DD" of an existing calendar day, packed at 00:00:00; 0 otherwise.
int64_t ParseDay(const char* text) {
    int year = 0, month = 0, day = 0;
    char end = 0;
    if (std::strlen(text) != 10 || std::sscanf(text, "%4d-%2d-%2d%c", &year, &month, &day, &end) != 3) return 0;
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return 0;
    // The C library knows the length of each month: a day past the month's
    // end comes back normalised into the next month.
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = 12;
    fields.tm_isdst = -1;
    std::mktime(&fields);
    if (fields.tm_mday != day || fields.tm_mon != month - 1) return 0;
    CLocalTime packed;
    packed.year = year;
    packed.month = month;
    packed.day = day;
    return PackTimeStamp(packed);
}

}  // namespace

bool ParsePmsCommandLine(int argc, const char* const* argv, int64_t today, CCommandLine& line, CPmsCommandLine& out,
                         std::string& error) {
    out = CPmsCommandLine{};
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--pass", 0) == 0 || argument == "-p") {
            error =
                "a password is never taken from the command line: use the \"JIRA Password\" setting, "
                "QLO_JIRA_PASSWORD or the prompt";
            return false;
        }
    }
    if (!ParseCommandLine(kQlopmsCommandLine, argc, argv, line, error)) return false;
    if (line.ask != ECommandLineAsk::Run) return true;
    out.server = line.Value("--server");
    out.user = line.Value("--user");
    out.caFile = line.Value("--ca-file");
    out.post = line.Has("--post");
    if (line.command == "check") {
        out.command = EPmsCommand::Check;
    } else if (line.command == "sync") {
        out.command = EPmsCommand::Sync;
    } else {
        const std::string dayText = line.arguments.empty() ? "" : line.arguments[0];
        const bool due = line.Has("--due");
        if (due && (out.post || !dayText.empty())) {
            error = "--due takes neither a day nor --post";
            return false;
        }
        out.command = due ? EPmsCommand::Due : EPmsCommand::Worklog;
        out.day = DayStart(today);
        if (dayText == "yesterday") {
            out.day = AddDays(out.day, -1);
        } else if (!dayText.empty() && dayText != "today") {
            out.day = ParseDay(dayText.c_str());
            if (out.day == 0) {
                error = "\"" + dayText + "\" is not a day: give YYYY-MM-DD, today or yesterday";
                return false;
            }
        }
    }
    for (const char* option : {"--server", "--user", "--ca-file"})
        if (line.Has(option) && line.Value(option).empty()) {
            error = std::string("\"") + option + "\" takes a value";
            return false;
        }
    return true;
}
