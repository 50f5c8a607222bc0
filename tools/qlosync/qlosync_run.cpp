#include "qlosync/qlosync_run.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/database_folder.h"
#include "platform/console.h"
#include "platform/processes.h"
#include "platform/text.h"
#include "qloreport/report_text.h"
#include "qlosync/pg_connection.h"
#include "qlosync/sync_state.h"
#include "qlosync/team_store_push.h"
#include "qlosync/team_store_schema.h"
#include "qlosync/team_store_settings.h"
#include "sensing/time_stamp.h"

namespace {
const char kUsage[] =
    "usage: qlosync <command> [options]\n"
    "Sends the collector's activities to the team store, a PostgreSQL database the team shares.\n"
    "\n"
    "  init               makes the team store's tables (once; safe to repeat)\n"
    "  push               sends every stored activity the team store does not have yet\n"
    "  watch [--every N]  pushes now and then every N minutes (Ns: seconds) until stopped\n"
    "                     (Ctrl-C); default: the \"Push Interval\" setting, else 5\n"
    "  status             the last push: when, how it ended and the rows it added\n"
    "\n"
    "  --server CONN   the team store's connection string (default: the \"Connection\" setting),\n"
    "                  never with a password: PGPASSWORD, a password file or the \"Password\" setting\n"
    "  --data DIR      the folder of the collector's databases (default: the one its settings name)\n"
    "  --person NAME   whose activities these are (default: the \"Person\" setting, else this account)\n"
    "  --batch N       activities per transaction (default 5000)\n"
    "Exit status: 0 done, 1 a failure (nothing is lost: the next push resumes), 2 bad command line.\n";

constexpr int kDefaultIntervalMinutes = 5;

enum class Command { Help, Init, Push, Watch, Status };

struct COptions {
    Command command = Command::Help;
    std::string server, data, person;
    int everySeconds = 0;
    int batch = 5000;
};

bool Takes(Command command, const std::string& option) {
    if (option == "--server") return command != Command::Status;
    if (option == "--data") return command != Command::Init;
    if (option == "--person" || option == "--batch") return command == Command::Push || command == Command::Watch;
    if (option == "--every") return command == Command::Watch;
    return false;
}

// "N" minutes or "Ns" seconds; 0 when it is neither.
int IntervalSeconds(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || value < 1 || value > 24 * 60) return 0;
    if (*end == '\0') return static_cast<int>(value * 60);
    return std::strcmp(end, "s") == 0 ? static_cast<int>(value) : 0;
}

bool Parse(int argc, const char* const* argv, COptions& options, std::string& error) {
    if (argc < 2) {
        error = "no command given";
        return false;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") return true;
    if (command == "init")
        options.command = Command::Init;
    else if (command == "push")
        options.command = Command::Push;
    else if (command == "watch")
        options.command = Command::Watch;
    else if (command == "status")
        options.command = Command::Status;
    else {
        error = "unknown command '" + command + "'";
        return false;
    }
    for (int i = 2; i < argc; ++i) {
        std::string option = argv[i], value;
        const size_t equals = option.find('=');
        const bool inline_ = option.rfind("--", 0) == 0 && equals != std::string::npos;
        if (inline_) {
            value = option.substr(equals + 1);
            option.resize(equals);
        }
        if (option == "--help" || option == "-h") {
            options.command = Command::Help;
            return true;
        }
        if (!Takes(options.command, option)) {
            error = "unknown option '" + option + "' for " + command;
            return false;
        }
        if (!inline_) {
            if (i + 1 >= argc) {
                error = "option '" + option + "' needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (option == "--server") {
            options.server = NarrowToUtf8(value.c_str());
        } else if (option == "--data") {
            options.data = value;
        } else if (option == "--person") {
            options.person = NarrowToUtf8(value.c_str());
        } else if (option == "--every") {
            options.everySeconds = IntervalSeconds(value);
            if (options.everySeconds == 0) {
                error = "--every takes minutes (1 to 1440) or seconds ('30s'), not '" + value + "'";
                return false;
            }
        } else {
            char* end = nullptr;
            const long batch = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || batch < 1 || batch > 100000) {
                error = "--batch takes a number of activities (1 to 100000), not '" + value + "'";
                return false;
            }
            options.batch = static_cast<int>(batch);
        }
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

int Init(const CTeamStoreTarget& target, FILE* out, FILE* err) {
    CPgConnection connection;
    if (connection.Connect(target.conninfo, target.password) != 1) {
        std::fprintf(err, "qlosync: cannot connect to the team store: %s\n", connection.ErrorText().c_str());
        return 1;
    }
    std::string storeId;
    int version = 0;
    const int result = InitTeamStoreSchema(connection, storeId, version);
    if (result == kSchemaNewer) {
        std::fprintf(err, "qlosync: the team store's tables are of version %d, newer than this qlosync knows (%d): "
                          "update qlosync\n", version, kTeamStoreSchemaVersion);
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
        return 0;
    }
    std::fprintf(err, "qlosync: %s\n", outcome.message.c_str());
    return 1;
}

int Watch(const CPushRequest& request, int seconds, FILE* out, FILE* err) {
    WatchStopRequests();
    std::fprintf(out, "pushing from %s every %d s; Ctrl-C stops\n", request.folder.c_str(), seconds);
    std::fflush(out);
    for (;;) {
        Push(request, out, err);
        std::fflush(out);
        std::fflush(err);
        if (StopRequested() || WaitForStopRequest(seconds * 1000)) break;
    }
    std::fprintf(out, "stopped\n");
    return 0;
}
}  // namespace

int RunQlosync(int argc, const char* const* argv, FILE* out, FILE* err) {
    COptions options;
    std::string error;
    if (!Parse(argc, argv, options, error)) {
        std::fprintf(err, "qlosync: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (options.command == Command::Help) {
        std::fputs(kUsage, out);
        return 0;
    }
    const CTeamStoreSettings settings = ReadTeamStoreSettings();
    if (!settings.notice.empty()) std::fprintf(err, "qlosync: %s\n", settings.notice.c_str());
    CPushRequest request;
    if (options.command != Command::Init) {
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

    request.person = !options.person.empty() ? options.person : !settings.person.empty() ? settings.person
                                                                                         : AccountName();
    if (request.person.empty()) {
        std::fprintf(err, "qlosync: whose activities these are is unknown: give --person NAME\n");
        return 1;
    }
    request.host = NarrowToUtf8(ComputerName().c_str());
    request.batchRows = options.batch;
    if (options.command == Command::Push) return Push(request, out, err);
    const int seconds = options.everySeconds > 0              ? options.everySeconds
                        : settings.pushIntervalMinutes > 0 ? settings.pushIntervalMinutes * 60
                                                            : kDefaultIntervalMinutes * 60;
    return Watch(request, seconds, out, err);
}
