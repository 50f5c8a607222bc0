#include "qlorules/qlorules_run.h"

#include <string>
#include <vector>

#include "core/database_folder.h"
#include "curation/curation.h"
#include "curation/curation_json.h"
#include "output/report_text.h"
#include "qlorules/qlorules_options.h"
#include "qlorules/qlorules_serve.h"
#include "sensing/time_stamp.h"

namespace {
constexpr size_t kWidestCell = 48;
constexpr int kPreviewRows = 50, kUncategorizedTop = 10;

// Rows of texts written as an aligned table or as CSV.
struct CTextTable {
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;

    void Write(FILE* out, RulesFormat format) const {
        if (format == RulesFormat::Csv) {
            for (const auto* line : Lines())
                for (size_t i = 0; i < line->size(); ++i)
                    std::fprintf(out, "%s%s", CsvField((*line)[i]).c_str(), i + 1 < line->size() ? "," : "\n");
            return;
        }
        std::vector<size_t> widths(headers.size(), 0);
        for (const auto* line : Lines())
            for (size_t i = 0; i < line->size(); ++i)
                widths[i] = std::min(kWidestCell, std::max(widths[i], TerminalWidth((*line)[i])));
        for (const auto* line : Lines()) {
            std::string text;
            for (size_t i = 0; i < line->size(); ++i)
                text += Cell((*line)[i], widths[i]) + (i + 1 < line->size() ? "  " : "");
            std::fprintf(out, "%s\n", text.substr(0, text.find_last_not_of(' ') + 1).c_str());
        }
    }
    std::vector<const std::vector<std::string>*> Lines() const {
        std::vector<const std::vector<std::string>*> lines{&headers};
        for (const auto& row : rows)
            lines.push_back(&row);
        return lines;
    }
};

std::string RowName(int64_t month, int64_t id) { return FormatDate(month).substr(0, 7) + ":" + std::to_string(id); }

std::string TypeName(int32_t type) {
    static const char* const kNames[] = {"none", "active", "idle", "locked", "offline"};
    return type >= 0 && type <= 4 ? kNames[type] : std::to_string(type);
}

std::string Target(const std::string& project, const std::string& task) {
    return task.empty() ? project : project + " / " + task;
}

std::string Conditions(const CRuleInfo& info) {
    const CRuleSpec& rule = info.rule;
    std::string text;
    const auto add = [&](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (rule.programId) add("program " + info.program);
    if (!rule.path.empty()) add("path \"" + rule.path + "\"");
    if (!rule.title.empty()) add("title \"" + rule.title + "\"");
    if (rule.siteId) add("site " + info.site);
    if (!rule.address.empty()) add("address \"" + rule.address + "\"");
    if (!rule.type.empty()) add("type " + rule.type);
    if (rule.periodStart && rule.periodFinish)
        add("period " + std::to_string(rule.periodStart) + ".." + std::to_string(rule.periodFinish));
    return text.empty() ? "no condition" : text;
}

class CRulesRun {
public:
    CRulesRun(const CCommandLine& line, const CRulesOptions& options, CCuration& curation, FILE* out, FILE* err)
        : m_line(line), m_options(options), m_curation(curation), m_out(out), m_err(err) {}

    int Run() {
        const std::string& command = m_options.command;
        if (command == "projects") return Projects();
        if (command == "tasks") return Tasks();
        if (command == "list") return ListRules();
        if (command == "add" || command == "change" || command == "remove" || command == "test") return Rule();
        if (command == "uncategorized") return Uncategorized();
        if (command == "rows") return Rows();
        if (command == "apply") return Apply();
        if (command == "assign") return Assign();
        if (command == "forget") return Forget();
        if (command == "log") return Log();
        return Undo();
    }

private:
    // The exit status of a library result; says why when it is no success.
    int Status(int result, const std::string& nothing = "") {
        if (result == curation::kDone) return 0;
        const std::string why = result == curation::kNothing && !nothing.empty() ? nothing : m_curation.LastError();
        std::fprintf(m_err, "qlorules: %s\n", why.empty() ? "nothing to do" : why.c_str());
        return 1;
    }
    // A command line the parser let through that the command cannot take.
    int Usage(const std::string& why) {
        return AnswerCommandLine(kQlorulesCommandLine, false, m_line, why, m_out, m_err);
    }
    // A catalogue change: what was done, and the collector's answer.
    int Changed(int result, const std::string& done) {
        if (result != curation::kDone) return Status(result, "nothing changed");
        if (m_options.format == RulesFormat::Json)
            Json({{"done", done}, {"reload", m_curation.ReloadMessage()}});
        else
            std::fprintf(m_out, "%s\n", done.c_str());
        std::fprintf(m_err, "qlorules: %s\n", m_curation.ReloadMessage().c_str());
        return 0;
    }
    void Json(const nlohmann::json& value) {
        std::fprintf(m_out, "%s\n", value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    }
    template <class T>
    int Show(const T& values, const CTextTable& table) {
        if (m_options.format == RulesFormat::Json)
            Json(values);
        else
            table.Write(m_out, m_options.format);
        return 0;
    }
    // The id in word `at`; 0 when it is missing or none.
    int32_t Id(size_t at) const {
        if (at >= m_options.words.size()) return 0;
        const std::string& word = m_options.words[at];
        return word.find_first_not_of("0123456789") == std::string::npos && word.size() < 10 ? std::stoi(word) : 0;
    }
    const std::string Word(size_t at) const { return at < m_options.words.size() ? m_options.words[at] : ""; }

    int Projects() {
        const std::string verb = Word(0);
        int32_t id = Id(1);
        if (verb.empty()) {
            std::vector<CProjectInfo> projects;
            if (const int listed = m_curation.ListProjects(projects); listed != 1) return Status(listed);
            CTextTable table{{"id", "project", "hidden"}, {}};
            for (const CProjectInfo& p : projects)
                table.rows.push_back({std::to_string(p.id), p.name, p.hidden ? "hidden" : ""});
            return Show(projects, table);
        }
        if (verb == "add" && m_options.words.size() == 2) {
            const int added = m_curation.AddProject(Word(1), id);
            return Changed(added, "project " + std::to_string(id) + " added");
        }
        if (verb == "rename" && id && m_options.words.size() == 3)
            return Changed(m_curation.RenameProject(id, Word(2)), "project " + std::to_string(id) + " renamed");
        if ((verb == "hide" || verb == "show") && id && m_options.words.size() == 2)
            return Changed(m_curation.HideProject(id, verb == "hide"),
                           "project " + std::to_string(id) + (verb == "hide" ? " hidden" : " shown"));
        return Usage("projects takes nothing, add NAME, rename ID NAME, hide ID or show ID");
    }

    int Tasks() {
        const std::string verb = Word(0);
        int32_t id = Id(1);
        if (verb.empty()) {
            std::vector<CTaskInfo> tasks;
            if (const int listed = m_curation.ListTasks(m_options.projectId, tasks); listed != 1) return Status(listed);
            CTextTable table{{"id", "project", "task", "hidden", "default"}, {}};
            for (const CTaskInfo& t : tasks)
                table.rows.push_back({std::to_string(t.id), std::to_string(t.projectId), t.name,
                                      t.hidden ? "hidden" : "", t.isDefault ? "default" : ""});
            return Show(tasks, table);
        }
        if (verb == "add" && m_options.words.size() == 2 && m_options.projectId) {
            const int added = m_curation.AddTask(m_options.projectId, Word(1), id);
            return Changed(added, "task " + std::to_string(id) + " added");
        }
        if (verb == "rename" && id && m_options.words.size() == 3)
            return Changed(m_curation.RenameTask(id, Word(2)), "task " + std::to_string(id) + " renamed");
        if ((verb == "hide" || verb == "show") && id && m_options.words.size() == 2)
            return Changed(m_curation.HideTask(id, verb == "hide"),
                           "task " + std::to_string(id) + (verb == "hide" ? " hidden" : " shown"));
        return Usage("tasks takes nothing, add NAME --project ID, rename ID NAME, hide ID or show ID");
    }

    int ListRules() {
        std::vector<CRuleInfo> rules;
        if (const int listed = m_curation.ListRules(rules); listed != 1) return Status(listed);
        CTextTable table{{"id", "project / task", "conditions", "priority", "in force"}, {}};
        for (const CRuleInfo& r : rules)
            table.rows.push_back({std::to_string(r.rule.id), Target(r.project, r.task), Conditions(r),
                                  std::to_string(r.rule.priority), r.rule.inForce ? "yes" : "no"});
        return Show(rules, table);
    }

    bool Given(const char* name) const {
        for (const std::string& option : m_options.ruleOptions)
            if (option == name) return true;
        return false;
    }

    // The rule of the command line: rule `id`'s (when given) with the options
    // given in place of its own. 1; otherwise the exit status.
    int BuildRule(int32_t id, CRuleSpec& rule) {
        rule = m_options.rule;
        if (id) {
            std::vector<CRuleInfo> rules;
            if (const int listed = m_curation.ListRules(rules); listed != 1) return Status(listed);
            bool found = false;
            for (const CRuleInfo& info : rules)
                if (info.rule.id == id) {
                    found = true;
                    rule = info.rule;
                }
            if (!found) {
                std::fprintf(m_err, "qlorules: rule %ld does not exist\n", static_cast<long>(id));
                return 1;
            }
            const CRuleSpec& given = m_options.rule;
            if (m_options.projectId) rule.projectId = given.projectId;
            if (m_options.projectId || m_options.taskId) rule.taskId = given.taskId;
            if (Given("--path")) rule.path = given.path;
            if (Given("--title")) rule.title = given.title;
            if (Given("--address")) rule.address = given.address;
            if (Given("--type")) rule.type = given.type;
            if (Given("--period")) rule.periodStart = given.periodStart, rule.periodFinish = given.periodFinish;
            if (Given("--priority")) rule.priority = given.priority;
            if (Given("--off")) rule.inForce = false;
        }
        // An empty --program or --site takes the condition away.
        if (Given("--program")) {
            rule.programId = 0;
            if (!m_options.program.empty())
                if (const int found = m_curation.FindProgram(m_options.program, rule.programId); found != 1)
                    return Status(found);
        }
        if (Given("--site")) {
            rule.siteId = 0;
            if (!m_options.site.empty())
                if (const int found = m_curation.FindSite(m_options.site, rule.siteId); found != 1)
                    return Status(found);
        }
        return 1;
    }

    int Rule() {
        const std::string& command = m_options.command;
        const int32_t id = Id(0);
        const size_t words = command == "add" ? 0 : command == "test" && !id ? 0 : 1;
        if (m_options.words.size() != words || (words == 1 && !id))
            return Usage(command + (words ? " takes one rule id" : " takes no word besides its options"));
        if (command == "remove") return Changed(m_curation.RemoveRule(id), "rule " + std::to_string(id) + " removed");
        CRuleSpec rule;
        if (const int built = BuildRule(id, rule); built != 1) return built;
        if (command == "add") {
            const int added = m_curation.AddRule(rule);
            return Changed(added, "rule " + std::to_string(rule.id) + " added");
        }
        if (command == "change") return Changed(m_curation.ChangeRule(rule), "rule " + std::to_string(id) + " changed");
        CPreview preview;
        const int previewed = m_curation.Preview(rule, m_options.from, m_options.to,
                                                 m_options.limit ? m_options.limit : kPreviewRows, preview);
        if (previewed != curation::kDone)
            return Status(previewed, "the rule catches no stored row from " + FormatDate(m_options.from) + " to " +
                                         FormatDate(m_options.to));
        CTextTable table{{"row", "start", "time", "type", "program", "title", "now", "with the rule"}, {}};
        for (const CPreviewRow& p : preview.rows)
            table.rows.push_back({RowName(p.row.month, p.row.id), FormatMoment(p.row.start),
                                  FormatDuration(p.row.seconds), TypeName(p.row.type), p.row.program, p.row.title,
                                  Target(p.row.project, p.row.task),
                                  p.changes ? Target(p.newProject, p.newTask) : "(unchanged)"});
        Show(preview, table);
        if (m_options.format == RulesFormat::Table)
            std::fprintf(
                m_out, "%lld rows (%s) caught; %lld (%s) would change%s\n", static_cast<long long>(preview.caughtRows),
                FormatDuration(preview.caughtSeconds).c_str(), static_cast<long long>(preview.changingRows),
                FormatDuration(preview.changingSeconds).c_str(),
                preview.caughtRows > static_cast<int64_t>(preview.rows.size()) ? "; the first are listed" : "");
        return 0;
    }

    int Uncategorized() {
        std::vector<CUncategorizedItem> items;
        const int found = m_curation.Uncategorized(m_options.from, m_options.to,
                                                   m_options.limit ? m_options.limit : kUncategorizedTop, items);
        if (found != curation::kDone)
            return Status(
                found, "no uncategorized time from " + FormatDate(m_options.from) + " to " + FormatDate(m_options.to));
        CTextTable table{{"kind", "id", "text", "time", "rows"}, {}};
        for (const CUncategorizedItem& item : items)
            table.rows.push_back({item.kind, item.id ? std::to_string(item.id) : "", item.text,
                                  FormatDuration(item.seconds), std::to_string(item.rows)});
        return Show(items, table);
    }

    int Rows() {
        std::vector<CRowInfo> rows;
        const int found = m_curation.Rows(m_options.from, m_options.to, rows);
        if (found != curation::kDone)
            return Status(found,
                          "nothing recorded from " + FormatDate(m_options.from) + " to " + FormatDate(m_options.to));
        CTextTable table{{"row", "start", "finish", "time", "type", "program", "title", "project / task"}, {}};
        for (const CRowInfo& r : rows)
            table.rows.push_back({RowName(r.month, r.id), FormatMoment(r.start), FormatMoment(r.finish),
                                  FormatDuration(r.seconds), TypeName(r.type), r.program, r.title,
                                  Target(r.project, r.task)});
        return Show(rows, table);
    }

    int Apply() {
        CApplyResult result;
        const int applied = m_curation.Apply(m_options.from, m_options.to, m_options.dryRun, result);
        if (applied != curation::kDone && applied != curation::kNothing) return Status(applied);
        CTextTable table{{"project / task", "before", "after"}, {}};
        for (const CTotalChange& t : result.totals)
            table.rows.push_back({Target(t.project, t.task), FormatDuration(t.before), FormatDuration(t.after)});
        Show(result, table);
        if (m_options.format == RulesFormat::Table)
            std::fprintf(m_out, "%lld of %lld rows (%s) %s%s\n", static_cast<long long>(result.changedRows),
                         static_cast<long long>(result.checkedRows), FormatDuration(result.changedSeconds).c_str(),
                         m_options.dryRun ? "would change" : "changed",
                         result.editId ? ("; undo with: qlorules undo " + std::to_string(result.editId)).c_str() : "");
        return applied == curation::kDone ? 0 : Status(applied, "no row changes: they already follow the rules");
    }

    int Assign() {
        if (!m_options.projectId) return Usage("assign needs --project ID");
        if (m_options.rows.empty() == !m_options.hasRange || !m_options.words.empty())
            return Usage("assign takes either --row ROW... or --from T --to T");
        int64_t edit = 0;
        const int assigned =
            m_options.rows.empty()
                ? m_curation.AssignSpan(m_options.from, m_options.to, m_options.projectId, m_options.taskId, edit)
                : m_curation.Assign(m_options.rows, m_options.projectId, m_options.taskId, edit);
        if (assigned != curation::kDone)
            return Status(assigned, "no row changes: they already have that project and task");
        CEditInfo info;
        std::vector<CEditInfo> edits;
        m_curation.ListEdits(1, edits);
        if (!edits.empty()) info = edits.front();
        if (m_options.format == RulesFormat::Json)
            Json(info);
        else
            std::fprintf(m_out, "%lld rows assigned; undo with: qlorules undo %lld\n",
                         static_cast<long long>(info.rows), static_cast<long long>(edit));
        return 0;
    }

    int Forget() {
        if (!m_options.hasRange) return Usage("forget needs --from and --to: what it removes cannot be brought back");
        CForgetResult result;
        const int forgot = m_curation.Forget(m_options.from, m_options.to, m_options.whole, result);
        if (forgot != curation::kDone)
            return Status(forgot, "nothing recorded from " + FormatMoment(m_options.from) + " to " +
                                      FormatMoment(m_options.to) + " (" + result.collector + ")");
        if (m_options.format == RulesFormat::Json) {
            Json({{"rows", result.rows},
                  {"held", result.held},
                  {"collector", result.collector},
                  {"sitesCleared", result.sitesCleared},
                  {"editRowsCleared", result.editRowsCleared}});
            return 0;
        }
        std::fprintf(m_out, "%lld stored rows %s; %s\n", static_cast<long long>(result.rows),
                     m_options.whole ? "made Offline, nothing recorded" : "without titles and addresses",
                     result.collector.c_str());
        return 0;
    }

    int Log() {
        std::vector<CEditInfo> edits;
        if (const int listed = m_curation.ListEdits(m_options.limit, edits); listed != 1) return Status(listed);
        if (edits.empty()) return Status(curation::kNothing, "no edits yet");
        CTextTable table{{"edit", "made", "kind", "rows", "state", "what"}, {}};
        for (const CEditInfo& e : edits)
            table.rows.push_back({std::to_string(e.id), FormatMoment(e.made), e.kind, std::to_string(e.rows),
                                  e.state == "undone" ? "undone " + FormatMoment(e.undoneAt) : e.state, e.summary});
        return Show(edits, table);
    }

    int Undo() {
        if (m_options.words.size() > 1 || (m_options.words.size() == 1 && !Id(0)))
            return Usage("undo takes at most one edit number");
        CEditInfo undone;
        const int result = m_curation.Undo(Id(0), undone);
        if (result != curation::kDone) return Status(result);
        if (m_options.format == RulesFormat::Json)
            Json(undone);
        else
            std::fprintf(m_out, "edit %lld undone: %s\n", static_cast<long long>(undone.id), undone.summary.c_str());
        return 0;
    }

    const CCommandLine& m_line;
    const CRulesOptions& m_options;
    CCuration& m_curation;
    FILE* m_out;
    FILE* m_err;
};
}  // namespace

int RunQlorules(int argc, const char* const* argv, FILE* out, FILE* err) {
    CCommandLine line;
    CRulesOptions options;
    std::string error;
    const bool parsed = ParseRulesOptions(argc, argv, NowTimeStamp(), line, options, error);
    if (const int answered = AnswerCommandLine(kQlorulesCommandLine, parsed, line, error, out, err); answered >= 0)
        return answered;
    std::string folder;
    if (ToolDatabaseFolder(options.dataFolder, folder, error) != 1) {
        std::fprintf(err, "qlorules: %s\n", error.c_str());
        return 1;
    }
    if (options.command == "serve") return ServePage(folder, options.port, options.openBrowser, out, err);
    CCuration curation(folder);
    if (curation.Open() != curation::kDone) {
        std::fprintf(err, "qlorules: %s\n", curation.LastError().c_str());
        return 1;
    }
    return CRulesRun(line, options, curation, out, err).Run();
}
