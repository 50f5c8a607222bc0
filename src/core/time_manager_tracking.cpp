// CTimeManager: the tracking cycle. Each handler samples the window in front
// and decides whether the activity in progress goes on, ends here, or whether
// a time without samples (the computer was off or asleep, the collector not
// running, the clock moved) must be filled with an Offline row first.
#include <cstdio>

#include "core/time_manager.h"
#include "sensing/time_stamp.h"
#include "sensing/user.h"

namespace {
constexpr char kOnCheckActivity[] = "CTimeManager::OnCheckActivity";
constexpr char kOnLock[] = "CTimeManager::OnLock";
constexpr char kOnUnlock[] = "CTimeManager::OnUnlock";
constexpr char kOnChangeTime[] = "CTimeManager::OnChangeTime";
constexpr char kFindLastActivity[] = "CTimeManager::FindLastActivity";

// The last second of the day of `stamp`.
constexpr int64_t kEndOfDay = 235959;

// The longest wait between two checks while nothing changes unannounced. It
// bounds how far the activity in progress (and so the checkpoint) may lag
// behind, and how much of the time after the computer wakes from sleep is
// still counted in the Offline gap.
constexpr uint32_t kQuietCheckWaitMs = 5000;

// An Offline activity from `start` to `finish` with the account and the
// program and title of `sample`; no address and no ids.
CWinActivity OfflineActivity(const CWinActivity& sample, const CMoment& start, const CMoment& finish) {
    CWinActivity offline(ActivityType::Offline);
    CWinProcess process;
    sample.GetProcess(process);
    offline.SetProcess(process);
    CUser user;
    sample.GetUser(user);
    offline.SetUser(user);
    offline.SetStartMoment(start);
    offline.SetFinishMoment(finish);
    offline.UpdateDuration();
    return offline;
}

// A copy of `sample` (address included) turned into an Offline activity
// from `start` to `finish`.
CWinActivity OfflineCopy(const CWinActivity& sample, const CMoment& start, const CMoment& finish) {
    CWinActivity offline(sample);
    offline.SetType(ActivityType::Offline);
    offline.SetStartMoment(start);
    offline.SetFinishMoment(finish);
    offline.UpdateDuration();
    return offline;
}

// The start of the day of `moment`, and its last second.
CMoment DayStartOf(const CMoment& moment) { return {DayStart(moment.stamp), moment.utcOffset}; }
CMoment DayEndOf(const CMoment& moment) { return {DayStart(moment.stamp) + kEndOfDay, moment.utcOffset}; }

bool SameMonth(int64_t a, int64_t b) { return MonthOf(a) == MonthOf(b) && YearOf(a) == YearOf(b); }
}  // namespace

bool CTimeManager::HasNoProcess(const CActivity& activity) {
    return activity.GetFileName()[0] == '\0' && activity.GetFullPath()[0] == '\0';
}

int CTimeManager::GetCurrentActivity(CWinActivity& activity) {
    if (IsPaused()) {
        FillPauseSample(activity);
        return 1;
    }
    activity.SetUser(g_currentUser);
    const int captured = activity.Capture();
    KeepPrivate(activity);
    return captured;
}

void CTimeManager::Sample(CWinActivity& activity, const char* operation, int place) {
    const int captured = GetCurrentActivity(activity);
    if (captured != 1) LogError("%s (%i) GetCurrentActivity = %i", operation, place, captured);
}

void CTimeManager::InitActivity(const CMoment& now) {
    CWinActivity sample;
    GetCurrentActivity(sample);
    if (HasNoProcess(sample)) sample.SetSystemProcess();
    sample.SetStartAndFinish(now);
    ReplaceLastActivity(sample);
    LogInfo(1, "Init activity: %lld (%s) %s %s", static_cast<long long>(sample.GetStartDate()), sample.GetTypeLabel(),
            sample.GetFileName(), sample.GetTitle());
}

