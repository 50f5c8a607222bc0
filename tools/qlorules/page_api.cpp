#include "qlorules/page_api.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>
#include <vector>

#include "core/activity_checkpoint.h"
#include "platform/path.h"
#include "platform/text.h"
#include "sensing/time_stamp.h"
#include "storage/activity_reader.h"

using nlohmann::json;

namespace {
// The packed midnight of "YYYY-MM-DD", or 0 when it is no real date.
int64_t ParseDay(const std::string& text) {
    int year = 0, month = 0, day = 0;
    char end = 0;
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &end) != 3) return 0;
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 2000 || year > 2099 || month < 1 || month > 12 || day < 1 ||
        day > (month == 2 && !leap ? 28 : kDays[month - 1]))
        return 0;
    return ((year * 100LL + month) * 100 + day) * 1000000;
}

std::string DayText(int64_t stamp) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", YearOf(stamp), MonthOf(stamp), DayOf(stamp));
    return text;
}

CPageAnswer Answer(const json& value, int status = 200) {
    return {status, value.dump(-1, ' ', false, json::error_handler_t::replace)};
}

CPageAnswer Error(int status, const std::string& why) { return Answer(json{{"error", why}}, status); }

// The answer to a library call's `result`: `value` when it did its work or
// found nothing to do, else the library's reason.
CPageAnswer Outcome(CCuration& curation, int result, json value) {
    if (result == curation::kDone) return Answer(value);
    if (result == curation::kNothing) {
        value["nothing"] = true;
        return Answer(value);
    }
    if (result == curation::kRefused) return Error(400, curation.LastError());
    return Error(result == curation::kBusy ? 503 : 500, curation.LastError());
}

// The range from the first second of day `fromText` to the last of day
// `toText` (empty: the same day), ending at `now` at the latest. False when
// a day is no date or the range is empty.
bool RangeOf(const std::string& fromText, const std::string& toText, int64_t now, int64_t& from, int64_t& to) {
    from = ParseDay(fromText);
    const int64_t last = ParseDay(toText.empty() ? fromText : toText);
    to = std::min(last + 235959, now);
    return from != 0 && last != 0 && from <= to;
}

json RowJson(const CRowInfo& row) {
    return {{"month", row.month},       {"id", row.id},           {"start", row.start},
            {"finish", row.finish},     {"seconds", row.seconds}, {"type", row.type},
            {"title", row.title},       {"program", row.program}, {"address", row.address},
            {"project", row.projectId}, {"task", row.taskId}};
}

json RuleJson(const CRuleSpec& rule) {
    return {{"id", rule.id},     {"project", rule.projectId}, {"task", rule.taskId},    {"program", rule.programId},
            {"path", rule.path}, {"title", rule.title},       {"site", rule.siteId},    {"address", rule.address},
            {"type", rule.type}, {"priority", rule.priority}, {"inForce", rule.inForce}};
}

// A rule from the page; members missing stay empty. False when it is not an
// object of the expected types.
bool RuleFrom(const json& value, CRuleSpec& rule) {
    if (!value.is_object()) return false;
    try {
        rule.id = value.value("id", 0);
        rule.projectId = value.value("project", 0);
        rule.taskId = value.value("task", 0);
        rule.programId = value.value("program", 0);
        rule.path = value.value("path", "");
        rule.title = value.value("title", "");
        rule.siteId = value.value("site", 0);
        rule.address = value.value("address", "");
        rule.type = value.value("type", "");
        rule.priority = value.value("priority", 0);
        rule.inForce = value.value("inForce", true);
    } catch (const json::exception&) {
        return false;
    }
    return true;
}

json ProjectsJson(const std::vector<CProjectInfo>& projects) {
    json list = json::array();
    for (const CProjectInfo& project : projects)
        list.push_back({{"id", project.id}, {"name", project.name}, {"hidden", project.hidden}});
    return list;
}

json TasksJson(const std::vector<CTaskInfo>& tasks) {
    json list = json::array();
    for (const CTaskInfo& task : tasks)
        list.push_back({{"id", task.id},
                        {"project", task.projectId},
                        {"name", task.name},
                        {"hidden", task.hidden},
                        {"isDefault", task.isDefault}});
    return list;
}

// The collector's checkpoint in `folder`; false when there is none to read.
bool ReadCheckpoint(const std::string& folder, CCheckpointState& state) {
    CActivityCheckpoint checkpoint;
    checkpoint.SetFolder(folder, kPathSeparator);
    std::string why;
    int damaged = 0;
    return checkpoint.Read(state, why, damaged) == 1;
}

json TotalsJson(const std::vector<CTotalChange>& totals) {
    json list = json::array();
    for (const CTotalChange& total : totals)
        list.push_back({{"project", total.projectId},
                        {"task", total.taskId},
                        {"projectName", total.project},
                        {"taskName", total.task},
                        {"before", total.before},
                        {"after", total.after}});
    return list;
}
}  // namespace

