#include "qlorules/page_api.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "core/activity_checkpoint.h"
#include "curation/curation_json.h"
#include "platform/path.h"
#include "platform/text.h"
#include "qlorules/page_pause.h"
#include "sensing/date_range.h"
#include "sensing/time_stamp.h"
#include "storage/activity_reader.h"

using nlohmann::json;

namespace {
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
// `toText` (empty: the same day), ending at `now` at the latest. False with
// the reason in `error` for a bad day, or a range that starts after now or
// ends before it starts.
bool RangeOf(const std::string& fromText, const std::string& toText, int64_t now, int64_t& from, int64_t& to,
             std::string& error) {
    if (ParseDate(fromText) == 0) {
        error = "from: bad date '" + fromText + "': YYYY-MM-DD";
        return false;
    }
    const std::string lastDay = toText.empty() ? fromText : toText;
    if (!ResolveDateRange(fromText, lastDay, now, from, to, error)) return false;
    if (from > now) {
        error = "from: " + fromText + " is in the future";
        return false;
    }
    to = std::min(to, now);
    return true;
}

// The collector's checkpoint in `folder`; false when there is none to read.
bool ReadCheckpoint(const std::string& folder, CCheckpointState& state) {
    CActivityCheckpoint checkpoint;
    checkpoint.SetFolder(folder, kPathSeparator);
    std::string why;
    int damaged = 0;
    return checkpoint.Read(state, why, damaged) == 1;
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
    std::vector<CProjectInfo> projects;
    std::vector<CTaskInfo> tasks;

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
        int64_t from = 0, to = 0;
        std::string error;
        if (!RangeOf(param("date"), "", m_now(), from, to, error)) return Error(400, "date: " + error);
        std::vector<CRowInfo> rows;
        int result = m_curation.Rows(from, to, rows);
        if (result == curation::kDone || result == curation::kNothing) result = m_curation.ListProjects(projects);
        if (result == curation::kDone || result == curation::kNothing) result = m_curation.ListTasks(0, tasks);
        json current = nullptr;
        CCheckpointState state;
        if (ReadCheckpoint(m_folder, state) && state.hasCurrent && IsSameDay(state.current.GetStartDate(), from))
            current = {{"start", state.current.GetStartDate()},
                       {"finish", state.current.GetFinishDate()},
                       {"type", static_cast<int>(state.current.GetType())},
                       {"title", NarrowToUtf8(state.current.GetTitle())},
                       {"program", NarrowToUtf8(state.current.GetFileName())},
                       {"address", NarrowToUtf8(state.current.GetURL())}};
        return outcome(result, {{"date", param("date")},
                                {"rows", rows},
                                {"current", std::move(current)},
                                {"projects", projects},
                                {"tasks", tasks}});
    }
    if (path == "/api/catalogue") {
        std::vector<CRuleInfo> rules;
        int result = m_curation.ListProjects(projects);
        if (result == curation::kDone || result == curation::kNothing) result = m_curation.ListTasks(0, tasks);
        if (result == curation::kDone || result == curation::kNothing) result = m_curation.ListRules(rules);
        return outcome(result, {{"projects", projects}, {"tasks", tasks}, {"rules", rules}});
    }
    if (path == "/api/uncategorized") {
        int64_t from = 0, to = 0;
        std::string error;
        if (!RangeOf(param("from"), param("to"), m_now(), from, to, error)) return Error(400, error);
        std::vector<CUncategorizedItem> items;
        const int result = m_curation.Uncategorized(from, to, 20, items);
        return outcome(result, {{"items", items}});
    }
    if (path == "/api/pause") return PauseState(m_folder, m_now());
    if (path == "/api/edits") {
        std::vector<CEditInfo> edits;
        const int result = m_curation.ListEdits(20, edits);
        return outcome(result, {{"edits", edits}});
    }
    return Error(404, "no such page: " + path);
}

CPageAnswer CPageApi::Post(const std::string& path, const std::string& body) {
    std::lock_guard<std::mutex> hold(m_lock);
    const json request = json::parse(body, nullptr, false);
    if (!request.is_object()) return Error(400, "the request is not a JSON object");
    const auto outcome = [&](int result, json value) { return Outcome(m_curation, result, std::move(value)); };
    try {
        std::string error;
        const auto range = [&](int64_t& from, int64_t& to) {
            return RangeOf(request.value("from", ""), request.value("to", ""), m_now(), from, to, error);
        };
        // The request's rule, its program and site also given by name
        // ("programName", "siteName") as a person types them; the answer
        // to send instead when it cannot be read.
        const auto readRule = [&](CRuleSpec& rule) -> std::optional<CPageAnswer> {
            const json value = request.value("rule", json());
            if (!value.is_object()) return Error(400, "rule: not a rule");
            rule = value.get<CRuleSpec>();
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
            if (!range(from, to)) return Error(400, error);
            CPreview preview;
            const int result = m_curation.Preview(rule, from, to, 200, preview);
            return outcome(result, preview);
        }
        if (path == "/api/apply") {
            int64_t from = 0, to = 0;
            if (!range(from, to)) return Error(400, error);
            CApplyResult applied;
            const int result = m_curation.Apply(from, to, request.value("dryRun", true), applied);
            return outcome(result, applied);
        }
        if (path == "/api/assign") {
            const std::vector<CRowRef> rows = request.value("rows", std::vector<CRowRef>());
            if (rows.empty()) return Error(400, "rows: no row to assign");
            int64_t edit = 0;
            const int result = m_curation.Assign(rows, request.value("projectId", 0), request.value("taskId", 0), edit);
            return outcome(result, {{"editId", edit}});
        }
        if (path == "/api/rule") {
            CRuleSpec rule;
            if (const auto bad = readRule(rule)) return *bad;
            const int result = rule.id == 0 ? m_curation.AddRule(rule) : m_curation.ChangeRule(rule);
            return outcome(result, {{"id", rule.id}, {"reload", m_curation.ReloadMessage()}});
        }
        if (path == "/api/rule/remove") {
            const int result = m_curation.RemoveRule(request.value("id", 0));
            return outcome(result, {{"reload", m_curation.ReloadMessage()}});
        }
        if (path == "/api/project") {
            int32_t id = 0;
            const int result = m_curation.AddProject(request.value("name", ""), id);
            return outcome(result, {{"id", id}});
        }
        if (path == "/api/task") {
            int32_t id = 0;
            const int result = m_curation.AddTask(request.value("projectId", 0), request.value("name", ""), id);
            return outcome(result, {{"id", id}});
        }
        if (path == "/api/pause") return PauseRequest(m_folder, request.value("duration", ""), m_now());
        if (path == "/api/resume") return ResumeRequest(m_folder, m_now());
        if (path == "/api/undo") {
            CEditInfo undone;
            const int result = m_curation.Undo(request.value("id", int64_t{0}), undone);
            return outcome(result, undone);
        }
    } catch (const json::exception& wrongType) {
        return Error(400, std::string("a member of the request has the wrong type: ") + wrongType.what());
    }
    return Error(404, "no such page: " + path);
}
