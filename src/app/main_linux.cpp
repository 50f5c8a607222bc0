// qlocollector, the Linux collector: one instance per user, started with the
// desktop session and running until SIGTERM or SIGINT.
//
// Exit codes: 0 after an orderly stop, and at once when another collector of
// the user runs already; 1 when the lock file or the event loop cannot be
// set up or the loop fails (said on standard error; the activity in progress
// is saved all the same once the time manager runs).
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/collector_shell_linux.h"
#include "app/event_loop_linux.h"
#include "app/instance_lock_linux.h"
#include "core/time_manager.h"
#include "sensing/browser_report_listener.h"

int main() {
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
    if (held == 0) return 0;
    if (held != 1) {
        std::fprintf(stderr, "qlocollector: cannot use the lock file %s: %s\n",
                     lockPath.empty() ? "(no runtime or data folder)" : lockPath.c_str(),
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
    const int started = shell.Start(loop);
    if (started != 1)
        std::fprintf(stderr,
                     "qlocollector: start-up incomplete (%d): see the error log, or the settings when there is none\n",
                     started);
    CBrowserReportListener browserReports;  // addresses from the browser extension, until the end
    browserReports.Start(timeManager);
    const int ended = loop.Run(shell);
    if (ended != 1) std::fprintf(stderr, "qlocollector: the event loop failed: %s\n", std::strerror(errno));
    shell.Stop();
    return ended == 1 ? 0 : 1;
}