CPageApi::CPageApi(std::string folder, std::function<int64_t()> now)
    : m_folder(std::move(folder)),
      m_now(now ? std::move(now) : std::function<int64_t()>(NowTimeStamp)),
      m_curation(m_folder, m_now) {}

int CPageApi::Open(std::string& error) {
    if (m_curation.Open() == curation::kDone) return 1;
    error = m_curation.LastError();
    return 0;
}

CPageAnswer CPageApi::Get(const std::string& path, const std::map<std::string, std::string>& params) {
    std::lock_guard<std::mutex> hold(m_lock);
    const auto param = [&](const char* name) {
        const auto found = params.find(name);
        return found == params.end() ? std::string() : found->second;
    };
    const auto outcome = [&](int result, json value) { return Outcome(m_curation, result, std::move(value)); };
    const auto range = [&](int64_t& from, int64_t& to) {
        return RangeOf(param("from"), param("to"), m_now(), from, to);
    };

    if (path == "/api/status") {
        CCheckpointState state;
        ReadCheckpoint(m_folder, state);
        std::vector<CEditInfo> edits;
        m_curation.ListEdits(1, edits);
        CDBActivity last;
        CActivityReader(m_folder).FindLastRow(m_now(), last);
        const std::string version = std::to_string(last.GetId()) + "/" + std::to_string(state.last.stamp) + "/" +
                                    (edits.empty() ? "0" : std::to_string(edits[0].id) + edits[0].state);
        return Answer({{"version", version}});
    }
    if (path == "/api/day") {
        const int64_t day = ParseDay(param("date"));
        if (day == 0) return Error(400, "date: not a day of the form YYYY-MM-DD: " + param("date"));
        if (day > m_now()) return Error(400, "date: " + param("date") + " is in the future");
        std::vector<CRowInfo> rows;
        const int result = m_curation.Rows(day, std::min(day + 235959, m_now()), rows);
        json list = json::array();
        for (const CRowInfo& row : rows)
            list.push_back(RowJson(row));
        json current = nullptr;
        CCheckpointState state;
        if (ReadCheckpoint(m_folder, state) && state.hasCurrent && IsSameDay(state.current.GetStartDate(), day))
            current = {{"start", state.current.GetStartDate()},
                       {"finish", state.current.GetFinishDate()},
                       {"type", static_cast<int>(state.current.GetType())},
                       {"title", NarrowToUtf8(state.current.GetTitle())},
                       {"program", NarrowToUtf8(state.current.GetFileName())},
                       {"address", NarrowToUtf8(state.current.GetURL())}};
        std::vector<CProjectInfo> projects;
        std::vector<CTaskInfo> tasks;
        m_curation.ListProjects(projects);
        m_curation.ListTasks(0, tasks);
        return outcome(result, {{"date", DayText(day)},
                                {"dayStart", day},
                                {"rows", std::move(list)},
                                {"current", std::move(current)},
                                {"projects", ProjectsJson(projects)},
                                {"tasks", TasksJson(tasks)}});
    }
    if (path == "/api/catalogue") {
        std::vector<CProjectInfo> projects;
        std::vector<CTaskInfo> tasks;
        std::vector<CRuleInfo> rules;
        int result = m_curation.ListProjects(projects);
        if (result == curation::kDone || result == curation::kNothing) result = m_curation.ListTasks(0, tasks);
        if (result == curation::kDone || result == curation::kNothing) result = m_curation.ListRules(rules);
        json ruleList = json::array();
        for (const CRuleInfo& info : rules) {
            json rule = RuleJson(info.rule);
            rule["projectName"] = info.project;
            rule["taskName"] = info.task;
            rule["programName"] = info.program;
            rule["siteName"] = info.site;
            ruleList.push_back(std::move(rule));
        }
        return outcome(result,
                       {{"projects", ProjectsJson(projects)}, {"tasks", TasksJson(tasks)}, {"rules", ruleList}});
    }
    if (path == "/api/uncategorized") {
        int64_t from = 0, to = 0;
        if (!range(from, to)) return Error(400, "from, to: not a range of days of the form YYYY-MM-DD");
        std::vector<CUncategorizedItem> items;
        const int result = m_curation.Uncategorized(from, to, 20, items);
        json list = json::array();
        for (const CUncategorizedItem& item : items)
            list.push_back({{"kind", item.kind},
                            {"id", item.id},
                            {"text", item.text},
                            {"seconds", item.seconds},
                            {"rows", item.rows}});
        return outcome(result, {{"items", list}});
    }
    if (path == "/api/edits") {
        std::vector<CEditInfo> edits;
        const int result = m_curation.ListEdits(20, edits);
        json list = json::array();
        for (const CEditInfo& edit : edits)
            list.push_back({{"id", edit.id},
                            {"made", edit.made},
                            {"kind", edit.kind},
                            {"summary", edit.summary},
                            {"state", edit.state},
                            {"rows", edit.rows}});
        return outcome(result, {{"edits", list}});
    }
    return Error(404, "no such page: " + path);
}

