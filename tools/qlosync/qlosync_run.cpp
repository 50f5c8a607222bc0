#include "qlosync/qlosync_run.h"

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>

#include "cli/command_line.h"
#include "core/database_folder.h"
#include "output/report_text.h"
#include "platform/console.h"
#include "platform/processes.h"
#include "platform/text.h"
#include "qlosync/own_data.h"
#include "qlosync/sync_state.h"
#include "qlosync/team_store_push.h"
#include "qlosync/week_submit.h"
#include "sensing/date_range.h"
#include "sensing/time_stamp.h"
#include "teamstore/pg_connection.h"
#include "teamstore/team_store_schema.h"
#include "teamstore/team_store_settings.h"

namespace {
const CProgramSpec kCommandLine = {
    "qlosync",
    "Sends the collector's activities to the team store, a PostgreSQL database the team shares.",
    {{"init", "", 0, 0, "makes the team store's tables, or brings them up to date (safe to repeat)"},
     {"push", "", 0, 0, "sends every stored activity the team store does not have yet"},
     {"watch", "", 0, 0,
      "pushes every few minutes until stopped (Ctrl-C), the first time at a random moment within the interval"},
     {"status", "", 0, 0, "the last push: when, how it ended and the rows it added"},
     {"show", "", 0, 0, "everything the team store holds about you: computers, rows per month, details, weeks"},
     {"forget", "", 0, 0, "removes your activities from the team store (all, or --from/--to)"},
     {"submit", "WEEK", 1, 1, "marks your week (2026-W49, or a day in it) submitted for a lead to approve"}},
    {{"--from", nullptr, "D", "forget", "the first day to forget (default: everything)"},
     {"--to", nullptr, "D", "forget", "the last day to forget"},
     {"--every", nullptr, "N", "watch",
      "push every N minutes (Ns: seconds); default: the \"Push Interval\" "
      "setting, else 5"},
     {"--person", nullptr, "NAME", "push watch show forget submit",
      "whose activities these are (default: the \"Person\" setting, else "
      "this account; for show, forget and submit the store's login role)"},
     {"--batch", nullptr, "N", "push watch", "activities per transaction (default 5000)"},
     {"--server", nullptr, "CONN", nullptr,
      "the team store's connection string (default: the \"Connection\" "
      "setting), never with a password: PGPASSWORD, a password file or "
      "the \"Password\" setting; status does not need it"},
     {"--data", nullptr, "DIR", nullptr,
      "the folder of the collector's databases (default: the one its "
      "settings name); init does not need it"}},
    "D is YYYY-MM-DD, today, yesterday, week, month or last-month.\n"
    "Exit status: 0 done, 1 a failure (nothing is lost: the next push resumes), 2 bad command line.\n"};

constexpr int kDefaultIntervalMinutes = 5;

enum class Command { Init, Push, Watch, Status, Show, Forget, Submit };

struct COptions {
    Command command = Command::Init;
    std::string server, data, person;
    int everySeconds = 0;
    int batch = 5000;
    bool everything = true;  // forget: no --from or --to
    int64_t from = 0, to = 0;
    int week = 0;  // submit: yyyyww
};

// "N" minutes or "Ns" seconds; 0 when it is neither.
int IntervalSeconds(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || value < 1 || value > 24 * 60) return 0;
    if (*end == '\0') return static_cast<int>(value * 60);
    return std::strcmp(end, "s") == 0 ? static_cast<int>(value) : 0;
}