int CTimeManager::FindLastActivity(const CMoment& now) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    LogInfo(2, "%s started", kFindLastActivity);
    // The tracking begins once there is an activity in progress: a stop that
    // comes while the capture below dispatches messages finds none to save.
    ++m_changes;
    m_retriesCut.fetch_and(~kRetriesCutForStop);
    RestorePause(now);
    // What a crash left in the checkpoint is stored first, so that the gap
    // below begins where the recorded time ends.
    CMoment accounted;
    RecoverCheckpoint(accounted);
    bool found = LoadLastActivity() == 1;
    if (accounted.stamp != 0) {
        if (found ? accounted.stamp >= m_lastActivity.GetFinishDate() : SameMonth(accounted.stamp, now.stamp)) {
            // The checkpoint knows more: its moment (with its UTC offset),
            // or time whose rows still wait to be stored.
            m_lastActivity.SetFinishMoment(accounted);
            found = true;
        }
    }
    if (!found) {
        // Nothing stored in this month's file: the tracking starts here.
        InitActivity(now);
        m_tracking = true;
        m_activityInProgress = true;
        KeepCheckpoint();
        LogInfo(2, "%s finished", kFindLastActivity);
        return 1;
    }

    CWinActivity sample;
    Sample(sample, kFindLastActivity, 1);
    if (HasNoProcess(sample)) {
        LogError("%s (%i) Process NULL", kFindLastActivity, 2);
        sample.SetSystemProcess();
    }
    sample.SetStartAndFinish(now);
    if (!IsPaused()) sample.SetType(ActivityType::Active);

    if (ElapsedSeconds(m_lastActivity.GetFinishMoment(), now) <= 0)
        InitActivity(now);  // the clock lies behind the stored data: nothing sensible to fill
    else
        BeginAfterOfflineGap(sample, true);  // the stored row is saved already
    m_tracking = true;
    m_activityInProgress = true;
    KeepCheckpoint();
    LogInfo(2, "%s finished", kFindLastActivity);
    return 1;
}

void CTimeManager::BeginAfterOfflineGap(const CWinActivity& sample, bool lastStored) {
    const CMoment from = m_lastActivity.GetFinishMoment(), to = sample.GetStartMoment();
    const bool sameDay = IsSameDay(from.stamp, to.stamp);
    const CWinActivity first = sameDay ? OfflineActivity(sample, from, to) : OfflineCopy(sample, from, DayEndOf(from));
    if (lastStored)
        ReplaceLastActivity(first);
    else
        BeginActivity(first);  // the activity in progress ends where the gap begins
    if (!sameDay) {
        SaveLastActivity();
        ReplaceLastActivity(OfflineCopy(sample, DayStartOf(to), to));
    }
    BeginActivity(sample);  // the gap ends at the sample
}

int CTimeManager::OnCheckActivity(const CMoment& now, uint32_t changes) {
    m_quietWaitAllowed = false;
    if (!m_tracking) return 1;
    if (IsPaused() && FollowPause(now, changes)) return 1;
    // Captured before m_lock is taken (see the header): the capture touches
    // nothing the window thread uses.
    CWinActivity sample;
    char line[96];
    sample.SetUser(g_currentUser);
    const int captured = m_checkCaptures.Capture(sample);
    KeepPrivate(sample);
    if (captured != 1)
        std::snprintf(line, sizeof line, "%s (%i) GetCurrentActivity = %i", kOnCheckActivity, 1, captured);
    LogRepeating(m_captureFailures, captured != 1 ? line : nullptr);
    const bool unnamed = HasNoProcess(sample);
    if (unnamed) std::snprintf(line, sizeof line, "%s (%i) GetCurrentActivity NULL", kOnCheckActivity, 2);
    LogRepeating(m_unnamedCaptures, unnamed ? line : nullptr);
    if (unnamed) sample.SetSystemProcess();
    sample.SetStartAndFinish(now);

    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_tracking) return 1;
    // A lock, an unlock or a clock change was handled while this check
    // captured: its sample is older than the activity that event began, and
    // the event already closed what this sample would have extended.
    if (m_changes.load() != changes) return 1;
    // A save just tried stores what waits; otherwise one quick try now.
    if (!FollowSample(sample, now)) {
        if (!m_pending.empty())
            RetryPending();
        else
            LogRepeating(m_pendingFailures, nullptr);  // stored by a save meanwhile
    }
    KeepCheckpoint();
    // The first check of a day must not come late: it closes the day's row.
    const int64_t secondsLeftToday = SecondsBetween(now.stamp, DayStart(now.stamp) + kEndOfDay) + 1;
    m_quietWaitAllowed = m_pending.empty() && !m_checkpointDirty && secondsLeftToday * 1000 > kQuietCheckWaitMs;
    return 1;
}

uint32_t CTimeManager::NextCheckWait(uint32_t periodMs, std::intptr_t& wakeHandle) {
    wakeHandle = -1;
    if (!m_quietWaitAllowed || periodMs >= kQuietCheckWaitMs) return periodMs;
    CDesktopService& desktop = Desktop();
    if (!m_checkCaptures.Quiet(desktop.ChangeCount())) return periodMs;
    wakeHandle = desktop.ChangeNotice();
    return wakeHandle == -1 ? periodMs : kQuietCheckWaitMs;
}

