// CTimeManager: the rules and the default task read from func.db into the
// rule engine, and the engine applied to every activity that is saved, with
// what it tested written to the information log.
#include <utility>

#include "core/time_manager.h"
#include "platform/clock.h"

namespace {
constexpr char kUpdateRules[] = "CTimeManager::UpdateRules";
constexpr char kGetDefaultTask[] = "CTimeManager::GetDefaultTask";
constexpr uint32_t kAfterReadPauseMs = 10;
constexpr int kRulesOff = -301;
}  // namespace

// Writes what the engine tested to the information log: every condition that
// held (level 2) and every accepted rule (level 1).
class CTimeManager::CRuleLog : public CRuleListener {
public:
    explicit CRuleLog(CTimeManager& owner) : m_owner(owner) {}
    void OnCondition(const CDBRule&, RuleCondition condition, bool held) override {
        const char* text = RuleConditionLogText(condition);
        if (held && text) m_owner.LogInfo(2, "%s", text);
    }
    void OnRuleTested(const CDBRule&, int, int) override {}
    void OnRuleAccepted(const CDBRule& rule, const CRuleChoice& choice) override {
        m_owner.LogInfo(1, "Rule accepted %ld matches: %i, priority: %i", static_cast<long>(rule.GetId()),
                        choice.matches, choice.priority);
    }

private:
    CTimeManager& m_owner;
};

int CTimeManager::UpdateRules() {
    LoadPrivacy();
    // Read outside the lock: only the replacement must not meet a save.
    CBaseStorage<CDBRule> fresh;
    const int read = m_dbManager.GetRules(fresh);
    if (read == 1) {
        {
            std::lock_guard<std::recursive_mutex> guard(m_lock);
            m_ruleEngine.SetRules(std::move(fresh));
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
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_ruleEngine.SetDefaultTask(tasks);
    return 1;
}

int CTimeManager::MatchRule(const CDBRule& rule, const CWinActivity& activity, int& matches) {
    CRuleLog log(*this);
    return CRuleEngine::MatchRule(rule, activity, matches, &log);
}

int CTimeManager::ApplyRules(CWinActivity& activity) {
    if (m_rulesEnabled.load() < 1) return kRulesOff;
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    CRuleLog log(*this);
    return m_ruleEngine.ApplyRules(activity, &log);
}
