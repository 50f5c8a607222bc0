#include "qloreport/explain_report.h"

#include <string>
#include <vector>

#include "core/rule_engine.h"
#include "core/stored_activity.h"
#include "output/report_names.h"
#include "output/report_text.h"

namespace {
// Every stored or catalogue text is shown through TerminalText: a title may
// hold escape sequences meant for the terminal.
std::string Quoted(const char* words) { return Concat("\"", NarrowTerminalText(words), "\""); }

std::string SelectorName(int32_t selector) {
    switch (selector) {
        case 1:
            return "Active";
        case 2:
            return "Offline";
        case 4:
            return "Locked";
        case 8:
            return "Idle";
        default:
            return Concat("selector ", std::to_string(selector));
    }
}

// The conditions a rule sets, in the order they are tested.
std::string RuleConditions(const CCatalogue& catalogue, const CDBRule& rule) {
    std::vector<std::string> parts;
    if (rule.GetAppId() > 0)
        parts.push_back(Concat("program ", TerminalText(GroupName(catalogue, ReportGrouping::App, rule.GetAppId()))));
    if (rule.GetTitle()[0]) parts.push_back(Concat("title ", Quoted(rule.GetTitle())));
    if (rule.GetSiteId() > 0)
        parts.push_back(Concat("site ", TerminalText(GroupName(catalogue, ReportGrouping::Site, rule.GetSiteId()))));
    if (rule.GetURL()[0]) parts.push_back(Concat("address ", Quoted(rule.GetURL())));
    if (rule.GetPath()[0]) parts.push_back(Concat("path ", Quoted(rule.GetPath())));
    if (rule.GetTimeStart() != 0 && rule.GetTimeFinish() != 0)
        parts.push_back(
            Concat("period ", std::to_string(rule.GetTimeStart()), "..", std::to_string(rule.GetTimeFinish())));
    if (const int32_t selector = rule.GetAppType() & CDBRule::kTypeSelectorMask)
        parts.push_back(Concat("type ", SelectorName(selector)));
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return (text.empty() ? "no condition" : text) + "; priority " +
           std::to_string(rule.GetAppType() & CDBRule::kPriorityMask);
}

std::string ConditionText(const CDBRule& rule, RuleCondition condition, bool held) {
    const std::string verdict = held ? " holds" : " does not hold";
    switch (condition) {
        case RuleCondition::InForce:
            return held ? "in force" : Concat("not in force (Status ", std::to_string(rule.GetStatus()), ")");
        case RuleCondition::App:
            return "program" + verdict;
        case RuleCondition::Title:
            return "title words" + verdict;
        case RuleCondition::Site:
            return "site" + verdict;
        case RuleCondition::Url:
            return "address words" + verdict;
        case RuleCondition::Path:
            return held ? "path words hold (full path)" : "path words hold neither in the path nor the file name";
        case RuleCondition::AppName:
            return "path words hold (file name)";
        case RuleCondition::TimePeriod:
            return "period" + verdict;
        case RuleCondition::ActivityType: {
            const int32_t selector = rule.GetAppType() & CDBRule::kTypeSelectorMask;
            if (selector != 1 && selector != 2 && selector != 4 && selector != 8)
                return Concat("type selector ", std::to_string(selector), " names no single type: never accepted");
            return Concat("type ", SelectorName(selector), verdict);
        }
    }
    return "";
}

// Writes each rule as the engine tests it.
class CExplainListener : public CRuleListener {
public:
    CExplainListener(FILE* out, const CCatalogue& catalogue) : m_out(out), m_catalogue(catalogue) {}

