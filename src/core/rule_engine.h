#pragma once
// The rule engine: chooses the project and task of an activity from the
// categorisation rules of T_Rules, or gives it the default task.
//
// Every rule is tried in list order (ascending Id_Rule as GetRules delivers
// them). A rule accepts an activity when it is in force (Status 1 or more),
// has at least one condition, and every condition it has holds; the
// conditions are tested in a fixed order and the first that fails ends the
// test. Of the accepted rules the engine chooses: a rule whose priority is
// above the best so far wins; otherwise a rule with more matched conditions
// than the best so far wins, and the best priority follows it down; at equal
// priority and matches the rule tried first stays. Stored rules were written
// for exactly this order of choice. No rule accepted: the default task (the
// last live task marked IsDefault) and its project.
//
// The engine only decides. What it tested, and why it chose, goes to an
// optional CRuleListener, called synchronously in the order of the tests:
// the collector logs from it, and the report tool explains from it, so both
// show the engine's own decision.
//
// Not thread-safe: the owner serialises SetRules, SetDefaultTask and
// ApplyRules (the time manager does so under its lock). MatchRule is static
// and touches no state. Nothing allocates while rules are applied.

#include <cstdint>
#include <utility>

#include "sensing/activity.h"
#include "storage/base_storage.h"
#include "storage/db_rule.h"
#include "storage/db_task.h"

// The conditions of a rule, in the order they are tested. Path holds when the
// words occur in the full path; AppName when they occur only in the file name.
enum class RuleCondition { InForce, App, Title, Site, Url, Path, AppName, TimePeriod, ActivityType };

// How an accepted rule compared with the best rule before it.
struct CRuleChoice {
    int matches;
    int priority;  // AppType & 0x3E0, not shifted
    int bestMatchesBefore;
    int bestPriorityBefore;
    bool chosen;  // it is now the chosen rule
};

class CRuleListener {
public:
    virtual ~CRuleListener() = default;
    // One condition of `rule` was tested. A condition that did not hold ends
    // the rule's test. Path/AppName: one call, AppName only when the full
    // path did not hold and the file name did; a failure is reported as Path.
    virtual void OnCondition(const CDBRule& rule, RuleCondition condition, bool held) = 0;
    // `rule`'s test ended with MatchRule's result and matched conditions.
    virtual void OnRuleTested(const CDBRule& rule, int result, int matches) = 0;
    // `rule` accepted the activity (called after OnRuleTested).
    virtual void OnRuleAccepted(const CDBRule& rule, const CRuleChoice& choice) = 0;
};

// The information-log text of a condition that held ("Rule: App was
// matched"); nullptr for InForce, which the collector does not log.
const char* RuleConditionLogText(RuleCondition condition);

class CRuleEngine {
public:
    static constexpr int kNotMatched = -52;

    // Replaces the rules in force.
    void SetRules(CBaseStorage<CDBRule> rules) { m_rules = std::move(rules); }
    const CBaseStorage<CDBRule>& GetRules() const { return m_rules; }

    // Takes the default task from `tasks`: the last one in list order that is
    // live (Deleted below 1) and marked IsDefault; both ids 0 when none is.
    void SetDefaultTask(const CBaseStorage<CDBTask>& tasks);
    int32_t GetDefaultProjectId() const { return m_defaultProjectId; }
    int32_t GetDefaultTaskId() const { return m_defaultTaskId; }

    // Tests one rule. 1 accepted; 0 not; -52 the rule's activity-type
    // selector is not 0, 1, 2, 4 or 8. `matches` receives the number of
    // conditions that held before the test ended.
    static int MatchRule(const CDBRule& rule, const CWinActivity& activity, int& matches,
                         CRuleListener* listener = nullptr);

    // Writes the project and task of the chosen rule into `activity`. 1 a
    // rule was applied; -52 none accepted it and the default task was written.
    // The private pseudo-process (CActivity::HidePrivateProgram) is tried
    // against no rule: it gets the default task.
    int ApplyRules(CWinActivity& activity, CRuleListener* listener = nullptr) const;

private:
    CBaseStorage<CDBRule> m_rules;
    int32_t m_defaultProjectId = 0;
    int32_t m_defaultTaskId = 0;
};
