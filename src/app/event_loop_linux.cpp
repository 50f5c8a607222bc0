#include "app/event_loop_linux.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "app/control_signals_linux.h"

namespace {
sigset_t LoopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2, PauseSignal(), ResumeSignal(), ForgetSignal()})
        sigaddset(&signals, signal);
    return signals;
}
}  // namespace

int CEventLoop::BlockSignals() {
    const sigset_t signals = LoopSignals();
    return pthread_sigmask(SIG_BLOCK, &signals, nullptr) == 0 ? 1 : -8;
}

CEventLoop::~CEventLoop() {
    if (m_signalFd >= 0) close(m_signalFd);
}

int CEventLoop::Open() {
    if (m_signalFd >= 0) return -7;
    const sigset_t signals = LoopSignals();
    m_signalFd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_signalFd < 0) return -8;
    if (m_clockWatch.Open() != 1) {
        const int error = errno;
        close(m_signalFd);
        m_signalFd = -1;
        errno = error;
        return -8;
    }
    return 1;
}

bool CEventLoop::DeliverSignals(CShellReceiver& receiver) {
    bool stop = false;
    signalfd_siginfo info;
    for (;;) {
        const ssize_t n = read(m_signalFd, &info, sizeof(info));
        if (n < 0 && errno == EINTR) continue;
        if (n != static_cast<ssize_t>(sizeof(info))) break;
        switch (info.ssi_signo) {
            case SIGTERM:
            case SIGINT:
                receiver.OnStopRequest();
                stop = true;
                break;
            case SIGHUP:
                receiver.OnReloadRules();
                break;
            case SIGUSR1:
                receiver.OnRulesSwitch(true);
                break;
            case SIGUSR2:
                receiver.OnRulesSwitch(false);
                break;
            default:
                // The real-time signals are no constants: SIGRTMIN is read at run time.
                if (static_cast<int>(info.ssi_signo) == PauseSignal()) receiver.OnPause(info.ssi_int);
                if (static_cast<int>(info.ssi_signo) == ResumeSignal()) receiver.OnResume();
                if (static_cast<int>(info.ssi_signo) == ForgetSignal()) receiver.OnForgetRequest();
                break;
        }
    }
    return stop;
}

int CEventLoop::RunOnce(CShellReceiver& receiver, int timeoutMs) {
    if (m_signalFd < 0) return -8;
    const bool watchingSession = m_sessionWatch && m_sessionWatch->IsWatching();
    pollfd sources[3] = {{m_signalFd, POLLIN, 0}, {m_clockWatch.Fd(), POLLIN, 0}, {-1, 0, 0}};
    if (watchingSession) {
        sources[2] = {m_sessionWatch->Fd(), m_sessionWatch->Events(), 0};
        const int busTimeout = m_sessionWatch->TimeoutMs();
        if (busTimeout >= 0) timeoutMs = timeoutMs < 0 ? busTimeout : std::min(timeoutMs, busTimeout);
    }
    const int ready = poll(sources, watchingSession ? 3 : 2, timeoutMs);
    if (ready < 0) return errno == EINTR ? 0 : -8;

    bool stop = false;
    if (sources[0].revents) stop = DeliverSignals(receiver);
    if (sources[1].revents && m_clockWatch.TakeChange()) receiver.OnClockChanged();
    // The bus connection is processed after every wake-up: it may have work
    // (a time-out, queued messages, a reopening that is due) without its
    // descriptor being ready.
    if (watchingSession) {
        const int processed = m_sessionWatch->Process(receiver);
        if (processed == -8) receiver.OnSessionWatchLost(m_sessionWatch->FailureText());
        if (processed == 2) receiver.OnSessionWatchRestored();
    }
    return stop ? 1 : 0;
}

int CEventLoop::Run(CShellReceiver& receiver) {
    for (;;) {
        const int result = RunOnce(receiver, -1);
        if (result != 0) return result;
    }
}
