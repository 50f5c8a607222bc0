// CTimeManager: closing, saving, replacing and loading the activity in
// progress, the activities that wait to be stored, and the checkpoint. The
// caller holds m_lock.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "core/time_manager.h"
#include "platform/clock.h"
#include "sensing/time_stamp.h"

namespace {
constexpr char kSaveLastActivity[] = "CTimeManager::SaveLastActivity";
constexpr char kLoadLastActivity[] = "CTimeManager::LoadLastActivity";
constexpr char kLoadLastActivityFromDB[] = "CTimeManager::LoadLastActivityFromDB";
constexpr char kRecoverCheckpoint[] = "CTimeManager::RecoverCheckpoint";
constexpr char kWriteCheckpoint[] = "CTimeManager::WriteCheckpoint";

// A failed switch of the activity file is tried three times, with these
// pauses between the tries.
constexpr uint32_t kSaveRetryPausesMs[] = {50, 100};
constexpr int kSaveAttempts = 3;
// Loading the last activity: attempts, and the pause after a failed one.
constexpr int kLoadAttempts = 7;
constexpr uint32_t kLoadPauseMs = 10;
// At most this many new activities wait to be stored (days of a full disk),
// and twice as many with those taken back from the checkpoint; the oldest
// goes first beyond it when a new one comes.
constexpr size_t kPendingLimit = 2000;
// Waiting activities are stored in transactions of at most this many rows
// (one flush to the disk each).
constexpr size_t kBatchRows = 500;
// After a row failed, at most this many rows behind it are tried, to tell a
// fault of the row from one of the database.
constexpr size_t kProbeRows = 2;
// The activity in progress is written to the checkpoint at least this often.
constexpr int64_t kCheckpointPeriodSeconds = 30;

const char* OrEmpty(const char* text) { return text ? text : ""; }
long long AsLong(int64_t value) { return static_cast<long long>(value); }
bool SameMonth(int64_t a, int64_t b) { return MonthOf(a) == MonthOf(b) && YearOf(a) == YearOf(b); }
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
    // What a checkpoint held is all taken back: room is made for new
    // activities among the new ones, and among all only at twice the limit.
    if (!recovered && m_pending.size() >= kPendingLimit) {
        const auto isNew = [](const CPendingActivity& waiting) { return !waiting.recovered; };
        const auto newCount = static_cast<size_t>(std::count_if(m_pending.begin(), m_pending.end(), isNew));
        if (newCount >= kPendingLimit || m_pending.size() >= 2 * kPendingLimit) {
            const auto dropped =
                newCount >= kPendingLimit ? std::find_if(m_pending.begin(), m_pending.end(), isNew) : m_pending.begin();
            const CWinActivity& oldest = dropped->activity;
            LogError("%s (%i) Too many activities wait to be stored: %lld-%lld (%s) %s %s is dropped",
                     kSaveLastActivity, 5, AsLong(oldest.GetStartDate()), AsLong(oldest.GetFinishDate()),
                     oldest.GetTypeLabel(), oldest.GetFileName(), oldest.GetTitle());
            m_pending.erase(dropped);
        }
    }
    m_pending.push_back({activity, recovered});
    m_checkpointDirty = true;
}

int CTimeManager::StorePending() {
    while (!m_pending.empty())
        if (StoreBatch() != 1) return -2;
    return 1;
}

