// CTimeManager: closing, saving, replacing and loading the activity in
// progress, the activities that wait to be stored, and the checkpoint. The
// caller holds m_lock.
#include <cstdio>
#include <string>

#include "core/time_manager.h"
#include "platform/clock.h"
#include "sensing/time_stamp.h"

namespace {
constexpr char kSaveLastActivity[] = "CTimeManager::SaveLastActivity";
constexpr char kLoadLastActivity[] = "CTimeManager::LoadLastActivity";
constexpr char kLoadLastActivityFromDB[] = "CTimeManager::LoadLastActivityFromDB";
constexpr char kRecoverCheckpoint[] = "CTimeManager::RecoverCheckpoint";
constexpr char kWriteCheckpoint[] = "CTimeManager::WriteCheckpoint";

// An insert is tried three times, with these pauses between the tries; a
// failed switch of the activity file likewise.
constexpr uint32_t kSaveRetryPausesMs[] = {50, 100};
constexpr int kSaveAttempts = 3;
// Loading the last activity: attempts, and the pause before each (and after
// a failed one).
constexpr int kLoadAttempts = 7;
constexpr uint32_t kLoadPauseMs = 10;
// At most this many activities wait to be stored (days of a full disk); the
// oldest goes first beyond it.
constexpr size_t kPendingLimit = 2000;
// The activity in progress is written to the checkpoint at least this often.
constexpr int64_t kCheckpointPeriodSeconds = 30;

const char* OrEmpty(const char* text) { return text ? text : ""; }
long long AsLong(int64_t value) { return static_cast<long long>(value); }
}  // namespace

void CTimeManager::ExtendLastActivity(const CWinActivity& activity) {
    m_lastActivity.SetFinishMoment(activity.GetStartMoment());
    m_lastActivity.UpdateDuration();
}

void CTimeManager::ReplaceLastActivity(const CWinActivity& activity) {
    m_lastActivity.Assign(activity);
    m_checkpointDirty = true;
}

void CTimeManager::BeginActivity(const CWinActivity& activity) {
    // A clock set back leaves the activity in progress as it stands: its
    // finish is the last moment the old clock showed.
    if (ElapsedSeconds(m_lastActivity.GetFinishMoment(), activity.GetStartMoment()) >= 0) ExtendLastActivity(activity);
    SaveLastActivity();
    ReplaceLastActivity(activity);
    LogInfo(1, "New activity %lld (%s) %s %s", AsLong(m_lastActivity.GetStartDate()), m_lastActivity.GetTypeLabel(),
            m_lastActivity.GetFileName(), m_lastActivity.GetTitle());
}

int CTimeManager::SaveLastActivity() {
    CWinActivity& last = m_lastActivity;
    LogInfo(1, "Save activity %lld-%lld (%lld) (%s) %s %s", AsLong(last.GetStartDate()), AsLong(last.GetFinishDate()),
            AsLong(last.GetDuration()), last.GetTypeLabel(), last.GetFileName(), last.GetTitle());
    if (last.GetDuration() == 0) {
        m_dbManager.ResolveActivityIds(last);
        ApplyRules(last);
        SwitchActivityFile(last.GetStartDate());
        LogError("%s (%i) GetDuration() = %lld (%lld - %lld title: %s app: %s)", kSaveLastActivity, 3,
                 AsLong(last.GetDuration()), AsLong(last.GetStartDate()), AsLong(last.GetFinishDate()), last.GetTitle(),
                 last.GetFileName());
    } else {
        // After the activities that still wait, in the order they ended.
        QueueForSaving(last, false);
        if (StorePending() != 1) return -2;
    }
    LogInfo(1, "%s finished", kSaveLastActivity);
    return 1;
}

void CTimeManager::QueueForSaving(const CWinActivity& activity, bool recovered) {
    if (m_pending.size() >= kPendingLimit) {
        const CWinActivity& oldest = m_pending.front().activity;
        LogError("%s (%i) Too many activities wait to be stored: %lld-%lld (%s) %s %s is dropped", kSaveLastActivity, 5,
                 AsLong(oldest.GetStartDate()), AsLong(oldest.GetFinishDate()), oldest.GetTypeLabel(),
                 oldest.GetFileName(), oldest.GetTitle());
        m_pending.pop_front();
    }
    m_pending.push_back({activity, recovered});
    m_checkpointDirty = true;
}

int CTimeManager::StorePending() {
    while (!m_pending.empty()) {
        CPendingActivity& next = m_pending.front();
        const bool quiet = (m_retriesCut.load() & kRetriesCutForRetry) != 0;
        if (StoreActivity(next.activity, next.recovered, quiet) != 1) return -2;
        m_pending.pop_front();
        m_checkpointDirty = true;
    }
    return 1;
}

void CTimeManager::RetryPending() {
    // One quick try per check: a busy or full database answers at once, and
    // the window thread never waits long for m_lock.
    const size_t waiting = m_pending.size();
    m_retriesCut.fetch_or(kRetriesCutForRetry);
    const int stored = StorePending();
    m_retriesCut.fetch_and(~kRetriesCutForRetry);
    if (stored == 1) {
        LogRepeating(m_pendingFailures, nullptr);
        LogInfo(1, "%s (%i) %d waiting activities were stored", kSaveLastActivity, 6, static_cast<int>(waiting));
        return;
    }
    char line[400];
    std::snprintf(line, sizeof line, "%s (%i) Waiting activities cannot be stored yet: %s %s", kSaveLastActivity, 7,
                  OrEmpty(m_dbManager.GetErrorName()), OrEmpty(m_dbManager.GetErrorText()));
    LogRepeating(m_pendingFailures, line);
}

