// CTimeManager: the rule engine. The rules are held in memory and tried
// against every activity that is saved; the best accepted rule gives the
// activity its project and task, and an activity no rule accepts gets the
// default task.
#include <utility>

#include "core/time_manager.h"
#include "platform/clock.h"
#include "storage/string_service.h"

namespace {
constexpr char kUpdateRules[] = "CTimeManager::UpdateRules";
constexpr char kGetDefaultTask[] = "CTimeManager::GetDefaultTask";
constexpr uint32_t kAfterReadPauseMs = 10;

// The capacities the keyword test is given for each pair of texts: the
// rule's field and the activity's.
constexpr int kRuleTitleMax = 254, kActivityTitleMax = 261;
constexpr int kRuleUrlMax = 511, kActivityUrlMax = 512;
constexpr int kPathMax = 260;

constexpr int kRulesOff = -301;
constexpr int kNotMatched = -52;

// The activity type an activity-type selector asks for; None for a value
// that is not a single known selector bit.
ActivityType SelectedType(int32_t selector) {
    switch (selector) {
        case 1:
            return ActivityType::Active;
        case 2:
            return ActivityType::Offline;
        case 4:
            return ActivityType::Locked;
        case 8:
            return ActivityType::Idle;
        default:
            return ActivityType::None;
    }
}
}  // namespace

int CTimeManager::UpdateRules() {
    // Read outside the lock: only the replacement must not meet a save.
    CBaseStorage<CDBRule> fresh;
    const int read = m_dbManager.GetRules(fresh);
    if (read == 1) {
        {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            m_rules = std::move(fresh);
        }
        Clock().Sleep(kAfterReadPauseMs);
        return 1;
    }
    LogError("%s (%i) GetRules failed with %i", kUpdateRules, 1, read);
    Clock().Sleep(kAfterReadPauseMs);
    return 0;
}

int CTimeManager::GetDefaultTask() {
    CBaseStorage<CDBTask> tasks;
    const int read = m_dbManager.GetTasks(tasks);
    if (read != 1) {
        LogError("%s (%i) GetTasks failed with %i", kGetDefaultTask, 1, read);
        Clock().Sleep(kAfterReadPauseMs);
        return 0;
    }
    Clock().Sleep(kAfterReadPauseMs);
    // The last live default task in table order wins.
    int32_t projectId = 0, taskId = 0;
    CDBTask task;
    for (int32_t i = 0; i < tasks.Count(); ++i) {
        if (tasks.Pop(i, task) != 1 || task.GetDeleted() >= 1 || task.GetIsDefault() <= 0) continue;
        projectId = task.GetProjectId();
        taskId = task.GetId();
    }
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_defaultProjectId = projectId;
    m_defaultTaskId = taskId;
    return 1;
}

int CTimeManager::MatchRule(const CDBRule& rule, const CWinActivity& activity, int& matches) {
    matches = 0;
    if (rule.GetStatus() < 1) return 0;
    if (rule.GetAppId() > 0) {
        if (activity.GetAppId() != rule.GetAppId()) return 0;
        ++matches;
        LogInfo(2, "Rule: App was matched");
    }
    if (rule.GetTitle()[0] != '\0') {
        if (CStringService::MatchKeywords(rule.GetTitle(), kRuleTitleMax, activity.GetTitle(), kActivityTitleMax) != 1)
            return 0;
        ++matches;
        LogInfo(2, "Rule: Title was matched");
    }
    if (rule.GetSiteId() > 0) {
        if (activity.GetSiteId() != rule.GetSiteId()) return 0;
        ++matches;
        LogInfo(2, "Rule: Site was matched");
    }
    if (rule.GetURL()[0] != '\0') {
        if (CStringService::MatchKeywords(rule.GetURL(), kRuleUrlMax, activity.GetURL(), kActivityUrlMax) != 1)
            return 0;
        ++matches;
        LogInfo(2, "Rule: URL was matched");
    }
    if (rule.GetPath()[0] != '\0') {
        // The full path first, then the file name alone; either counts once.
        if (CStringService::MatchKeywords(rule.GetPath(), kPathMax, activity.GetFullPath(), kPathMax) == 1) {
            LogInfo(2, "Rule: Path was matched");
        } else if (CStringService::MatchKeywords(rule.GetPath(), kPathMax, activity.GetFileName(), kPathMax) == 1) {
            LogInfo(2, "Rule: App name was matched");
        } else {
            return 0;
        }
        ++matches;
    }
    if (rule.GetTimeStart() != 0 && rule.GetTimeFinish() != 0) {
        // The bounds are compared with the packed start time as unsigned
        // 64-bit numbers, widened with their sign.
        const uint64_t start = static_cast<uint64_t>(static_cast<int64_t>(rule.GetTimeStart()));
        const uint64_t finish = static_cast<uint64_t>(static_cast<int64_t>(rule.GetTimeFinish()));
        const uint64_t time = static_cast<uint64_t>(activity.GetStartDate());
        if (time < start || time >= finish) return 0;
        ++matches;
        LogInfo(2, "Rule: Time period was matched");
    }
    const int32_t selector = rule.GetAppType() & CDBRule::kTypeSelectorMask;
    if (selector != 0) {
        const ActivityType wanted = SelectedType(selector);
        if (wanted == ActivityType::None) return kNotMatched;
        if (activity.GetType() != wanted) return 0;
        ++matches;
        LogInfo(2, "Rule: Activity type was matched");
    }
    return matches >= 1 ? 1 : 0;
}

int CTimeManager::ApplyRules(CWinActivity& activity) {
    if (m_rulesEnabled.load() < 1) return kRulesOff;
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    bool chosen = false;
    int bestPriority = 0, bestMatches = 0;
    int32_t taskId = 0, projectId = 0;
    CDBRule rule;
    for (int32_t i = 0; i < m_rules.Count(); ++i) {
        if (m_rules.Pop(i, rule) != 1) continue;
        int matches = 0;
        if (MatchRule(rule, activity, matches) != 1) continue;
        const int priority = rule.GetAppType() & CDBRule::kPriorityMask;
        LogInfo(1, "Rule accepted %ld matches: %i, priority: %i", static_cast<long>(rule.GetId()), matches, priority);
        // A higher priority than the best so far wins; otherwise more matched
        // conditions than the best so far win, and the best priority follows
        // the chosen rule down. At equal priority and matches the rule tried
        // first stays. Stored rules were written for this order of choice.
        if (priority > bestPriority || matches > bestMatches) {
            chosen = true;
            bestPriority = priority;
            bestMatches = matches;
            taskId = rule.GetTaskId();
            projectId = rule.GetProjectId();
        }
    }
    if (!chosen) {
        activity.SetTask(m_defaultTaskId, m_defaultProjectId);
        return kNotMatched;
    }
    activity.SetTask(taskId, projectId);
    return 1;
}