// The options of a line that asks to run a command.
bool ReadOptions(const CCommandLine& line, COptions& options, std::string& error) {
    static const std::pair<const char*, Command> kCommands[] = {
        {"init", Command::Init}, {"push", Command::Push},     {"watch", Command::Watch},  {"status", Command::Status},
        {"show", Command::Show}, {"forget", Command::Forget}, {"submit", Command::Submit}};
    for (const auto& [name, command] : kCommands)
        if (line.command == name) options.command = command;
    if (options.command == Command::Submit && !ParseIsoWeek(line.arguments[0], NowTimeStamp(), options.week)) {
        error = "bad week '" + line.arguments[0] + "': YYYY-Www (2026-W49) or " + kDateForms;
        return false;
    }
    options.everything = !line.Has("--from") && !line.Has("--to");
    if (!options.everything &&
        !ResolveDateRange(line.Value("--from"), line.Value("--to"), NowTimeStamp(), options.from, options.to, error))
        return false;
    options.server = NarrowToUtf8(line.Value("--server").c_str());
    options.data = line.Value("--data");
    options.person = NarrowToUtf8(line.Value("--person").c_str());
    if (line.Has("--every")) {
        options.everySeconds = IntervalSeconds(line.Value("--every"));
        if (options.everySeconds == 0) {
            error = "--every takes minutes (1 to 1440) or seconds ('30s'), not '" + line.Value("--every") + "'";
            return false;
        }
    }
    if (line.Has("--batch")) {
        const std::string value = line.Value("--batch");
        char* end = nullptr;
        const long batch = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || batch < 1 || batch > 100000) {
            error = "--batch takes a number of activities (1 to 100000), not '" + value + "'";
            return false;
        }
        options.batch = static_cast<int>(batch);
    }
    return true;
}

// The account running qlosync, as the collector names its user.
std::string AccountName() {
    char domain[256] = {}, name[256] = {};
    CProcessService& processes = Processes();
    if (processes.GetProcessAccount(processes.GetCurrentProcessId(), domain, sizeof domain, name, sizeof name) != 1)
        return "";
    return NarrowToUtf8(name);
}

// Connects to the store; false after saying why on `err`.
bool Connected(CPgConnection& connection, const CTeamStoreTarget& target, FILE* err) {
    if (connection.Connect(target.conninfo, target.password) == 1) return true;
    std::fprintf(err, "qlosync: cannot connect to the team store: %s\n", connection.ErrorText().c_str());
    return false;
}

int Init(const CTeamStoreTarget& target, FILE* out, FILE* err) {
    CPgConnection connection;
    if (!Connected(connection, target, err)) return 1;
    std::string storeId;
    int version = 0;
    const int result = InitTeamStoreSchema(connection, storeId, version);
    if (result == kSchemaNewer) {
        std::fprintf(err, "qlosync: %s\n", SchemaProblem(connection, result, version, "qlosync").c_str());
        return 1;
    }
    if (result != 1) {
        std::fprintf(err, "qlosync: the team store's tables could not be made: %s%s%s%s\n",
                     connection.ErrorText().c_str(), connection.SqlState().empty() ? "" : " [",
                     connection.SqlState().c_str(), connection.SqlState().empty() ? "" : "]");
        return 1;
    }
    std::fprintf(out, "team store ready: tables of version %d, store %s\n", version, storeId.c_str());
    return 0;
}

int Status(const std::string& folder, FILE* out, FILE* err) {
    CSyncState state;
    const int loaded = CSyncFiles(folder).LoadState(state);
    if (loaded != 1 || state.lastAttempt == 0) {
        std::fprintf(err, "qlosync: no push yet from %s\n", folder.c_str());
        return 1;
    }
    std::fprintf(out, "last push: %s, %s: %s\n", FormatMoment(state.lastAttempt).c_str(),
                 state.lastResult == 1 ? "done" : "failed", state.lastMessage.c_str());
    if (state.lastSuccess != 0)
        std::fprintf(out, "last push that ended well: %s, %lld rows added\n", FormatMoment(state.lastSuccess).c_str(),
                     static_cast<long long>(state.lastSuccessRows));
    std::fprintf(out, "identity %s on store %s\n", state.identity.c_str(), state.storeId.c_str());
    return 0;
}

int Push(const CPushRequest& request, FILE* out, FILE* err) {
    CPushOutcome outcome;
    const int result = PushFolder(request, outcome);
    if (result == 1) {
        std::fprintf(out, "%s pushed: %s\n", FormatMoment(NowTimeStamp()).c_str(), outcome.message.c_str());
        for (const std::string& notice : outcome.notices)
            std::fprintf(out, "%s\n", notice.c_str());
        return 0;
    }
    std::fprintf(err, "qlosync: %s\n", outcome.message.c_str());
    return 1;
}

// Milliseconds before a push of `watch`: the first at a random moment within
// the interval, each later one an interval after the last, give or take a
// tenth of it, so that a fleet of collectors started together does not push
// together.
int WatchPauseMs(int seconds, bool first, std::mt19937& random) {
    const int interval = seconds * 1000;
    if (first) return std::uniform_int_distribution<int>(0, interval - 1)(random);
    return interval + std::uniform_int_distribution<int>(-interval / 10, interval / 10)(random);
}