CPageAnswer CPageApi::Post(const std::string& path, const std::string& body) {
    std::lock_guard<std::mutex> hold(m_lock);
    const json request = json::parse(body, nullptr, false);
    if (!request.is_object()) return Error(400, "the request is not a JSON object");
    const auto outcome = [&](int result, json value) { return Outcome(m_curation, result, std::move(value)); };
    try {
        const auto range = [&](int64_t& from, int64_t& to) {
            return RangeOf(request.value("from", ""), request.value("to", ""), m_now(), from, to);
        };
        // The request's rule, its program and site also given by name
        // ("programName", "siteName") as a person types them; the answer
        // to send instead when it cannot be read.
        const auto readRule = [&](CRuleSpec& rule) -> std::optional<CPageAnswer> {
            const json value = request.value("rule", json());
            if (!RuleFrom(value, rule)) return Error(400, "rule: not a rule");
            const std::string program = value.value("programName", ""), site = value.value("siteName", "");
            int found = curation::kDone;
            if (!program.empty()) found = m_curation.FindProgram(program, rule.programId);
            if (found == curation::kDone && !site.empty()) found = m_curation.FindSite(site, rule.siteId);
            if (found == curation::kDone) return std::nullopt;
            return Outcome(m_curation, found == curation::kNothing ? curation::kRefused : found, {});
        };
        if (path == "/api/preview") {
            CRuleSpec rule;
            int64_t from = 0, to = 0;
            if (const auto bad = readRule(rule)) return *bad;
            if (!range(from, to)) return Error(400, "from, to: not a range of days of the form YYYY-MM-DD");
            CPreview preview;
            const int result = m_curation.Preview(rule, from, to, 200, preview);
            json rows = json::array();
            for (const CPreviewRow& row : preview.rows) {
                json item = RowJson(row.row);
                item["projectName"] = row.row.project;
                item["taskName"] = row.row.task;
                item["newProject"] = row.newProjectId;
                item["newTask"] = row.newTaskId;
                item["newProjectName"] = row.newProject;
                item["newTaskName"] = row.newTask;
                item["changes"] = row.changes;
                rows.push_back(std::move(item));
            }
            return outcome(result, {{"rows", rows},
                                    {"caughtRows", preview.caughtRows},
                                    {"caughtSeconds", preview.caughtSeconds},
                                    {"changingRows", preview.changingRows},
                                    {"changingSeconds", preview.changingSeconds}});
        }
        if (path == "/api/apply") {
            int64_t from = 0, to = 0;
            if (!range(from, to)) return Error(400, "from, to: not a range of days of the form YYYY-MM-DD");
            CApplyResult applied;
            const int result = m_curation.Apply(from, to, request.value("dryRun", true), applied);
            return outcome(result, {{"edit", applied.editId},
                                    {"checkedRows", applied.checkedRows},
                                    {"changedRows", applied.changedRows},
                                    {"changedSeconds", applied.changedSeconds},
                                    {"totals", TotalsJson(applied.totals)}});
        }
        if (path == "/api/assign") {
            std::vector<CRowRef> rows;
            for (const json& row : request.value("rows", json::array()))
                rows.push_back({row.value("month", int64_t{0}), row.value("id", int64_t{0})});
            if (rows.empty()) return Error(400, "rows: no row to assign");
            int64_t edit = 0;
            const int result = m_curation.Assign(rows, request.value("project", 0), request.value("task", 0), edit);
            return outcome(result, {{"edit", edit}});
        }
        if (path == "/api/rule") {
            CRuleSpec rule;
            if (const auto bad = readRule(rule)) return *bad;
            const int result = rule.id == 0 ? m_curation.AddRule(rule) : m_curation.ChangeRule(rule);
            return outcome(result, {{"id", rule.id}, {"reload", m_curation.ReloadMessage()}});
        }
        if (path == "/api/rule/remove")
            return outcome(m_curation.RemoveRule(request.value("id", 0)), {{"reload", m_curation.ReloadMessage()}});
        if (path == "/api/project") {
            int32_t id = 0;
            const int result = m_curation.AddProject(request.value("name", ""), id);
            return outcome(result, {{"id", id}});
        }
        if (path == "/api/task") {
            int32_t id = 0;
            const int result = m_curation.AddTask(request.value("project", 0), request.value("name", ""), id);
            return outcome(result, {{"id", id}});
        }
        if (path == "/api/undo") {
            CEditInfo undone;
            const int result = m_curation.Undo(request.value("id", int64_t{0}), undone);
            return outcome(result, {{"id", undone.id}, {"summary", undone.summary}, {"rows", undone.rows}});
        }
    } catch (const json::exception& wrongType) {
        return Error(400, std::string("a member of the request has the wrong type: ") + wrongType.what());
    }
    return Error(404, "no such page: " + path);
}
