// CTimeManager: the tracking cycle. Each handler samples the window in front
// and decides whether the activity in progress goes on, ends here, or whether
// a time without samples (the computer was off or asleep, the collector not
// running, the clock moved) must be filled with an Offline row first.
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

// A capture that named no program at all.
bool HasNoProcess(const CActivity& activity) {
    return activity.GetFileName()[0] == '\0' && activity.GetFullPath()[0] == '\0';
}

// An Offline activity from `start` to `finish` with the account and the
// program and title of `sample`; no address and no ids.
CWinActivity OfflineActivity(const CWinActivity& sample, int64_t start, int64_t finish) {
    CWinActivity offline(ActivityType::Offline);
    CWinProcess process;
    sample.GetProcess(process);
    offline.SetProcess(process);
    CUser user;
    sample.GetUser(user);
    offline.SetUser(user);
    offline.SetDates(start, finish);
    offline.UpdateDuration();
    return offline;
}

// A copy of `sample` (address included) turned into an Offline activity
// from `start` to `finish`.
CWinActivity OfflineCopy(const CWinActivity& sample, int64_t start, int64_t finish) {
    CWinActivity offline(sample);
    offline.SetType(ActivityType::Offline);
    offline.SetDates(start, finish);
    offline.UpdateDuration();
    return offline;
}
}  // namespace

int CTimeManager::GetCurrentActivity(CWinActivity& activity) {
    activity.SetUser(g_currentUser);
    return activity.Capture();
}

void CTimeManager::Sample(CWinActivity& activity, const char* operation, int place) {
    const int captured = GetCurrentActivity(activity);
    if (captured != 1) LogError("%s (%i) GetCurrentActivity = %i", operation, place, captured);
}

void CTimeManager::InitActivity(int64_t now) {
    CWinActivity sample;
    GetCurrentActivity(sample);
    if (HasNoProcess(sample)) sample.SetSystemProcess();
    sample.SetStartAndFinish(now);
    ReplaceLastActivity(sample);
    LogInfo(1, "Init activity: %lld (%s) %s %s", static_cast<long long>(sample.GetStartDate()), sample.GetTypeLabel(),
            sample.GetFileName(), sample.GetTitle());
}

int CTimeManager::FindLastActivity(int64_t now) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    LogInfo(2, "%s started", kFindLastActivity);
    m_tracking = true;
    if (LoadLastActivity() != 1) {
        // Nothing stored in this month's file: the tracking starts here.
        InitActivity(now);
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
    sample.SetType(ActivityType::Active);

    const int64_t lastFinish = m_lastActivity.GetFinishDate();
    if (IsSameDay(lastFinish, now)) {
        // The stored row is already saved: the gap replaces it unsaved.
        ReplaceLastActivity(OfflineActivity(sample, lastFinish, now));
        BeginActivity(sample);
    } else if (static_cast<uint64_t>(now) <= static_cast<uint64_t>(lastFinish)) {
        // The clock lies behind the stored data: nothing sensible to fill.
        InitActivity(now);
    } else {
        // Days lie between: the rest of the stored row's day, then today up
        // to now; the days in between get no row.
        ReplaceLastActivity(OfflineCopy(sample, lastFinish, DayStart(lastFinish) + kEndOfDay));
        SaveLastActivity();
        ReplaceLastActivity(OfflineCopy(sample, DayStart(now), now));
        BeginActivity(sample);
    }
    LogInfo(2, "%s finished", kFindLastActivity);
    return 1;
}

int CTimeManager::OnCheckActivity(int64_t now) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_tracking) return 1;
    CWinActivity sample;
    Sample(sample, kOnCheckActivity, 1);
    if (HasNoProcess(sample)) {
        LogError("%s (%i) GetCurrentActivity NULL", kOnCheckActivity, 2);
        sample.SetSystemProcess();
    }
    sample.SetStartAndFinish(now);

    const bool locked = m_lastActivity.GetType() == ActivityType::Locked;
    const int64_t lastFinish = m_lastActivity.GetFinishDate();
    if (IsOfflineGap(lastFinish, now) == 1) {
        if (locked) sample.SetType(ActivityType::Locked);
        LogInfo(1, "%s Offline activity was found. Last: %lld Current: %lld", kOnCheckActivity,
                static_cast<long long>(lastFinish), static_cast<long long>(now));
        const CWinActivity offline = OfflineActivity(sample, lastFinish, now);
        BeginActivity(offline);  // the activity in progress ends where the gap begins
        BeginActivity(sample);   // the gap ends at this sample
        LogInfo(1, "Offline activity: %lld - %lld %s %s", static_cast<long long>(offline.GetStartDate()),
                static_cast<long long>(offline.GetFinishDate()), offline.GetFileName(), offline.GetTitle());
        return 1;
    }

    if (locked) {
        // While locked, whatever is in front belongs to the Locked row.
        sample.SetType(ActivityType::Locked);
    } else if (!m_lastActivity.IsSameActivity(sample)) {
        BeginActivity(sample);
        return 1;
    }
    // No stored row runs past the first sample of the next day.
    if (IsSameDay(m_lastActivity.GetStartDate(), now))
        ExtendLastActivity(sample);
    else
        BeginActivity(sample);
    return 1;
}

int CTimeManager::OnLock(int64_t now) {
    LogInfo(1, "State: Locked");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_tracking) return 1;
    // The Locked row keeps the program and title of what was in front.
    CWinActivity locked;
    if (m_lastActivity.GetFileName()[0] != '\0' && m_lastActivity.GetFullPath()[0] != '\0') {
        locked.Assign(m_lastActivity);
    } else {
        LogError("%s (%i) Last Activity is empty", kOnLock, 1);
        Sample(locked, kOnLock, 2);
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
    return 1;
}

int CTimeManager::OnUnlock(int64_t now) {
    LogInfo(1, "State: Unlocked");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_tracking) return 1;
    CWinActivity sample;
    Sample(sample, kOnUnlock, 1);
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
    return 1;
}

int CTimeManager::OnChangeTime(int64_t now) {
    LogInfo(1, "Time was changed");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_tracking) return 1;
    CWinActivity sample;
    Sample(sample, kOnChangeTime, 1);
    if (HasNoProcess(sample)) {
        LogError("%s (%i) GetCurrentActivity NULL", kOnChangeTime, 2);
        sample.SetSystemProcess();
    }
    sample.SetStartAndFinish(now);
    if (m_lastActivity.GetType() == ActivityType::Locked) sample.SetType(ActivityType::Locked);

    const int64_t lastFinish = m_lastActivity.GetFinishDate();
    if (IsOfflineGap(lastFinish, now) == 1) {
        // The clock jumped forward: the jump is Offline, cut at the start of
        // today when it crosses days.
        CWinActivity filler = OfflineActivity(sample, lastFinish, lastFinish);
        if (!IsSameDay(lastFinish, now)) {
            BeginActivity(filler);
            filler.SetStartDate(DayStart(now));
        }
        filler.SetFinishDate(now);
        filler.UpdateDuration();
        BeginActivity(filler);
        BeginActivity(sample);
        return 1;
    }
    // Forward by a minute at most starts a new row; backward moves the
    // finish of the activity in progress back to now.
    if (static_cast<uint64_t>(lastFinish) <= static_cast<uint64_t>(now))
        BeginActivity(sample);
    else
        ExtendLastActivity(sample);
    LogInfo(1, "%s finished", kOnChangeTime);
    return 1;
}