// show, forget and submit: on the person's rows, over one connection. The
// person: --person, else the "Person" setting, else the login role's name
// (the store's policies give a member that person only).
int OnOwnRows(const COptions& options, const std::string& settingsPerson, const CTeamStoreTarget& target, FILE* out,
              FILE* err) {
    CPgConnection connection;
    if (!Connected(connection, target, err)) return 1;
    std::string storeId;
    int version = 0;
    const int schema = CheckTeamStoreSchema(connection, storeId, version);
    if (schema != 1) {
        std::fprintf(err, "qlosync: %s\n", SchemaProblem(connection, schema, version, "qlosync").c_str());
        return 1;
    }
    std::string person = !options.person.empty() ? options.person : settingsPerson;
    CPgResult login;
    if (person.empty()) {
        if (connection.Exec("select session_user", {}, &login) != 1) return StoreRefused(connection, "reading", err);
        person = login.Text(0, 0);
    }
    switch (options.command) {
        case Command::Show:
            return ShowOwnData(connection, person, out, err);
        case Command::Forget:
            return ForgetOwnData(connection, person, options.everything, options.from, options.to, out, err);
        default:
            return SubmitWeek(connection, person, options.week, out, err);
    }
}

int Watch(const CPushRequest& request, int seconds, FILE* out, FILE* err) {
    WatchStopRequests();
    std::mt19937 random(std::random_device{}());
    int pause = WatchPauseMs(seconds, true, random);
    std::fprintf(out, "pushing from %s every %d s; first push in %d ms; Ctrl-C stops\n", request.folder.c_str(),
                 seconds, pause);
    std::fflush(out);
    while (!StopRequested() && !WaitForStopRequest(pause)) {
        Push(request, out, err);
        pause = WatchPauseMs(seconds, false, random);
        std::fprintf(out, "next push in %d ms\n", pause);
        std::fflush(out);
        std::fflush(err);
    }
    std::fprintf(out, "stopped\n");
    return 0;
}
}  // namespace

int RunQlosync(int argc, const char* const* argv, FILE* out, FILE* err) {
    CCommandLine line;
    COptions options;
    std::string error;
    bool parsed = ParseCommandLine(kCommandLine, argc, argv, line, error);
    if (parsed && line.ask == ECommandLineAsk::Run) parsed = ReadOptions(line, options, error);
    if (const int answered = AnswerCommandLine(kCommandLine, parsed, line, error, out, err); answered >= 0)
        return answered;
    const CTeamStoreSettings settings = ReadTeamStoreSettings();
    if (!settings.notice.empty()) std::fprintf(err, "qlosync: %s\n", settings.notice.c_str());
    CPushRequest request;
    const bool needsFolder =
        options.command == Command::Push || options.command == Command::Watch || options.command == Command::Status;
    if (needsFolder) {
        if (ToolDatabaseFolder(options.data, request.folder, error) != 1) {
            std::fprintf(err, "qlosync: %s\n", error.c_str());
            return 1;
        }
        if (options.command == Command::Status) return Status(request.folder, out, err);
    }
    const int resolved = ResolveTeamStoreTarget(options.server, settings, request.target, error);
    if (resolved != 1) {
        std::fprintf(err, "qlosync: %s\n", error.c_str());
        return resolved == -2 ? 2 : 1;
    }
    if (options.command == Command::Init) return Init(request.target, out, err);

    if (!needsFolder) return OnOwnRows(options, settings.person, request.target, out, err);
    request.person = !options.person.empty()    ? options.person
                     : !settings.person.empty() ? settings.person
                                                : AccountName();
    if (request.person.empty()) {
        std::fprintf(err, "qlosync: whose activities these are is unknown: give --person NAME\n");
        return 1;
    }
    request.host = NarrowToUtf8(ComputerName().c_str());
    request.batchRows = options.batch;
    request.shared = settings.shared;
    if (options.command == Command::Push) return Push(request, out, err);
    const int seconds = options.everySeconds > 0           ? options.everySeconds
                        : settings.pushIntervalMinutes > 0 ? settings.pushIntervalMinutes * 60
                                                           : kDefaultIntervalMinutes * 60;
    return Watch(request, seconds, out, err);
}