    void OnCondition(const CDBRule& rule, RuleCondition condition, bool held) override {
        if (condition == RuleCondition::InForce && held) return;
        m_conditions += (m_conditions.empty() ? "" : "; ") + ConditionText(rule, condition, held);
    }
    void OnRuleTested(const CDBRule& rule, int result, int) override {
        std::fprintf(m_out, "  rule %-4ld %s  [%s]\n             %s", static_cast<long>(rule.GetId()),
                     TerminalText(ProjectTaskName(m_catalogue, rule.GetProjectId(), rule.GetTaskId())).c_str(),
                     RuleConditions(m_catalogue, rule).c_str(), m_conditions.c_str());
        m_conditions.clear();
        if (result != 1) std::fputs(" -> not accepted\n", m_out);
    }
    void OnRuleAccepted(const CDBRule& rule, const CRuleChoice& choice) override {
        std::string why;
        if (!choice.chosen)
            why = Concat("not chosen: priority ", std::to_string(choice.priority), " is not above ",
                         std::to_string(choice.bestPriorityBefore), " and ", std::to_string(choice.matches),
                         " matches are not more than ", std::to_string(choice.bestMatchesBefore));
        else if (choice.priority > choice.bestPriorityBefore)
            why = Concat("chosen: priority ", std::to_string(choice.priority), " is above the best so far (",
                         std::to_string(choice.bestPriorityBefore), ")");
        else
            why = Concat("chosen: ", std::to_string(choice.matches), " matches are more than the best so far (",
                         std::to_string(choice.bestMatchesBefore), ")");
        std::fprintf(m_out, " -> accepted, %d matches, priority %d; %s\n", choice.matches, choice.priority,
                     why.c_str());
        if (choice.chosen) m_chosenRule = rule.GetId();
    }
    int32_t ChosenRule() const { return m_chosenRule; }

private:
    FILE* m_out;
    const CCatalogue& m_catalogue;
    std::string m_conditions;
    int32_t m_chosenRule = 0;
};
}  // namespace

CExplanation ExplainRow(FILE* out, const CActivityReader& reader, const CDBActivity& row) {
    const CCatalogue& catalogue = reader.Catalogue();
    const std::string stored = TerminalText(ProjectTaskName(catalogue, row.GetProjectId(), row.GetTaskId()));
    std::fprintf(out, "Activity %s - %s (%s), %s\n", FormatMoment(row.GetStartDate()).c_str(),
                 FormatClock(row.GetFinishDate()).c_str(), FormatDuration(row.GetDuration()).c_str(),
                 ActivityTypeName(row.GetActivityType()).c_str());
    const CDBApp* app = catalogue.FindApp(row.GetAppId());
    std::fprintf(out, "  program   %s  %s  (app %ld)\n",
                 app ? NarrowTerminalText(app->GetFileName()).c_str() : "(unknown)",
                 app ? NarrowTerminalText(app->GetPath()).c_str() : "", static_cast<long>(row.GetAppId()));
    std::fprintf(out, "  title     %s\n", NarrowTerminalText(row.GetTitle()).c_str());
    if (row.GetURL()[0])
        std::fprintf(out, "  address   %s  (site %ld: %s)\n", NarrowTerminalText(row.GetURL()).c_str(),
                     static_cast<long>(row.GetSiteId()),
                     TerminalText(GroupName(catalogue, ReportGrouping::Site, row.GetSiteId())).c_str());
    std::fprintf(out, "  stored    %s  (project %ld, task %ld)\n\n", stored.c_str(),
                 static_cast<long>(row.GetProjectId()), static_cast<long>(row.GetTaskId()));

    CRuleEngine engine;
    LoadRuleEngine(engine, catalogue);
    std::fprintf(out, "Rules of func.db as they are now, in the order the collector tries them (%d):\n",
                 static_cast<int>(engine.GetRules().Count()));
    CExplainListener listener(out, catalogue);
    CWinActivity activity = StoredActivity(catalogue, row);
    CExplanation explanation;
    explanation.result = engine.ApplyRules(activity, &listener);
    explanation.ruleId = listener.ChosenRule();
    explanation.projectId = activity.GetProjectId();
    explanation.taskId = activity.GetTaskId();
    explanation.sameAsStored = explanation.projectId == row.GetProjectId() && explanation.taskId == row.GetTaskId();

    const std::string decided = TerminalText(ProjectTaskName(catalogue, explanation.projectId, explanation.taskId));
    if (explanation.result == 1)
        std::fprintf(out, "\nDecision: rule %ld gives %s.\n", static_cast<long>(explanation.ruleId), decided.c_str());
    else if (engine.GetDefaultTaskId() != 0)
        std::fprintf(out, "\nDecision: no rule accepted the activity, so it gets the default task: %s.\n",
                     decided.c_str());
    else
        std::fprintf(out,
                     "\nDecision: no rule accepted the activity and there is no default task: project 0, task 0.\n");
    if (explanation.sameAsStored)
        std::fputs("The stored row has the same project and task.\n", out);
    else
        std::fprintf(out,
                     "The stored row has %s instead: the rules or the default task changed after it was stored, or "
                     "categorisation was switched off then.\n",
                     stored.c_str());
    return explanation;
}
