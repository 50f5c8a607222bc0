#include "app/collector_shell_linux.h"

#include <unistd.h>

namespace {
constexpr char kStart[] = "CCollectorShell::Start";
constexpr char kWatchLost[] = "CCollectorShell::OnSessionWatchLost";
constexpr char kWatchRestored[] = "CCollectorShell::OnSessionWatchRestored";
}  // namespace

int CCollectorShell::Start(CEventLoop& loop) {
    const int result = m_timeManager.Init(kEventLoopWindow);
    if (m_sessionWatch.Open() == 1)
        loop.SetSessionWatch(&m_sessionWatch);
    else
        m_timeManager.Log(LOG_ERROR, 0, "%s (%i) Session lock and unlock are not recorded: %s", kStart, 1,
                          m_sessionWatch.FailureText().c_str());
    m_timeManager.OnEvent(EVENT_START);
    if (m_sessionWatch.IsOpen() && m_sessionWatch.IsLocked()) m_timeManager.OnEvent(EVENT_LOCK);
    return result;
}

int CCollectorShell::Stop() {
    const int result = m_timeManager.StopAndSaveActivity();
    m_timeManager.Deinit();
    // A check that did not end in time still runs inside the time manager,
    // which returning would destroy under it: the process ends here instead.
    // The stop is complete (what it could not store is in the checkpoint).
    if (m_timeManager.WorkerLeftRunning()) _exit(0);
    return result;
}

void CCollectorShell::OnReloadRules() { m_timeManager.UpdateRules(); }

void CCollectorShell::OnRulesSwitch(bool enabled) { m_timeManager.SetRulesEnabled(enabled ? 1 : 0); }

void CCollectorShell::OnPause(int64_t seconds) { m_timeManager.Pause(seconds); }

void CCollectorShell::OnResume() { m_timeManager.Resume(); }
void CCollectorShell::OnForgetRequest() { m_timeManager.ForgetRequested(); }

void CCollectorShell::OnClockChanged() { m_timeManager.OnEvent(EVENT_CHANGE_TIME); }

void CCollectorShell::OnSessionLocked(bool locked) { m_timeManager.OnEvent(locked ? EVENT_LOCK : EVENT_UNLOCK); }

void CCollectorShell::OnSessionWatchLost(const std::string& why) {
    m_timeManager.Log(LOG_ERROR, 0, "%s (%i) Session lock and unlock are not recorded until the system bus is back: %s",
                      kWatchLost, 1, why.c_str());
}

void CCollectorShell::OnSessionWatchRestored() {
    m_timeManager.Log(LOG_ERROR, 0, "%s (%i) Session lock and unlock are recorded again", kWatchRestored, 1);
}
