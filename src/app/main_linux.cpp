// qlocollector, the Linux collector: one instance per user, started with the
// desktop session and running until SIGTERM or SIGINT.
//
// It takes no arguments: --help and --version answer without starting, and
// anything else is refused with exit code 2 before anything is touched.
//
// Exit codes: 0 after an orderly stop, and at once when another collector of
// the user runs already (said on standard error, with its process id); 1
// when the lock file or the event loop cannot be set up or the loop fails
// (said on standard error; the activity in progress is saved all the same
// once the time manager runs).
//
// What keeps it from recording properly (wrong settings, logs that cannot
// be written, no display) is said on standard error at start, and in the
// error log when there is one.
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/collector_shell_linux.h"
#include "app/desktop_problem_linux.h"
#include "app/event_loop_linux.h"
#include "app/instance_lock_linux.h"
#include "cli/command_line.h"
#include "core/time_manager.h"
#include "platform/private_file.h"
#include "sensing/browser_report_listener.h"

namespace {
const CProgramSpec kCommandLine = {
    "qlocollector",
    "Records the programs and windows in front, idle and locked time for Orvanta's time reports.\n"
    "Started without arguments with the desktop session (one per user); SIGTERM or qloctl close\n"
    "stop it in order.",
    {},
    {},
    "Exit status: 0 after an orderly stop or when a collector runs already, 1 it could not run,\n"
    "2 a bad command line.\n"};

// How long a second start waits for the running collector to have written
// its id into the lock file it has just taken.
constexpr int kHolderNameWaitMs = 2000;

// Says on standard error (and in the error log, where one is written) what
// the start found wrong; `started` is the shell's start result.
void ReportStartProblems(CTimeManager& timeManager, int started) {
    const CTimeManagerConfiguration& configuration = timeManager.GetConfiguration();
    if (*configuration.GetFailureText())
        std::fprintf(stderr,
                     "qlocollector: %s; nothing is recorded until that is repaired and the collector restarted\n",
                     configuration.GetFailureText());
    else if (started != 1)
        std::fprintf(stderr, "qlocollector: start-up incomplete (%d): see the error log\n", started);
    if (configuration.GetLogsFolder() && !timeManager.HasLogFiles())
        std::fprintf(stderr,
                     "qlocollector: no logs are written: the logs folder %s is too long (a log file's path holds at "
                     "most %d characters)\n",
                     configuration.GetLogsFolder(), CBaseLog::kMaxPath);
    const std::string desktop = DesktopProblem();
    if (!desktop.empty()) {
        std::fprintf(stderr, "qlocollector: %s\n", desktop.c_str());
        timeManager.Log(LOG_ERROR, 0, "%s (%i) %s", "qlocollector", 1, desktop.c_str());
    }
}
}  // namespace

int main(int argc, char** argv) {
    CCommandLine line;
    std::string error;
    const bool parsed = ParseCommandLine(kCommandLine, argc, argv, line, error);
    if (const int answered = AnswerCommandLine(kCommandLine, parsed, line, error, stdout, stderr); answered >= 0)
        return answered;
    // Everything the collector writes (databases, journals, logs, the
    // checkpoint, its lock) is for its user's eyes only.
    KeepNewFilesOwnerOnly();
    // A reader that goes away (a closed pipe) must not end the collector.
    signal(SIGPIPE, SIG_IGN);
    // Before any thread starts: the worker thread inherits the blocked mask,
    // so the loop's signals reach the loop alone.
    if (CEventLoop::BlockSignals() != 1) {
        std::fprintf(stderr, "qlocollector: cannot block signals: %s\n", std::strerror(errno));
        return 1;
    }

    const std::string lockPath = InstanceLockPath();
    CInstanceLock lock;
    const int held = lock.Acquire(lockPath);
    if (held == 0) {
        const pid_t running = WaitForRunningInstance(lockPath, kHolderNameWaitMs);
        if (running > 0)
            std::fprintf(stderr, "qlocollector: a collector is running already (process %ld); this one leaves\n",
                         static_cast<long>(running));
        else
            std::fprintf(stderr, "qlocollector: a collector is running already (it holds %s); this one leaves\n",
                         lockPath.c_str());
        return 0;
    }
    if (held != 1) {
        std::fprintf(stderr, "qlocollector: cannot use the lock file %s: %s\n",
                     lockPath.empty() ? "(no data folder)" : lockPath.c_str(),
                     held == -1 ? "no folder for it" : std::strerror(errno));
        return 1;
    }

    CEventLoop loop;
    if (loop.Open() != 1) {
        std::fprintf(stderr, "qlocollector: cannot watch signals and the clock: %s\n", std::strerror(errno));
        return 1;
    }

    // Ends before main returns, with the services it uses still alive.
    CTimeManager timeManager;
    CCollectorShell shell(timeManager);
    ReportStartProblems(timeManager, shell.Start(loop));
    CBrowserReportListener browserReports;  // addresses from the browser extension, until the end
    browserReports.Start(timeManager);
    const int ended = loop.Run(shell);
    if (ended != 1) std::fprintf(stderr, "qlocollector: the event loop failed: %s\n", std::strerror(errno));
    shell.Stop();
    return ended == 1 ? 0 : 1;
}
