#pragma once
// The Linux collector between its start and its stop: starts the time
// manager, follows the session's lock state, answers what the event loop
// delivers with calls on the time manager, and stops it in order.
//
//   Start        Init (with kEventLoopWindow), the session lock watch, the
//                start event, and a lock event when the session is locked
//                already
//   the loop     SIGHUP UpdateRules; SIGUSR1/SIGUSR2 categorisation on/off;
//                pause and resume Pause and Resume; a clock change EVENT_CHANGE_TIME; locking and unlocking
//                EVENT_LOCK / EVENT_UNLOCK; SIGTERM/SIGINT end the loop
//   Stop         StopAndSaveActivity (the worker thread ends, the activity in
//                progress is saved), then Deinit; within about 6 seconds
//                whatever the worker thread does. When it had to be let go
//                still running, Stop ends the process (exit code 0).
//
// Without a system bus, or without a login session that logind knows, the
// collector runs without lock and unlock events; the error log says so once.
// A bus that goes away later is said once when it goes and once when the
// watch is back.
// Not thread-safe: everything runs on the main thread.

#include <string>

#include "app/event_loop_linux.h"
#include "app/session_lock_watch_linux.h"
#include "core/time_manager.h"

class CCollectorShell : public CShellReceiver {
public:
    // What the time manager is given in place of a window: there is none on
    // Linux, and its lock and unlock events come from the event loop.
    static constexpr WindowHandle kEventLoopWindow = 1;

    explicit CCollectorShell(CTimeManager& timeManager) : m_timeManager(timeManager) {}

    // Starts the time manager and the session watch; hands the watch to
    // `loop`. Init's result (the start event is sent whatever it is).
    int Start(CEventLoop& loop);
    // The orderly stop. StopAndSaveActivity's result (or no return, see above).
    int Stop();

    void OnStopRequest() override {}
    void OnReloadRules() override;
    void OnRulesSwitch(bool enabled) override;
    void OnPause(int64_t seconds) override;
    void OnResume() override;
    void OnForgetRequest() override;
    void OnClockChanged() override;
    void OnSessionLocked(bool locked) override;
    void OnSessionWatchLost(const std::string& why) override;
    void OnSessionWatchRestored() override;

private:
    CTimeManager& m_timeManager;
    CSessionLockWatch m_sessionWatch;
};
