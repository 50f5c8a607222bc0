// CTimeManager: closing, saving, replacing and loading the activity in
// progress. The caller holds m_lock.
#include "core/time_manager.h"
#include "platform/clock.h"

namespace {
constexpr char kSaveLastActivity[] = "CTimeManager::SaveLastActivity";
constexpr char kLoadLastActivity[] = "CTimeManager::LoadLastActivity";
constexpr char kLoadLastActivityFromDB[] = "CTimeManager::LoadLastActivityFromDB";

// An insert is tried three times, with these pauses between the tries.
constexpr uint32_t kSaveRetryPausesMs[] = {50, 100};
constexpr int kSaveAttempts = 3;
// Loading the last activity: attempts, and the pause before each (and after
// a failed one).
constexpr int kLoadAttempts = 7;
constexpr uint32_t kLoadPauseMs = 10;

const char* OrEmpty(const char* text) { return text ? text : ""; }
long long AsLong(int64_t value) { return static_cast<long long>(value); }
}  // namespace

void CTimeManager::ExtendLastActivity(const CWinActivity& activity) {
    m_lastActivity.SetFinishDate(activity.GetStartDate());
    m_lastActivity.UpdateDuration();
}

void CTimeManager::ReplaceLastActivity(const CWinActivity& activity) { m_lastActivity.Assign(activity); }

void CTimeManager::BeginActivity(const CWinActivity& activity) {
    ExtendLastActivity(activity);
    SaveLastActivity();
    ReplaceLastActivity(activity);
    LogInfo(1, "New activity %lld (%s) %s %s", AsLong(m_lastActivity.GetStartDate()), m_lastActivity.GetTypeLabel(),
            m_lastActivity.GetFileName(), m_lastActivity.GetTitle());
}

int CTimeManager::SaveLastActivity() {
    CWinActivity& last = m_lastActivity;
    LogInfo(1, "Save activity %lld-%lld (%lld) (%s) %s %s", AsLong(last.GetStartDate()), AsLong(last.GetFinishDate()),
            AsLong(last.GetDuration()), last.GetTypeLabel(), last.GetFileName(), last.GetTitle());
    m_dbManager.ResolveActivityIds(last);
    ApplyRules(last);

    const int checked = m_dbManager.CheckADB(last.GetStartDate());
    if (checked == 2)
        LogInfo(1, "%s (%i) actdb was changed", kSaveLastActivity, 1);
    else if (checked != 1)
        LogError("%s (%i) CheckADB()=%i", kSaveLastActivity, 2, checked);

    if (last.GetDuration() == 0) {
        LogError("%s (%i) GetDuration() = %lld (%lld - %lld title: %s app: %s)", kSaveLastActivity, 3,
                 AsLong(last.GetDuration()), AsLong(last.GetStartDate()), AsLong(last.GetFinishDate()), last.GetTitle(),
                 last.GetFileName());
    } else {
        for (int attempt = 0;; ++attempt) {
            if (m_dbManager.AddActivity(last) == 1) break;
            LogError("Save activity failed %i (%s) %s ", m_dbManager.GetErrorCode(),
                     OrEmpty(m_dbManager.GetErrorName()), OrEmpty(m_dbManager.GetErrorText()));
            LogError("Saved activity detals: %lld-%lld (%lld) (%s) %s %s", AsLong(last.GetStartDate()),
                     AsLong(last.GetFinishDate()), AsLong(last.GetDuration()), last.GetTypeLabel(), last.GetFileName(),
                     last.GetTitle());
            if (attempt + 1 == kSaveAttempts) return -2;
            Clock().Sleep(kSaveRetryPausesMs[attempt]);
        }
    }
    LogInfo(1, "%s finished", kSaveLastActivity);
    return 1;
}

int CTimeManager::LoadLastActivity() { return LoadStoredActivity(m_lastActivity, false); }

int CTimeManager::LoadLastActivityFromDB(CWinActivity& activity) { return LoadStoredActivity(activity, true); }

int CTimeManager::LoadStoredActivity(CWinActivity& activity, bool fromDB) {
    LogInfo(1, "%s started", fromDB ? kLoadLastActivityFromDB : kLoadLastActivity);
    for (int attempt = 0; attempt < kLoadAttempts; ++attempt) {
        Clock().Sleep(kLoadPauseMs);
        const int loaded = m_dbManager.GetLastActivity(activity);
        if (loaded == 1) {
            LogInfo(1,
                    fromDB ? "Load last activity from DB %lld-%lld (%lld) (%s) %s %s"
                           : "Load last activity %lld-%lld (%lld) (%s) %s %s",
                    AsLong(activity.GetStartDate()), AsLong(activity.GetFinishDate()), AsLong(activity.GetDuration()),
                    activity.GetTypeLabel(), activity.GetFileName(), activity.GetTitle());
            return 1;
        }
        Clock().Sleep(kLoadPauseMs);
        if (fromDB)
            LogError("%s Last Activity from DBase = %i", kLoadLastActivityFromDB, loaded);
        else
            LogError("%s Last DBase Activity = %i", kLoadLastActivity, loaded);
    }
    return 0;
}
