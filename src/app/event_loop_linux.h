#pragma once
// The Linux collector's event loop on the main thread: turns the signals of
// the control tool, changes of the system clock and locking of the session
// into calls on a receiver, one at a time, on the calling thread.
//
//   SIGTERM, SIGINT   OnStopRequest (the loop then returns)
//   SIGHUP            OnReloadRules
//   SIGUSR1, SIGUSR2  OnRulesSwitch(true), OnRulesSwitch(false)
//   pause, resume     OnPause(the signal's value), OnResume (the real-time
//                     signals of control_signals_linux.h)
//   forget            OnForgetRequest (the same)
//   clock set         OnClockChanged (CClockWatch)
//   LockedHint        OnSessionLocked(locked) (CSessionLockWatch, optional);
//                     OnSessionWatchLost / OnSessionWatchRestored when the
//                     system bus goes away and when the watch is back
//
// The signals arrive through a signalfd. That works only while they are
// blocked in every thread of the process (otherwise the kernel may deliver
// one to a thread that has it unblocked, whose default action ends the
// process): BlockSignals must run before any thread starts, since threads
// inherit the mask of the thread that creates them.
// Not thread-safe: one thread opens and runs the loop.

#include <cstdint>
#include <string>

#include "app/clock_watch_linux.h"
#include "app/session_lock_watch_linux.h"

class CShellReceiver : public CSessionLockListener {
public:
    virtual void OnStopRequest() = 0;
    virtual void OnReloadRules() = 0;
    virtual void OnRulesSwitch(bool enabled) = 0;
    // `seconds` as sent: the pause's length, 0 the rest of the day.
    virtual void OnPause(int64_t seconds) = 0;
    virtual void OnResume() = 0;
    virtual void OnForgetRequest() = 0;
    virtual void OnClockChanged() = 0;
    // The session watch broke (the system bus went away); `why` says how.
    // Locking is not followed until OnSessionWatchRestored.
    virtual void OnSessionWatchLost(const std::string& why) = 0;
    // The session watch was reopened; its hint was reported just before.
    virtual void OnSessionWatchRestored() = 0;

protected:
    ~CShellReceiver() = default;
};

class CEventLoop {
public:
    // Blocks the loop's signals in the calling thread. 1; -8 on failure.
    static int BlockSignals();

    CEventLoop() = default;
    ~CEventLoop();
    CEventLoop(const CEventLoop&) = delete;
    CEventLoop& operator=(const CEventLoop&) = delete;

    // Opens the signal descriptor and the clock watch. 1; -7 already open;
    // -8 one of them could not be made (errno tells why).
    int Open();
    // Also follows `watch` (opened, or nullptr for none) while it watches.
    // The caller keeps it alive while the loop runs.
    void SetSessionWatch(CSessionLockWatch* watch) { m_sessionWatch = watch; }

    // Waits at most `timeoutMs` (-1: without limit) for something to arrive
    // and delivers all of it. 1 a stop was requested; 0 otherwise; -8 the
    // loop is not open or waiting failed.
    int RunOnce(CShellReceiver& receiver, int timeoutMs);
    // Delivers until a stop request (1) or a failure (-8).
    int Run(CShellReceiver& receiver);

private:
    bool DeliverSignals(CShellReceiver& receiver);

    int m_signalFd = -1;
    CClockWatch m_clockWatch;
    CSessionLockWatch* m_sessionWatch = nullptr;
};