int CTimeManager::StoreBatch() {
    const int64_t first = m_pending.front().activity.GetStartDate();
    size_t count = 1;
    while (count < m_pending.size() && count < kBatchRows && SameMonth(first, m_pending[count].activity.GetStartDate()))
        ++count;
    SwitchActivityFile(first);
    if (m_dbManager.BeginActivities() != 1) return -2;
    // Rows before `done` are stored or set aside; from it on they wait.
    size_t done = 0;
    std::vector<size_t> setAside;
    while (done < count) {
        if (StoreActivity(m_pending[done]) > 0) {
            ++done;
            continue;
        }
        if (!m_dbManager.ActivitiesPending()) return -2;  // rolled back: nothing was stored
        // A row behind it that can be inserted shows the failure is the row's own.
        size_t behind = done + 1;
        while (behind < count && behind <= done + kProbeRows && TryPendingOnce(behind) != 1) {
            if (!m_dbManager.ActivitiesPending()) return -2;
            ++behind;
        }
        if (behind >= count || behind > done + kProbeRows) break;  // the database's fault: the rest waits
        for (size_t suspect = done; suspect < behind; ++suspect) {
            if (TryPendingOnce(suspect) > 0) continue;
            if (!m_dbManager.ActivitiesPending()) return -2;
            setAside.push_back(suspect);
        }
        done = behind + 1;
    }
    if (m_dbManager.EndActivities() != 1) return -2;
    for (size_t index : setAside) {
        const CWinActivity& row = m_pending[index].activity;
        LogError("%s (%i) An activity that cannot be stored is set aside: %lld-%lld (%lld) (%s) %s %s",
                 kSaveLastActivity, 9, AsLong(row.GetStartDate()), AsLong(row.GetFinishDate()),
                 AsLong(row.GetDuration()), row.GetTypeLabel(), row.GetFileName(), row.GetTitle());
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(done));
    if (done > 0) m_checkpointDirty = true;
    return done == count ? 1 : -2;
}

int CTimeManager::TryPendingOnce(size_t index) {
    m_retriesCut.fetch_or(kRetriesCutForProbe);
    const int stored = StoreActivity(m_pending[index]);
    m_retriesCut.fetch_and(~kRetriesCutForProbe);
    return stored;
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

int CTimeManager::StoreActivity(CPendingActivity& pending) {
    CWinActivity& activity = pending.activity;
    const bool quiet = (m_retriesCut.load() & (kRetriesCutForRetry | kRetriesCutForProbe)) != 0;
    if (pending.recovered) {
        // Stored already when the crash came between the insert and the
        // next checkpoint. A failed look-up is no answer: it waits.
        const int stored = m_dbManager.IsActivityStored(activity);
        if (stored == 1) return 2;
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
    if (m_dbManager.AddActivity(activity) == 1) return 1;
    if (!quiet) {
        LogError("Save activity failed %i (%s) %s ", m_dbManager.GetErrorCode(), OrEmpty(m_dbManager.GetErrorName()),
                 OrEmpty(m_dbManager.GetErrorText()));
        LogError("Saved activity detals: %lld-%lld (%lld) (%s) %s %s", AsLong(activity.GetStartDate()),
                 AsLong(activity.GetFinishDate()), AsLong(activity.GetDuration()), activity.GetTypeLabel(),
                 activity.GetFileName(), activity.GetTitle());
    }
    return -2;
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
    for (const std::string& rejected : saved.rejected)
        LogError("%s (%i) An impossible activity of the checkpoint %s is set aside: %s", kRecoverCheckpoint, 4,
                 m_checkpoint.Path().c_str(), rejected.c_str());
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
        if (attempt > 0) Clock().Sleep(kLoadPauseMs);
        const int loaded = m_dbManager.GetLastActivity(activity);
        if (loaded == 1) {
            LogInfo(1,
                    fromDB ? "Load last activity from DB %lld-%lld (%lld) (%s) %s %s"
                           : "Load last activity %lld-%lld (%lld) (%s) %s %s",
                    AsLong(activity.GetStartDate()), AsLong(activity.GetFinishDate()), AsLong(activity.GetDuration()),
                    activity.GetTypeLabel(), activity.GetFileName(), activity.GetTitle());
            return 1;
        }
        if (fromDB)
            LogError("%s Last Activity from DBase = %i", kLoadLastActivityFromDB, loaded);
        else
            LogError("%s Last DBase Activity = %i", kLoadLastActivity, loaded);
    }
    return 0;
}