bool CTimeManager::FollowSample(CWinActivity& sample, const CMoment& now) {
    // While locked, whatever is in front belongs to the Locked row.
    const bool locked = m_lastActivity.GetType() == ActivityType::Locked;
    if (locked) sample.SetType(ActivityType::Locked);
    const CMoment lastFinish = m_lastActivity.GetFinishMoment();
    const int gap = IsOfflineGap(lastFinish, now);
    if (gap == 1) {
        LogInfo(1, "%s Offline activity was found. Last: %lld Current: %lld", kOnCheckActivity,
                static_cast<long long>(lastFinish.stamp), static_cast<long long>(now.stamp));
        BeginAfterOfflineGap(sample, false);
        LogInfo(1, "Offline activity: %lld - %lld %s %s", static_cast<long long>(lastFinish.stamp),
                static_cast<long long>(now.stamp), sample.GetFileName(), sample.GetTitle());
        return true;
    }
    // gap -1: the clock went back, and this check came before the change's event.
    if (gap == -1 || (!locked && !m_lastActivity.IsSameActivity(sample))) {
        BeginActivity(sample);
        return true;
    }
    // No stored row runs past the first sample of the next day.
    if (IsSameDay(m_lastActivity.GetStartDate(), now.stamp)) {
        ExtendLastActivity(sample);
        return false;
    }
    BeginActivity(sample);
    return true;
}

int CTimeManager::OnLock(const CMoment& now) {
    LogInfo(1, "State: Locked");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_tracking) return 1;
    ++m_changes;
    // The Locked row keeps the program and title of what was in front.
    CWinActivity locked;
    if (m_lastActivity.GetFileName()[0] != '\0' && m_lastActivity.GetFullPath()[0] != '\0') {
        locked.Assign(m_lastActivity);
    } else {
        LogError("%s (%i) Last Activity is empty", kOnLock, 1);
        Sample(locked, kOnLock, 2);
        if (!m_tracking) return 1;
        if (HasNoProcess(locked)) {
            LogError("%s (%i) GetCurrentActivity NULL", kOnLock, 3);
            const int loaded = LoadLastActivityFromDB(locked);
            if (loaded != 1) LogError("%s (%i) LoadLastActivityFromDB = %i", kOnLock, 4, loaded);
            if (HasNoProcess(locked)) {
                LogError("%s (%i) Activity was not defined", kOnLock, 5);
                locked.SetSystemProcess();
            }
        }
    }
    locked.SetStartAndFinish(now);
    locked.SetType(ActivityType::Locked);
    BeginActivity(locked);
    KeepCheckpoint();
    return 1;
}

int CTimeManager::OnUnlock(const CMoment& now) {
    LogInfo(1, "State: Unlocked");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_tracking) return 1;
    ++m_changes;
    CWinActivity sample;
    Sample(sample, kOnUnlock, 1);
    if (!m_tracking) return 1;  // stopped while the capture dispatched messages
    if (HasNoProcess(sample)) {
        LogError("%s (%i) Last Activity is empty", kOnUnlock, 2);
        if (!HasNoProcess(m_lastActivity)) {
            sample.Assign(m_lastActivity);
        } else {
            LogError("%s (%i) Last Activity is NULL", kOnUnlock, 3);
            const int loaded = LoadLastActivityFromDB(sample);
            if (loaded != 1) LogError("%s (%i) LoadLastActivityFromDB = %i", kOnUnlock, 4, loaded);
            if (HasNoProcess(sample)) {
                LogError("%s (%i) Activity was not defined", kOnUnlock, 5);
                sample.SetSystemProcess();
            }
        }
    }
    sample.SetStartAndFinish(now);
    sample.SetType(ActivityType::Active);
    BeginActivity(sample);
    KeepCheckpoint();
    return 1;
}

int CTimeManager::OnChangeTime(const CMoment& now) {
    LogInfo(1, "Time was changed");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_tracking) return 1;
    ++m_changes;
    CWinActivity sample;
    Sample(sample, kOnChangeTime, 1);
    if (!m_tracking) return 1;  // stopped while the capture dispatched messages
    if (HasNoProcess(sample)) {
        LogError("%s (%i) GetCurrentActivity NULL", kOnChangeTime, 2);
        sample.SetSystemProcess();
    }
    sample.SetStartAndFinish(now);
    if (m_lastActivity.GetType() == ActivityType::Locked) sample.SetType(ActivityType::Locked);

    const CMoment lastFinish = m_lastActivity.GetFinishMoment();
    if (IsOfflineGap(lastFinish, now) == 1) {
        // The clock jumped forward: the jump is Offline, cut at the start of
        // today when it crosses days.
        CWinActivity filler = OfflineActivity(sample, lastFinish, lastFinish);
        if (!IsSameDay(lastFinish.stamp, now.stamp)) {
            BeginActivity(filler);
            filler.SetStartMoment(DayStartOf(now));
        }
        filler.SetFinishMoment(now);
        filler.UpdateDuration();
        BeginActivity(filler);
        BeginActivity(sample);
        KeepCheckpoint();
        return 1;
    }
    // Forward by a minute at most starts a new row there. Backward, the
    // activity in progress ends at its last check (the time it really lasted)
    // and the new one begins at the new time.
    BeginActivity(sample);
    KeepCheckpoint();
    LogInfo(1, "%s finished", kOnChangeTime);
    return 1;
}
