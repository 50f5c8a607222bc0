// qloctl for the Linux collector: finds the running collector through its
// lock file and sends it the signal of the command:
//   close          SIGTERM, then waits (at most 10 s) until it has stopped
//   reload-rules   SIGHUP
//   rules on/off   SIGUSR1 / SIGUSR2
#include <signal.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/instance_lock_linux.h"
#include "qloctl_commands.h"

namespace {
constexpr int kCloseWaitMs = 10000;
constexpr int kClosePollMs = 50;

int SignalOf(QloctlCommand command) {
    switch (command) {
        case QLOCTL_CLOSE:
            return SIGTERM;
        case QLOCTL_RELOAD_RULES:
            return SIGHUP;
        case QLOCTL_RULES_ON:
            return SIGUSR1;
        case QLOCTL_RULES_OFF:
            return SIGUSR2;
        case QLOCTL_HELP:
            break;
    }
    return 0;
}

// Waits until the collector `pid` no longer holds the lock file.
bool WaitForStop(const std::string& lockPath, pid_t pid) {
    const timespec pause{0, kClosePollMs * 1000000L};
    for (int waited = 0; waited < kCloseWaitMs; waited += kClosePollMs) {
        if (FindRunningInstance(lockPath) != pid) return true;
        nanosleep(&pause, nullptr);
    }
    return FindRunningInstance(lockPath) != pid;
}
}  // namespace

int main(int argc, char** argv) {
    QloctlCommand command = QLOCTL_HELP;
    std::string problem;
    if (ParseQloctlCommand(argc - 1, argv + 1, command, problem) != 1) {
        std::fprintf(stderr, "qloctl: %s\n%s", problem.c_str(), QloctlUsage());
        return QLOCTL_EXIT_USAGE;
    }
    if (command == QLOCTL_HELP) {
        std::fputs(QloctlUsage(), stdout);
        return QLOCTL_EXIT_DONE;
    }
    const std::string lockPath = InstanceLockPath();
    const pid_t pid = FindRunningInstance(lockPath);
    if (pid <= 0) {
        std::fprintf(stderr, "qloctl: no collector is running\n");
        return QLOCTL_EXIT_NO_COLLECTOR;
    }
    if (kill(pid, SignalOf(command)) != 0) {
        std::fprintf(stderr, "qloctl: cannot signal the collector (process %ld): %s\n", static_cast<long>(pid),
                     std::strerror(errno));
        return QLOCTL_EXIT_NO_COLLECTOR;
    }
    if (command == QLOCTL_CLOSE && !WaitForStop(lockPath, pid)) {
        std::fprintf(stderr, "qloctl: the collector (process %ld) did not stop within %d s\n", static_cast<long>(pid),
                     kCloseWaitMs / 1000);
        return QLOCTL_EXIT_NO_COLLECTOR;
    }
    return QLOCTL_EXIT_DONE;
}
