// CCuration: opening, the catalogue (projects, tasks, rules), and the edit
// log with undo.
#include "curation/curation.h"

#include <cctype>
#include <map>

#include "curation/curation_impl.h"
#include "curation/rule_check.h"
#include "platform/path_exists.h"
#include "platform/text.h"
#include "sensing/time_stamp.h"

namespace {
constexpr int kNameLimit = 254;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

bool CaseInsensitiveEqual(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool SameRow(int64_t project, int64_t task, int64_t wantedProject, int64_t wantedTask) {
    return project == wantedProject && task == wantedTask;
}
}  // namespace

CCuration::CCuration(std::string folderUtf8, std::function<int64_t()> now)
    : m_impl(std::make_unique<CImpl>(
          *this, std::move(folderUtf8), now ? std::move(now) : [] { return NowTimeStamp(); })) {}

CCuration::~CCuration() = default;

int CCuration::Open() {
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    if (const int opened = m_impl->m_log.Open(m_impl->m_folder, m_busyLimitMs); opened != 1)
        return m_impl->Fail(opened, m_impl->m_log.Error());
    return m_impl->Settle();
}

int CCuration::CImpl::Settle() {
    std::vector<CEditInfo> edits;
    if (const int read = m_log.Unsettled(edits); read != 1) return Fail(read, m_log.Error());
    for (const CEditInfo& edit : edits) {
        const bool undoing = edit.state == "undoing";
        std::vector<CCatalogueChange> catalogue;
        std::vector<CRowChange> rows;
        if (m_log.Catalogue(edit.id, catalogue) != 1 || m_log.Rows(edit.id, rows) != 1)
            return Fail(curation::kFailed, m_log.Error());
        bool stillBefore = !catalogue.empty();
        for (const CCatalogueChange& change : catalogue) {
            CSqlFile func;
            std::string now;
            if (OpenFunc(func) != 1 || RowJson(func, change.table, change.row, now) != 1) return curation::kFailed;
            stillBefore = stillBefore && now == change.before;
        }
        // Row by row: a row still holding its values before was not changed
        // (pending) or was already restored (undoing).
        std::map<std::string, std::vector<CRowChange>> byFile;
        for (const CRowChange& change : rows)
            byFile[change.file].push_back(change);
        for (auto& [name, changes] : byFile) {
            CSqlFile file;
            if (!Utf8PathExists(m_folder + "/" + name)) continue;
            if (const int opened = file.Open(m_folder + "/" + name, false, m_owner.m_busyLimitMs); opened != 1)
                return Fail(opened, file);
            std::vector<CRowChange> unchanged, unrestored;
            CRowTargets targets(file);
            for (const CRowChange& change : changes) {
                int64_t project = 0, task = 0;
                if (targets.Read(change.row, project, task) != 1) continue;
                if (SameRow(project, task, change.afterProject, change.afterTask))
                    unrestored.push_back(change);
                else if (SameRow(project, task, change.beforeProject, change.beforeTask))
                    unchanged.push_back(change);
            }
            if (!undoing && !unchanged.empty()) m_log.DropRows(edit.id, unchanged);
            if (undoing && !unrestored.empty()) {
                std::pair<int64_t, int64_t> span;
                int result = file.Begin();
                if (result == 1) result = WriteRows(file, unrestored, true, span);
                if (result == 1) result = file.Commit();
                if (result != 1) {
                    file.Rollback();
                    return Fail(result, file);
                }
                RecordSpan(span);
            }
        }
        if (undoing) {
            m_log.SetState(edit.id, stillBefore || catalogue.empty() ? "undone" : "done", m_now());
        } else if (!catalogue.empty()) {
            if (stillBefore)
                m_log.Remove(edit.id);
            else
                m_log.SetState(edit.id, "done");
        } else {
            FinishRows(edit.id);
        }
    }
    return curation::kDone;
}

// --- Catalogue ---------------------------------------------------------------

namespace {
// Why `name` cannot name a project or task, or "".
std::string NameProblem(const std::string& name) {
    if (name.empty()) return "a name cannot be empty";
    if (Utf8ToNarrow(name).size() > static_cast<size_t>(kNameLimit))
        return "the name is longer than " + std::to_string(kNameLimit) + " characters";
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "the name holds a control character";
    return "";
}
}  // namespace

int CCuration::ListProjects(std::vector<CProjectInfo>& out) {
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    std::map<int32_t, CProjectInfo> sorted;
    for (const auto& [id, project] : reader.Catalogue().Projects())
        sorted[id] = {id, NarrowToUtf8(project.GetName()), project.GetDeleted() >= 1};
    for (auto& [id, project] : sorted)
        out.push_back(std::move(project));
    return curation::kDone;
}

int CCuration::ListTasks(int32_t projectId, std::vector<CTaskInfo>& out) {
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    std::map<int32_t, CTaskInfo> sorted;
    for (const auto& [id, task] : reader.Catalogue().TasksById())
        if (projectId == 0 || task.GetProjectId() == projectId)
            sorted[id] = {id, task.GetProjectId(), NarrowToUtf8(task.GetName()), task.GetDeleted() >= 1,
                          task.GetIsDefault() > 0};
    for (auto& [id, task] : sorted)
        out.push_back(std::move(task));
    return curation::kDone;
}

int CCuration::AddProject(const std::string& name, int32_t& id) {
    if (const std::string problem = NameProblem(name); !problem.empty())
        return m_impl->Fail(curation::kRefused, problem);
    std::vector<CProjectInfo> projects;
    if (const int listed = ListProjects(projects); listed != 1) return listed;
    for (const CProjectInfo& project : projects)
        if (!project.hidden && project.name == name)
            return m_impl->Fail(curation::kRefused,
                                "a project named " + Quoted(name) + " exists: " + std::to_string(project.id));
    int64_t row = 0;
    const int result = m_impl->ChangeCatalogue(
        "project", "add project " + Quoted(name), "T_Projects", row, [&](CSqlFile& func, int64_t& added) {
            CSqlStatement insert(func,
                                 "insert into T_Projects (Name, Description, Status, CreateDate, ExternalPMSType, "
                                 "ExternalId, ExternalKey, DeleteDate, Deleted) values (?, '', 0, ?, 0, 0, '', 0, 0)");
            const int inserted = insert.Bind(1, Utf8ToNarrow(name)).Bind(2, m_impl->m_now()).Run();
            added = func.LastInsertId();
            return inserted;
        });
    id = static_cast<int32_t>(row);
    return result;
}

namespace {
// Renames a catalogue row (`sql` binds the name, then the id).
int Rename(CSqlFile& func, const char* sql, const std::string& name, int64_t row) {
    CSqlStatement update(func, sql);
    return update.Bind(1, Utf8ToNarrow(name)).Bind(2, row).Run();
}
}  // namespace

int CCuration::RenameProject(int32_t id, const std::string& name) {
    if (const std::string problem = NameProblem(name); !problem.empty())
        return m_impl->Fail(curation::kRefused, problem);
    std::vector<CProjectInfo> projects;
    if (const int listed = ListProjects(projects); listed != 1) return listed;
    bool exists = false;
    for (const CProjectInfo& project : projects) {
        exists = exists || project.id == id;
        if (!project.hidden && project.name == name && project.id != id)
            return m_impl->Fail(curation::kRefused,
                                "a project named " + Quoted(name) + " exists: " + std::to_string(project.id));
    }
    if (!exists) return m_impl->Fail(curation::kRefused, "project " + std::to_string(id) + " does not exist");
    int64_t row = id;
    return m_impl->ChangeCatalogue("project", "rename project " + std::to_string(id) + " to " + Quoted(name),
                                   "T_Projects", row, [&](CSqlFile& func, int64_t& at) {
                                       return Rename(func, "update T_Projects set Name = ? where Id_Project = ?", name,
                                                     at);
                                   });
}

int CCuration::HideProject(int32_t id, bool hidden) {
    std::vector<CProjectInfo> projects;
    if (const int listed = ListProjects(projects); listed != 1) return listed;
    bool exists = false;
    for (const CProjectInfo& project : projects)
        exists = exists || project.id == id;
    if (!exists) return m_impl->Fail(curation::kRefused, "project " + std::to_string(id) + " does not exist");
    int64_t row = id;
    const int64_t when = hidden ? m_impl->m_now() : 0;
    return m_impl->ChangeCatalogue(
        "project", (hidden ? "hide project " : "show project ") + std::to_string(id), "T_Projects", row,
        [&](CSqlFile& func, int64_t& at) {
            CSqlStatement update(func, "update T_Projects set Deleted = ?, DeleteDate = ? where Id_Project = ?");
            return update.Bind(1, hidden ? 1 : 0).Bind(2, when).Bind(3, at).Run();
        });
}

int CCuration::AddTask(int32_t projectId, const std::string& name, int32_t& id) {
    if (const std::string problem = NameProblem(name); !problem.empty())
        return m_impl->Fail(curation::kRefused, problem);
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    if (const int target = m_impl->CheckTarget(reader.Catalogue(), projectId, 0); target != 1) return target;
    for (const auto& [taskId, task] : reader.Catalogue().TasksById())
        if (task.GetProjectId() == projectId && task.GetDeleted() < 1 && NarrowToUtf8(task.GetName()) == name)
            return m_impl->Fail(curation::kRefused, "project " + std::to_string(projectId) + " has a task named " +
                                                        Quoted(name) + ": " + std::to_string(taskId));
    int64_t row = 0;
    const int result = m_impl->ChangeCatalogue(
        "task", "add task " + Quoted(name) + " to project " + std::to_string(projectId), "T_Tasks", row,
        [&](CSqlFile& func, int64_t& added) {
            CSqlStatement insert(func,
                                 "insert into T_Tasks (Id_Project, Id_ParentTask, Name, Description, Status, "
                                 "CreateDate, ExternalPMSType, ExternalId, ExternalStatus, ExternalKey, "
                                 "ExternalStatusName, DeleteDate, Deleted, IsDefault) values (?, 0, ?, '', 0, ?, "
                                 "0, 0, 0, '', '', 0, 0, 0)");
            const int inserted = insert.Bind(1, projectId).Bind(2, Utf8ToNarrow(name)).Bind(3, m_impl->m_now()).Run();
            added = func.LastInsertId();
            return inserted;
        });
    id = static_cast<int32_t>(row);
    return result;
}

int CCuration::RenameTask(int32_t id, const std::string& name) {
    if (const std::string problem = NameProblem(name); !problem.empty())
        return m_impl->Fail(curation::kRefused, problem);
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    const CDBTask* task = reader.Catalogue().FindTask(id);
    if (!task) return m_impl->Fail(curation::kRefused, "task " + std::to_string(id) + " does not exist");
    for (const auto& [otherId, other] : reader.Catalogue().TasksById())
        if (otherId != id && other.GetProjectId() == task->GetProjectId() && other.GetDeleted() < 1 &&
            NarrowToUtf8(other.GetName()) == name)
            return m_impl->Fail(curation::kRefused,
                                "the project has a task named " + Quoted(name) + ": " + std::to_string(otherId));
    int64_t row = id;
    return m_impl->ChangeCatalogue("task", "rename task " + std::to_string(id) + " to " + Quoted(name), "T_Tasks", row,
                                   [&](CSqlFile& func, int64_t& at) {
                                       return Rename(func, "update T_Tasks set Name = ? where Id_Task = ?", name, at);
                                   });
}

int CCuration::HideTask(int32_t id, bool hidden) {
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    if (!reader.Catalogue().FindTask(id))
        return m_impl->Fail(curation::kRefused, "task " + std::to_string(id) + " does not exist");
    int64_t row = id;
    const int64_t when = hidden ? m_impl->m_now() : 0;
    return m_impl->ChangeCatalogue("task", (hidden ? "hide task " : "show task ") + std::to_string(id), "T_Tasks", row,
                                   [&](CSqlFile& func, int64_t& at) {
                                       CSqlStatement update(
                                           func, "update T_Tasks set Deleted = ?, DeleteDate = ? where Id_Task = ?");
                                       return update.Bind(1, hidden ? 1 : 0).Bind(2, when).Bind(3, at).Run();
                                   });
}

// --- Rules -------------------------------------------------------------------

int CCuration::ListRules(std::vector<CRuleInfo>& out) {
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    const CCatalogue& catalogue = reader.Catalogue();
    CDBRule stored;
    for (int32_t i = 0; i < catalogue.Rules().Count(); ++i) {
        if (catalogue.Rules().Pop(i, stored) != 1) continue;
        CRuleInfo info{FromStoredRule(stored), CImpl::ProjectName(catalogue, stored.GetProjectId()),
                       CImpl::TaskName(catalogue, stored.GetTaskId()), "", ""};
        if (const CDBApp* app = catalogue.FindApp(stored.GetAppId())) info.program = NarrowToUtf8(app->GetFileName());
        if (const CDBSite* site = catalogue.FindSite(stored.GetSiteId())) info.site = NarrowToUtf8(site->GetURL());
        out.push_back(std::move(info));
    }
    return curation::kDone;
}

int CCuration::CheckRule(const CRuleSpec& rule) {
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    const std::string problem = RuleProblem(rule, reader.Catalogue());
    return problem.empty() ? curation::kDone : m_impl->Fail(curation::kRefused, problem);
}

namespace {
// The values of a rule's row, bound from position 1 in the column order of
// "Id_RulesGroup, Status, Id_App, Id_Task, Id_Project, Title, Id_Site, URL,
// Path, TimeStart, TimeFinish, AppType" (empty texts NULL, as stored).
void BindRule(CSqlStatement& statement, const CDBRule& rule) {
    const auto text = [&](int at, const char* value) {
        if (*value)
            statement.Bind(at, std::string(value));
        else
            statement.BindNull(at);
    };
    statement.Bind(1, rule.GetRulesGroupId()).Bind(2, rule.GetStatus()).Bind(3, rule.GetAppId());
    statement.Bind(4, rule.GetTaskId()).Bind(5, rule.GetProjectId());
    text(6, rule.GetTitle());
    statement.Bind(7, rule.GetSiteId());
    text(8, rule.GetURL());
    text(9, rule.GetPath());
    statement.Bind(10, rule.GetTimeStart()).Bind(11, rule.GetTimeFinish()).Bind(12, rule.GetAppType());
}
}  // namespace

int CCuration::AddRule(CRuleSpec& rule) {
    CRuleSpec fresh = rule;
    fresh.id = 0;
    if (const int checked = CheckRule(fresh); checked != 1) return checked;
    int64_t row = 0;
    const int result = m_impl->ChangeCatalogue(
        "rule", "add a rule for project " + std::to_string(rule.projectId), "T_Rules", row,
        [&](CSqlFile& func, int64_t& added) {
            CSqlStatement insert(func,
                                 "insert into T_Rules (Id_RulesGroup, Status, Id_App, Id_Task, Id_Project, Title, "
                                 "Id_Site, URL, Path, TimeStart, TimeFinish, AppType) values (?, ?, ?, ?, ?, ?, "
                                 "?, ?, ?, ?, ?, ?)");
            BindRule(insert, ToStoredRule(fresh));
            const int inserted = insert.Run();
            added = func.LastInsertId();
            return inserted;
        });
    if (result == 1) rule.id = static_cast<int32_t>(row);
    return result;
}

int CCuration::ChangeRule(const CRuleSpec& rule) {
    std::vector<CRuleInfo> rules;
    if (const int listed = ListRules(rules); listed != 1) return listed;
    bool exists = false;
    for (const CRuleInfo& info : rules)
        exists = exists || info.rule.id == rule.id;
    if (!exists) return m_impl->Fail(curation::kRefused, "rule " + std::to_string(rule.id) + " does not exist");
    if (const int checked = CheckRule(rule); checked != 1) return checked;
    int64_t row = rule.id;
    return m_impl->ChangeCatalogue(
        "rule", "change rule " + std::to_string(rule.id), "T_Rules", row, [&](CSqlFile& func, int64_t& at) {
            CSqlStatement update(func,
                                 "update T_Rules set Id_RulesGroup = ?, Status = ?, Id_App = ?, Id_Task = ?, "
                                 "Id_Project = ?, Title = ?, Id_Site = ?, URL = ?, Path = ?, TimeStart = ?, "
                                 "TimeFinish = ?, AppType = ? where Id_Rule = ?");
            BindRule(update, ToStoredRule(rule));
            return update.Bind(13, at).Run();
        });
}

int CCuration::RemoveRule(int32_t id) {
    std::vector<CRuleInfo> rules;
    if (const int listed = ListRules(rules); listed != 1) return listed;
    bool exists = false;
    for (const CRuleInfo& info : rules)
        exists = exists || info.rule.id == id;
    if (!exists) return m_impl->Fail(curation::kRefused, "rule " + std::to_string(id) + " does not exist");
    int64_t row = id;
    return m_impl->ChangeCatalogue("rule", "remove rule " + std::to_string(id), "T_Rules", row,
                                   [&](CSqlFile& func, int64_t& at) {
                                       CSqlStatement remove(func, "delete from T_Rules where Id_Rule = ?");
                                       return remove.Bind(1, at).Run();
                                   });
}

int CCuration::FindProgram(const std::string& text, int32_t& id) {
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    std::vector<int32_t> found;
    for (const auto& [appId, app] : reader.Catalogue().Apps())
        if (text == std::string("#").append(std::to_string(appId)) ||
            CaseInsensitiveEqual(NarrowToUtf8(app.GetFileName()), text))
            found.push_back(appId);
    if (found.size() == 1) {
        id = found.front();
        return curation::kDone;
    }
    if (found.empty()) return m_impl->Fail(curation::kRefused, "no program " + Quoted(text) + " has been recorded");
    std::string ids;
    for (const int32_t appId : found)
        ids += " #" + std::to_string(appId);
    return m_impl->Fail(curation::kRefused, "several programs are named " + Quoted(text) + ": give one of" + ids);
}

int CCuration::FindSite(const std::string& text, int32_t& id) {
    CActivityReader reader(m_impl->m_folder);
    if (const int loaded = m_impl->Load(reader); loaded != 1) return loaded;
    for (const auto& [siteId, site] : reader.Catalogue().Sites())
        if (text == std::string("#").append(std::to_string(siteId)) ||
            CaseInsensitiveEqual(NarrowToUtf8(site.GetURL()), text)) {
            id = siteId;
            return curation::kDone;
        }
    return m_impl->Fail(curation::kRefused, "no site " + Quoted(text) + " has been recorded");
}

// --- Edit log ----------------------------------------------------------------

int CCuration::ListEdits(int limit, std::vector<CEditInfo>& out) {
    const int listed = m_impl->m_log.List(limit, out);
    return listed == 1 ? curation::kDone : m_impl->Fail(listed, m_impl->m_log.Error());
}

namespace {
const char* RowKind(const std::string& table) {
    return table == "T_Projects" ? "project" : table == "T_Tasks" ? "task" : "rule";
}
}  // namespace

int CCuration::Undo(int64_t id, CEditInfo& undone) {
    CEditLog& log = m_impl->m_log;
    if (id == 0) {
        const int newest = log.NewestDone(id);
        if (newest != 1)
            return newest == curation::kNothing ? m_impl->Fail(curation::kNothing, "no edit to undo")
                                                : m_impl->Fail(newest, log.Error());
    }
    const int found = log.Get(id, undone);
    if (found != 1)
        return m_impl->Fail(found == curation::kNothing ? curation::kRefused : found,
                            found == curation::kNothing ? "there is no edit " + std::to_string(id) : log.Error());
    if (undone.state == "undone")
        return m_impl->Fail(curation::kRefused, "edit " + std::to_string(id) + " was already undone");
    if (undone.state == "forgotten")
        return m_impl->Fail(curation::kRefused, "edit " + std::to_string(id) +
                                                    " cannot be undone: every row it changed was forgotten since");
    if (undone.state != "done")
        return m_impl->Fail(curation::kRefused, "edit " + std::to_string(id) + " is still being made or undone");
    std::vector<CCatalogueChange> catalogue;
    std::vector<CRowChange> rows;
    if (log.Catalogue(id, catalogue) != 1 || log.Rows(id, rows) != 1)
        return m_impl->Fail(curation::kFailed, log.Error());

    for (const CCatalogueChange& change : catalogue) {
        CSqlFile func;
        if (const int opened = m_impl->OpenFunc(func); opened != 1) return opened;
        int result = func.Begin();
        std::string now;
        if (result == 1) result = CImpl::RowJson(func, change.table, change.row, now);
        if (result != 1) return m_impl->Fail(result, func);
        const std::string what = std::string(RowKind(change.table)) + " " + std::to_string(change.row);
        if (now != change.after) {
            func.Rollback();
            return m_impl->Fail(curation::kRefused, "cannot undo edit " + std::to_string(id) + ": " + what +
                                                        " was changed since; undo the later edits of it first");
        }
        if (change.before.empty()) {
            const std::string users = m_impl->UsersOf(func, change.table, change.row, undone.made);
            if (!users.empty()) {
                func.Rollback();
                return m_impl->Fail(curation::kRefused,
                                    "cannot undo edit " + std::to_string(id) + ": " + what + " is in use by " + users);
            }
        }
        result = log.SetState(id, "undoing");
        if (result == 1) result = CImpl::RestoreRow(func, change.table, change.row, change.before);
        if (result == 1) result = func.Commit();
        if (result != 1) {
            func.Rollback();
            log.SetState(id, "done");
            return m_impl->Fail(result, func);
        }
    }

    std::map<std::string, std::vector<CRowChange>> byFile;
    for (const CRowChange& change : rows)
        byFile[change.file].push_back(change);
    // Every row must still hold what the edit wrote; checked in each file's
    // transaction, and for an edit of several files first for all of them.
    const auto check = [&](CSqlFile& file, const std::vector<CRowChange>& changes) {
        CRowTargets targets(file);
        for (const CRowChange& change : changes) {
            int64_t project = 0, task = 0;
            const int read = targets.Read(change.row, project, task);
            if (read != 1) return read == curation::kNothing ? curation::kRefused : read;
            if (!SameRow(project, task, change.afterProject, change.afterTask)) {
                const int64_t later = log.LaterEditOf(id, change.file, change.row);
                return m_impl->Fail(curation::kRefused,
                                    "cannot undo edit " + std::to_string(id) + ": row " + std::to_string(change.row) +
                                        " of " + change.file + " was changed again" +
                                        (later ? " by edit " + std::to_string(later) + "; undo that first" : " since"));
            }
        }
        return 1;
    };
    std::map<std::string, CSqlFile> files;
    for (const auto& [name, changes] : byFile) {
        CSqlFile& file = files[name];
        if (const int opened = file.Open(m_impl->m_folder + "/" + name, false, m_busyLimitMs); opened != 1)
            return m_impl->Fail(opened, file);
        if (byFile.size() == 1) break;
        if (const int checked = check(file, changes); checked != 1) return checked;
    }
    if (!rows.empty() && log.SetState(id, "undoing") != 1) return m_impl->Fail(curation::kFailed, log.Error());
    bool restored = false;
    for (const auto& [name, changes] : byFile) {
        CSqlFile& file = files[name];
        std::pair<int64_t, int64_t> span;
        int result = file.Begin();
        if (result == 1) result = check(file, changes);
        if (result == 1) result = CImpl::WriteRows(file, changes, true, span);
        if (result == 1) result = file.Commit();
        if (result != 1) {
            file.Rollback();
            // Nothing restored yet: still done. Otherwise left "undoing", and
            // the next Open finishes restoring the rest.
            if (!restored) log.SetState(id, "done");
            return result == curation::kRefused ? result : m_impl->Fail(result, file);
        }
        restored = true;
        m_impl->RecordSpan(span);
    }
    const int64_t at = m_impl->m_now();
    log.SetState(id, "undone", at);
    undone.state = "undone";
    undone.undoneAt = at;
    if (!catalogue.empty()) m_impl->AskReload();
    return curation::kDone;
}
