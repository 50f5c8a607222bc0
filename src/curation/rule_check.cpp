#include "curation/rule_check.h"

#include <algorithm>

#include "platform/text.h"

namespace {
// What the keyword test reads of a pattern (see CStringService::MatchKeywords).
constexpr int kMaxWords = 7;
constexpr size_t kMaxWordChars = 64;
constexpr int kMaxPriority = 31;
constexpr int kPriorityShift = 5;
// The packed times a period is compared with: 2000 to 2099.
constexpr uint64_t kEarliest = 20000101000000ULL, kLatest = 20991231235959ULL;

const struct {
    const char* name;
    int32_t selector;
} kTypes[] = {{"active", 1}, {"offline", 2}, {"locked", 4}, {"idle", 8}};

// Why the keyword test would never find `words` (stored in a field of
// `fieldSize`), or "".
std::string WordsProblem(const char* what, const std::string& words, int fieldSize) {
    if (words.empty()) return "";
    const std::string stored = Utf8ToNarrow(words);
    if (static_cast<int>(stored.size()) >= fieldSize)
        return std::string(what) + " is longer than " + std::to_string(fieldSize - 1) + " characters";
    for (const char c : words) {
        if (c >= 'A' && c <= 'Z')
            return std::string(what) + " '" + words +
                   "' has a capital letter: titles, addresses and paths are compared in small letters, so it "
                   "would never match";
        if (static_cast<unsigned char>(c) < 0x20) return std::string(what) + " holds a control character";
    }
    if (words.front() == ' ' || words.find("  ") != std::string::npos)
        return std::string(what) + " '" + words + "' begins with a blank or holds two in a row: it would never match";
    int count = 0;
    size_t start = 0;
    while (start < words.size()) {
        size_t end = words.find(' ', start);
        if (end == std::string::npos) end = words.size();
        if (end - start > kMaxWordChars)
            return std::string(what) + " has a word longer than " + std::to_string(kMaxWordChars) + " characters";
        ++count;
        start = end + 1;
    }
    if (count > kMaxWords)
        return std::string(what) + " has more than " + std::to_string(kMaxWords) + " words (the rest would be ignored)";
    return "";
}

uint64_t Widened(int32_t bound) { return static_cast<uint64_t>(static_cast<int64_t>(bound)); }
}  // namespace

CDBRule ToStoredRule(const CRuleSpec& rule) {
    int32_t selector = 0;
    for (const auto& type : kTypes)
        if (rule.type == type.name) selector = type.selector;
    const int32_t appType = selector | (rule.priority << kPriorityShift);
    return CDBRule(rule.id, 0, rule.inForce ? 1 : 0, rule.programId, rule.taskId, rule.projectId,
                   Utf8ToNarrow(rule.title).c_str(), rule.siteId, Utf8ToNarrow(rule.address).c_str(),
                   Utf8ToNarrow(rule.path).c_str(), rule.periodStart, rule.periodFinish, appType);
}

CRuleSpec FromStoredRule(const CDBRule& stored) {
    CRuleSpec rule;
    rule.id = stored.GetId();
    rule.projectId = stored.GetProjectId();
    rule.taskId = stored.GetTaskId();
    rule.programId = stored.GetAppId();
    rule.path = NarrowToUtf8(stored.GetPath());
    rule.title = NarrowToUtf8(stored.GetTitle());
    rule.siteId = stored.GetSiteId();
    rule.address = NarrowToUtf8(stored.GetURL());
    const int32_t selector = stored.GetAppType() & CDBRule::kTypeSelectorMask;
    rule.type = selector == 0 ? "" : std::string("selector ").append(std::to_string(selector));
    for (const auto& type : kTypes)
        if (selector == type.selector) rule.type = type.name;
    rule.periodStart = stored.GetTimeStart();
    rule.periodFinish = stored.GetTimeFinish();
    rule.priority = (stored.GetAppType() & CDBRule::kPriorityMask) >> kPriorityShift;
    rule.inForce = stored.GetStatus() >= 1;
    return rule;
}

std::string RuleProblem(const CRuleSpec& rule, const CCatalogue& catalogue) {
    const CDBProject* project = catalogue.FindProject(rule.projectId);
    if (!project) return "project " + std::to_string(rule.projectId) + " does not exist";
    if (project->GetDeleted() >= 1) return "project " + std::to_string(rule.projectId) + " is hidden";
    if (rule.taskId != 0) {
        const CDBTask* task = catalogue.FindTask(rule.taskId);
        if (!task) return "task " + std::to_string(rule.taskId) + " does not exist";
        if (task->GetProjectId() != rule.projectId)
            return "task " + std::to_string(rule.taskId) + " belongs to another project";
        if (task->GetDeleted() >= 1) return "task " + std::to_string(rule.taskId) + " is hidden";
    }
    if (rule.programId != 0 && !catalogue.FindApp(rule.programId))
        return "program " + std::to_string(rule.programId) + " has never been recorded";
    if (rule.siteId != 0 && !catalogue.FindSite(rule.siteId))
        return "site " + std::to_string(rule.siteId) + " has never been recorded";
    for (const std::string& problem : {WordsProblem("title", rule.title, CDBRule::kTitleSize),
                                       WordsProblem("address", rule.address, CDBRule::kUrlSize),
                                       WordsProblem("path", rule.path, CDBRule::kPathSize)})
        if (!problem.empty()) return problem;
    bool knownType = rule.type.empty();
    for (const auto& type : kTypes)
        knownType = knownType || rule.type == type.name;
    if (!knownType) return "unknown type '" + rule.type + "': active, idle, locked or offline";
    if (rule.priority < 0 || rule.priority > kMaxPriority)
        return "priority " + std::to_string(rule.priority) + " is not between 0 and " + std::to_string(kMaxPriority);
    const bool hasPeriod = rule.periodStart != 0 && rule.periodFinish != 0;
    if ((rule.periodStart != 0) != (rule.periodFinish != 0)) return "a period needs both its bounds";
    if (hasPeriod) {
        const uint64_t start = Widened(rule.periodStart), finish = Widened(rule.periodFinish);
        if (std::max(start, kEarliest) >= std::min(finish, kLatest + 1))
            return "the period " + std::to_string(rule.periodStart) + ".." + std::to_string(rule.periodFinish) +
                   " holds no time the engine compares it with: it would never match";
    }
    if (rule.programId == 0 && rule.siteId == 0 && rule.title.empty() && rule.address.empty() && rule.path.empty() &&
        !hasPeriod && rule.type.empty())
        return "a rule needs at least one condition (program, path, title, site, address, type or period)";
    return "";
}