int CTimeManager::StoreActivity(CWinActivity& activity, bool recovered, bool quiet) {
    if (recovered) {
        // Stored already when the crash came between the insert and the
        // next checkpoint.
        const int stored = m_dbManager.IsActivityStored(activity);
        if (stored == 1) return 1;
        if (stored != 0) return -2;
    }
    // A lookup that failed on a busy or full sys.db would leave an id 0 in
    // the row for good: the activity waits instead. Missing user or program
    // (-1) are stored as they are.
    const int resolved = m_dbManager.ResolveActivityIds(activity);
    if (resolved == 0) {
        if (!quiet)
            LogError("%s (%i) ResolveActivityIds() = %i (%s) %s", kSaveLastActivity, 8, resolved,
                     OrEmpty(m_dbManager.GetErrorName()), OrEmpty(m_dbManager.GetErrorText()));
        return -2;
    }
    ApplyRules(activity);
    SwitchActivityFile(activity.GetStartDate());

    const bool once = m_retriesCut.load() != 0;
    for (int attempt = 0;; ++attempt) {
        if (m_dbManager.AddActivity(activity) == 1) return 1;
        if (!quiet) {
            LogError("Save activity failed %i (%s) %s ", m_dbManager.GetErrorCode(),
                     OrEmpty(m_dbManager.GetErrorName()), OrEmpty(m_dbManager.GetErrorText()));
            LogError("Saved activity detals: %lld-%lld (%lld) (%s) %s %s", AsLong(activity.GetStartDate()),
                     AsLong(activity.GetFinishDate()), AsLong(activity.GetDuration()), activity.GetTypeLabel(),
                     activity.GetFileName(), activity.GetTitle());
        }
        if (once || attempt + 1 == kSaveAttempts) return -2;
        Clock().Sleep(kSaveRetryPausesMs[attempt]);
    }
}

void CTimeManager::SwitchActivityFile(int64_t start) {
    int checked = m_dbManager.CheckADB(start);
    for (int attempt = 0;
         checked != 1 && checked != 2 && checked != -1 && m_retriesCut.load() == 0 && attempt + 1 < kSaveAttempts;
         ++attempt) {
        Clock().Sleep(kSaveRetryPausesMs[attempt]);
        checked = m_dbManager.CheckADB(start);
    }
    if (checked == 2)
        LogInfo(1, "%s (%i) actdb was changed", kSaveLastActivity, 1);
    else if (checked != 1)
        LogError("%s (%i) CheckADB()=%i", kSaveLastActivity, 2, checked);
}

void CTimeManager::RecoverCheckpoint(CMoment& last) {
    last = CMoment{0, kUnknownUtcOffset};
    CCheckpointState saved;
    std::string why;
    int damaged = 0;
    const int read = m_checkpoint.Path().empty() ? 0 : m_checkpoint.Read(saved, why, damaged);
    if (read < 0)
        LogError("%s (%i) The checkpoint %s is ignored: %s", kRecoverCheckpoint, 1, m_checkpoint.Path().c_str(),
                 why.c_str());
    else if (damaged > 0)
        LogError("%s (%i) A copy of the checkpoint %s was cut short: the older one is used", kRecoverCheckpoint, 3,
                 m_checkpoint.Path().c_str());
    if (read != 1) return;
    last = saved.last;
    for (const CWinActivity& activity : saved.pending)
        QueueForSaving(activity, true);
    if (saved.hasCurrent) {
        // The activity in progress at the crash, up to its last checkpoint.
        CWinActivity current = saved.current;
        current.SetFinishMoment(saved.last);
        current.UpdateDuration();
        if (current.GetDuration() > 0) QueueForSaving(current, true);
    }
    if (m_pending.empty()) return;
    LogInfo(1, "%s (%i) %d activities recovered from the checkpoint", kRecoverCheckpoint, 2,
            static_cast<int>(m_pending.size()));
    StorePending();
    // Back to the file of this month, where the last activity is looked for.
    m_dbManager.CheckADB(NowTimeStamp());
}

void CTimeManager::KeepCheckpoint() {
    if (!m_checkpointDirty) {
        const int64_t since = ElapsedSeconds(m_checkpointFinish, m_lastActivity.GetFinishMoment());
        if (since >= 0 && since < kCheckpointPeriodSeconds) return;
    }
    WriteCheckpoint();
}

void CTimeManager::WriteCheckpoint() {
    if (m_checkpoint.Path().empty()) return;  // Init found no folder
    CCheckpointState state;
    state.last = m_lastActivity.GetFinishMoment();
    state.hasCurrent = m_activityInProgress;
    if (state.hasCurrent) state.current = m_lastActivity;
    for (const CPendingActivity& waiting : m_pending)
        state.pending.push_back(waiting.activity);
    const bool written = m_checkpoint.Write(state) == 1;
    // A failed write is tried again at the next check.
    m_checkpointDirty = !written;
    m_checkpointFinish = state.last;
    char line[400];
    if (!written)
        std::snprintf(line, sizeof line, "%s (%i) The checkpoint %s cannot be written", kWriteCheckpoint, 1,
                      m_checkpoint.Path().c_str());
    LogRepeating(m_checkpointFailures, written ? nullptr : line);
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
