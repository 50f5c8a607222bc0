// CTimeManager: pausing the capture. While paused the checks record an
// Offline activity of the system process instead of a capture, and the
// session's lock events are only noted, so that nothing of the desktop is
// read; the pause's end is kept in a file so that a restart keeps pausing.
#include <cstdio>
#include <string>

#include "control/pause_duration.h"
#include "core/time_manager.h"
#include "sensing/time_stamp.h"
#include "sensing/user.h"

namespace {
constexpr char kPause[] = "CTimeManager::Pause";
constexpr char kResume[] = "CTimeManager::Resume";
constexpr char kWritePause[] = "CTimeManager::WritePause";

// "14:30" for an end on the day of `now`, else "2026-12-09 00:30".
std::string EndText(int64_t now, int64_t until) {
    const CLocalTime end = UnpackTimeStamp(until);
    char text[32];
    if (IsSameDay(now, until))
        std::snprintf(text, sizeof text, "%02d:%02d", end.hour, end.minute);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", end.year, end.month, end.day, end.hour,
                      end.minute);
    return text;
}
}  // namespace

void CTimeManager::FillPauseSample(CWinActivity& sample) const {
    sample.SetUser(g_currentUser);
    sample.SetSystemProcess();
    sample.SetType(ActivityType::Offline);
}

void CTimeManager::WritePause() {
    if (m_pauseFile.Write(m_pause) != 1)
        LogError("%s (%i) The pause cannot be written: a restart of the collector would end it", kWritePause, 1);
}

int CTimeManager::Pause(int64_t seconds) {
    if (seconds < 0 || seconds > kMaxPauseSeconds) {
        LogError("%s (%i) A pause of %lld s is refused", kPause, 1, static_cast<long long>(seconds));
        return -1;
    }
    const CMoment now = NowMoment();
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    const bool begins = !IsPaused();
    if (begins) {
        m_pause.since = now.stamp;
        m_lockedWhilePaused = m_lastActivity.GetType() == ActivityType::Locked;
    }
    m_pause.until = PauseEndOf(now.stamp, seconds);
    m_paused = true;
    WritePause();
    const std::string length = PauseLengthText(SecondsBetween(now.stamp, m_pause.until));
    if (seconds == 0)
        LogInfo(1, "Paused until the end of the day (%s)", length.c_str());
    else
        LogInfo(1, "Paused until %s (%s)", EndText(now.stamp, m_pause.until).c_str(), length.c_str());
    if (begins && m_tracking) {
        // A check that captured before the pause must not extend what it began.
        ++m_changes;
        CWinActivity sample;
        FillPauseSample(sample);
        sample.SetStartAndFinish(now);
        BeginActivity(sample);
        KeepCheckpoint();
    }
    return 1;
}

int CTimeManager::Resume() {
    const CMoment now = NowMoment();
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!IsPaused()) {
        LogInfo(1, "Resume: no pause in force");
        return 0;
    }
    ++m_changes;
    if (m_tracking) ExtendPause(now);
    EndPause(now, "Resumed");
    if (!m_tracking) return 1;
    CWinActivity sample;
    Sample(sample, kResume, 1);
    if (!m_tracking) return 1;  // stopped while the capture dispatched messages
    if (HasNoProcess(sample)) sample.SetSystemProcess();
    sample.SetStartAndFinish(now);
    FollowSample(sample, now);
    KeepCheckpoint();
    return 1;
}

void CTimeManager::RestorePause(const CMoment& now) {
    CPauseState kept;
    if (m_pauseFile.Read(kept) == -1) LogError("%s (%i) The pause file cannot be read: no pause", kPause, 2);
    if (kept.until == 0) return;
    m_pause = kept;
    m_paused = true;
    if (now.stamp >= kept.until)
        EndPause(now, "The pause ended while the collector was not running");
    else
        LogInfo(1, "Still paused until %s", EndText(now.stamp, kept.until).c_str());
}

bool CTimeManager::FollowPause(const CMoment& now, uint32_t changes) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_tracking) return true;
    if (!IsPaused()) return false;  // resumed meanwhile
    if (m_changes.load() != changes) return true;
    const bool saved = ExtendPause(now);
    if (now.stamp >= m_pause.until) {
        EndPause(now, "Pause ended");
        return false;
    }
    if (!saved && !m_pending.empty()) RetryPending();
    KeepCheckpoint();
    return true;
}

bool CTimeManager::ExtendPause(const CMoment& now) {
    CWinActivity sample;
    FillPauseSample(sample);
    sample.SetStartAndFinish(now);
    // A time without checks (the computer slept) belongs to the pause as
    // well: it is not cut off as an offline gap of its own.
    if (m_lastActivity.IsSameActivity(sample) && IsSameDay(m_lastActivity.GetStartDate(), now.stamp) &&
        ElapsedSeconds(m_lastActivity.GetFinishMoment(), now) >= 0) {
        ExtendLastActivity(sample);
        return false;
    }
    return FollowSample(sample, now);
}

void CTimeManager::EndPause(const CMoment& now, const char* how) {
    LogInfo(1, "%s after %s", how, PauseLengthText(SecondsBetween(m_pause.since, now.stamp)).c_str());
    m_pause = {};
    m_paused = false;
    WritePause();
    if (m_lockedWhilePaused && m_tracking) {
        // The session was locked during the pause and still is.
        CWinActivity locked;
        FillPauseSample(locked);
        locked.SetType(ActivityType::Locked);
        locked.SetStartAndFinish(now);
        BeginActivity(locked);
    }
    m_lockedWhilePaused = false;
}

bool CTimeManager::TakenByPause(int event) {
    if (!IsPaused() || (event != EVENT_LOCK && event != EVENT_UNLOCK && event != EVENT_CHANGE_TIME)) return false;
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!IsPaused()) return false;
    if (event != EVENT_CHANGE_TIME) m_lockedWhilePaused = event == EVENT_LOCK;
    return true;
}
