// The control commands on Linux: signals to the collector named in its lock
// file (app/instance_lock_linux.h), which the collector's event loop turns
// into the same calls as the window messages on Windows.
#include <signal.h>
#include <time.h>

#include <cerrno>
#include <cstring>

#include "app/control_signals_linux.h"
#include "app/instance_lock_linux.h"
#include "control/collector_control.h"
#include "control/pause_duration.h"

namespace {
// How long "close" waits for the collector to end: it stops its worker
// thread (about 3 s at most) and saves the activity in progress first.
constexpr int kCloseWaitMs = 20000;
constexpr int kClosePollMs = 50;

int SignalOf(EControlCommand command) {
    switch (command) {
        case EControlCommand::Close:
            return SIGTERM;
        case EControlCommand::ReloadRules:
            return SIGHUP;
        case EControlCommand::RulesOn:
            return SIGUSR1;
        case EControlCommand::RulesOff:
            return SIGUSR2;
        case EControlCommand::Pause:
            return PauseSignal();
        case EControlCommand::Resume:
            return ResumeSignal();
        case EControlCommand::InstallBrowserHost:
        case EControlCommand::UninstallBrowserHost:
            break;
    }
    return 0;
}

std::string DoneText(EControlCommand command, int64_t pauseSeconds) {
    switch (command) {
        case EControlCommand::Pause:
            return PauseRequestText(pauseSeconds);
        case EControlCommand::Resume:
            return "resume requested";
        case EControlCommand::ReloadRules:
            return "rules reload requested";
        case EControlCommand::RulesOn:
            return "categorisation switched on";
        case EControlCommand::RulesOff:
            return "categorisation switched off";
        default:
            return "the collector has stopped";
    }
}

// Waits until the collector `pid` no longer holds its lock file.
bool WaitForEnd(const std::string& lockPath, pid_t pid) {
    const timespec pause{0, kClosePollMs * 1000000L};
    for (int waited = 0; waited < kCloseWaitMs; waited += kClosePollMs) {
        if (FindRunningInstance(lockPath) != pid) return true;
        nanosleep(&pause, nullptr);
    }
    return FindRunningInstance(lockPath) != pid;
}
}  // namespace

int SendControlCommand(EControlCommand command, std::string& message, int64_t pauseSeconds) {
    const int signal = SignalOf(command);
    if (signal == 0) {
        message = "nothing to send";
        return 1;
    }
    const std::string lockPath = InstanceLockPath();
    const pid_t pid = FindRunningInstance(lockPath);
    if (pid <= 0) {
        message = "no collector is running";
        return 1;
    }
    sigval value{};
    value.sival_int = static_cast<int>(pauseSeconds);
    // sigqueue, so that the pause's length travels with the signal.
    if (sigqueue(pid, signal, value) != 0) {
        message = "the collector (process " + std::to_string(pid) + ") cannot be signalled: " + std::strerror(errno);
        return 1;
    }
    if (command == EControlCommand::Close && !WaitForEnd(lockPath, pid)) {
        message = "close requested, but the collector still runs after " + std::to_string(kCloseWaitMs / 1000) + " s";
        return 1;
    }
    message = DoneText(command, pauseSeconds);
    return 0;
}

int SendForgetMessage(std::string& message) {
    const pid_t pid = FindRunningInstance(InstanceLockPath());
    if (pid <= 0) {
        message = "no collector is running";
        return 0;
    }
    if (kill(pid, ForgetSignal()) != 0) {
        message = "the collector (process " + std::to_string(pid) + ") cannot be signalled: " + std::strerror(errno);
        return -1;
    }
    message = "forget requested";
    return 1;
}
