#include "core/rule_engine.h"

#include "storage/string_service.h"

namespace {
// The capacities the keyword test is given for each pair of texts: the
// rule's field and the activity's.
constexpr int kRuleTitleMax = 254, kActivityTitleMax = 261;
constexpr int kRuleUrlMax = 511, kActivityUrlMax = 512;
constexpr int kPathMax = 260;

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

// Reports one tested condition; true when it held.
bool Tested(CRuleListener* listener, const CDBRule& rule, RuleCondition condition, bool held) {
    if (listener) listener->OnCondition(rule, condition, held);
    return held;
}

bool HasWords(const char* pattern, int patternMax, const char* text, int textMax) {
    return CStringService::MatchKeywords(pattern, patternMax, text, textMax) == 1;
}
}  // namespace

const char* RuleConditionLogText(RuleCondition condition) {
    switch (condition) {
        case RuleCondition::App:
            return "Rule: App was matched";
        case RuleCondition::Title:
            return "Rule: Title was matched";
        case RuleCondition::Site:
            return "Rule: Site was matched";
        case RuleCondition::Url:
            return "Rule: URL was matched";
        case RuleCondition::Path:
            return "Rule: Path was matched";
        case RuleCondition::AppName:
            return "Rule: App name was matched";
        case RuleCondition::TimePeriod:
            return "Rule: Time period was matched";
        case RuleCondition::ActivityType:
            return "Rule: Activity type was matched";
        case RuleCondition::InForce:
            break;
    }
    return nullptr;
}

void CRuleEngine::SetDefaultTask(const CBaseStorage<CDBTask>& tasks) {
    m_defaultProjectId = 0;
    m_defaultTaskId = 0;
    CDBTask task;
    for (int32_t i = 0; i < tasks.Count(); ++i) {
        if (tasks.Pop(i, task) != 1 || task.GetDeleted() >= 1 || task.GetIsDefault() <= 0) continue;
        m_defaultProjectId = task.GetProjectId();
        m_defaultTaskId = task.GetId();
    }
}

int CRuleEngine::MatchRule(const CDBRule& rule, const CWinActivity& activity, int& matches, CRuleListener* listener) {
    matches = 0;
    const int result = [&] {
        if (!Tested(listener, rule, RuleCondition::InForce, rule.GetStatus() >= 1)) return 0;
        if (rule.GetAppId() > 0) {
            if (!Tested(listener, rule, RuleCondition::App, activity.GetAppId() == rule.GetAppId())) return 0;
            ++matches;
        }
        if (rule.GetTitle()[0] != '\0') {
            const bool held = HasWords(rule.GetTitle(), kRuleTitleMax, activity.GetTitle(), kActivityTitleMax);
            if (!Tested(listener, rule, RuleCondition::Title, held)) return 0;
            ++matches;
        }
        if (rule.GetSiteId() > 0) {
            if (!Tested(listener, rule, RuleCondition::Site, activity.GetSiteId() == rule.GetSiteId())) return 0;
            ++matches;
        }
        if (rule.GetURL()[0] != '\0') {
            const bool held = HasWords(rule.GetURL(), kRuleUrlMax, activity.GetURL(), kActivityUrlMax);
            if (!Tested(listener, rule, RuleCondition::Url, held)) return 0;
            ++matches;
        }
        if (rule.GetPath()[0] != '\0') {
            // The full path first, then the file name alone; either counts once.
            RuleCondition where = RuleCondition::Path;
            bool held = HasWords(rule.GetPath(), kPathMax, activity.GetFullPath(), kPathMax);
            if (!held && HasWords(rule.GetPath(), kPathMax, activity.GetFileName(), kPathMax)) {
                where = RuleCondition::AppName;
                held = true;
            }
            if (!Tested(listener, rule, where, held)) return 0;
            ++matches;
        }
        if (rule.GetTimeStart() != 0 && rule.GetTimeFinish() != 0) {
            // The bounds are compared with the packed start time as unsigned
            // 64-bit numbers, widened with their sign.
            const uint64_t start = static_cast<uint64_t>(static_cast<int64_t>(rule.GetTimeStart()));
            const uint64_t finish = static_cast<uint64_t>(static_cast<int64_t>(rule.GetTimeFinish()));
            const uint64_t time = static_cast<uint64_t>(activity.GetStartDate());
            if (!Tested(listener, rule, RuleCondition::TimePeriod, time >= start && time < finish)) return 0;
            ++matches;
        }
        const int32_t selector = rule.GetAppType() & CDBRule::kTypeSelectorMask;
        if (selector != 0) {
            const ActivityType wanted = SelectedType(selector);
            if (wanted == ActivityType::None) {
                Tested(listener, rule, RuleCondition::ActivityType, false);
                return kNotMatched;
            }
            if (!Tested(listener, rule, RuleCondition::ActivityType, activity.GetType() == wanted)) return 0;
            ++matches;
        }
        return matches >= 1 ? 1 : 0;
    }();
    if (listener) listener->OnRuleTested(rule, result, matches);
    return result;
}

int CRuleEngine::ApplyRules(CWinActivity& activity, CRuleListener* listener) const {
    // Private time keeps no program: no rule can know what it was.
    if (activity.IsPrivateProgram()) {
        activity.SetTask(m_defaultTaskId, m_defaultProjectId);
        return kNotMatched;
    }
    bool chosen = false;
    int bestPriority = 0, bestMatches = 0;
    int32_t taskId = 0, projectId = 0;
    CDBRule rule;
    for (int32_t i = 0; i < m_rules.Count(); ++i) {
        if (m_rules.Pop(i, rule) != 1) continue;
        int matches = 0;
        if (MatchRule(rule, activity, matches, listener) != 1) continue;
        const int priority = rule.GetAppType() & CDBRule::kPriorityMask;
        const bool better = priority > bestPriority || matches > bestMatches;
        if (listener) listener->OnRuleAccepted(rule, {matches, priority, bestMatches, bestPriority, better});
        if (better) {
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
