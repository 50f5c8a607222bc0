// CCuration's shared helpers: catalogue loading, the activity files of a
// range, and the transactions that change rows and log them.
#include <algorithm>
#include <nlohmann/json.hpp>

#include "control/collector_control.h"
#include "curation/curation_impl.h"
#include "platform/path_exists.h"
#include "platform/text.h"
#include "sensing/time_stamp.h"
#include "storage/activity_file_name.h"
#include "storage/changed_ranges.h"

const char* IdColumn(const std::string& table) {
    if (table == "T_Projects") return "Id_Project";
    if (table == "T_Tasks") return "Id_Task";
    return "Id_Rule";
}

int CCuration::CImpl::Fail(int result, const std::string& message) {
    m_owner.m_error = message;
    return result;
}

int CCuration::CImpl::Load(CActivityReader& reader) {
    if (reader.Open() == 1) return curation::kDone;
    std::string problem = "the data folder " + m_folder + " cannot be read";
    for (const CFileReport& file : reader.Files())
        if (file.state != FileState::Read)
            problem = file.path + (file.state == FileState::Missing ? ": missing" : ": " + file.detail);
    return Fail(curation::kFailed, problem);
}

int CCuration::CImpl::OpenFunc(CSqlFile& file) {
    const int opened = file.Open(m_folder + "/func.db", false, m_owner.m_busyLimitMs);
    return opened == 1 ? 1 : Fail(opened, file);
}

int CCuration::CImpl::OpenMonth(CSqlFile& file, int64_t month) {
    const std::string path = m_folder + "/" + MonthFileName(month);
    if (!Utf8PathExists(path)) return curation::kNothing;
    const int opened = file.Open(path, false, m_owner.m_busyLimitMs);
    return opened == 1 ? 1 : Fail(opened, file);
}

std::vector<int64_t> CCuration::CImpl::Months(int64_t from, int64_t to) {
    std::vector<int64_t> months;
    for (int64_t month = PackTimeStamp(CLocalTime{YearOf(from), MonthOf(from), 1}); month <= to;
         month = PackTimeStamp(CLocalTime{YearOf(AddDays(month, 31)), MonthOf(AddDays(month, 31)), 1}))
        months.push_back(month);
    return months;
}

std::string CCuration::CImpl::MonthFileName(int64_t month) {
    char name[32];
    FormatActivityFileName(month, name);
    return name;
}

int CCuration::CImpl::CheckRange(int64_t from, int64_t& to) {
    const int64_t now = m_now();
    if (from > now) return Fail(curation::kRefused, "the range starts in the future: there is nothing stored yet");
    if (from > to) return Fail(curation::kRefused, "the range ends before it starts");
    if (to > now) to = now;
    return curation::kDone;
}

int CCuration::CImpl::CheckTarget(const CCatalogue& catalogue, int32_t projectId, int32_t taskId) {
    const CDBProject* project = catalogue.FindProject(projectId);
    if (!project || project->GetDeleted() >= 1)
        return Fail(curation::kRefused,
                    "project " + std::to_string(projectId) + (project ? " is hidden" : " does not exist"));
    if (taskId == 0) return curation::kDone;
    const CDBTask* task = catalogue.FindTask(taskId);
    if (!task || task->GetDeleted() >= 1)
        return Fail(curation::kRefused, "task " + std::to_string(taskId) + (task ? " is hidden" : " does not exist"));
    if (task->GetProjectId() != projectId)
        return Fail(curation::kRefused,
                    "task " + std::to_string(taskId) + " belongs to project " + std::to_string(task->GetProjectId()));
    return curation::kDone;
}

std::string CCuration::CImpl::ProjectName(const CCatalogue& catalogue, int32_t id) {
    const CDBProject* project = catalogue.FindProject(id);
    return project ? NarrowToUtf8(project->GetName()) : "";
}

std::string CCuration::CImpl::TaskName(const CCatalogue& catalogue, int32_t id) {
    const CDBTask* task = catalogue.FindTask(id);
    return task ? NarrowToUtf8(task->GetName()) : "";
}

CRowInfo CCuration::CImpl::Describe(const CCatalogue& catalogue, const CDBActivity& row, int64_t month) {
    CRowInfo info;
    info.month = month;
    info.id = row.GetId();
    info.start = row.GetStartDate();
    info.finish = row.GetFinishDate();
    info.seconds = row.GetDuration();
    info.type = row.GetActivityType();
    info.title = NarrowToUtf8(row.GetTitle());
    if (const CDBApp* app = catalogue.FindApp(row.GetAppId())) info.program = NarrowToUtf8(app->GetFileName());
    info.address = NarrowToUtf8(row.GetURL());
    info.projectId = row.GetProjectId();
    info.taskId = row.GetTaskId();
    info.project = ProjectName(catalogue, info.projectId);
    info.task = TaskName(catalogue, info.taskId);
    return info;
}

int CCuration::CImpl::ChangeCatalogue(const std::string& kind, const std::string& summary, const char* table,
                                      int64_t& row, const std::function<int(CSqlFile&, int64_t&)>& write) {
    CSqlFile func;
    if (const int opened = OpenFunc(func); opened != 1) return opened;
    CCatalogueChange change{table, row, "", ""};
    int result = func.Begin();
    if (result == 1 && row != 0) result = RowJson(func, table, row, change.before);
    if (result == 1) result = write(func, change.row);
    if (result == 1) result = RowJson(func, table, change.row, change.after);
    if (result != 1) {
        func.Rollback();
        return result == curation::kRefused ? result : Fail(result, func);
    }
    if (change.before == change.after) {
        func.Rollback();
        return curation::kNothing;
    }
    // The entry is in the log, pending, before func.db changes; at the next
    // start a pending entry whose row holds its values after is done.
    int64_t edit = 0;
    result = m_log.Begin(kind, summary, m_now(), edit);
    if (result == 1) result = m_log.AddCatalogue(edit, change);
    if (result != 1) {
        func.Rollback();
        return Fail(result, m_log.Error());
    }
    if ((result = func.Commit()) != 1) {
        func.Rollback();
        m_log.Remove(edit);
        return Fail(result, func);
    }
    m_log.SetState(edit, "done");
    row = change.row;
    AskReload();
    return curation::kDone;
}

int CCuration::CImpl::ChangeRows(CSqlFile& file, const std::string& kind, const std::string& summary, int64_t& edit,
                                 const std::function<int(std::vector<CRowChange>&)>& plan) {
    std::vector<CRowChange> changes;
    int result = file.Begin();
    if (result == 1) result = plan(changes);
    if (result == 1 && !changes.empty()) {
        // Logged first: a crash before the commit leaves log rows whose
        // activity rows still hold their values before, which Settle drops.
        if (edit == 0 && (result = m_log.Begin(kind, summary, m_now(), edit)) != 1) {
            file.Rollback();
            return Fail(result, m_log.Error());
        }
        if ((result = m_log.AddRows(edit, changes)) != 1) {
            file.Rollback();
            return Fail(result, m_log.Error());
        }
        std::pair<int64_t, int64_t> span;
        result = WriteRows(file, changes, false, span);
        if (result == 1 && (result = file.Commit()) == 1) {
            RecordSpan(span);
            return 1;
        }
        file.Rollback();
        m_log.DropRows(edit, changes);
        return Fail(result, file);
    }
    file.Rollback();
    return result == 1 || result == curation::kRefused ? result : Fail(result, file);
}

int CCuration::CImpl::FinishRows(int64_t edit) {
    CEditInfo info;
    if (edit == 0 || m_log.Get(edit, info) != 1) return curation::kNothing;
    if (info.rows == 0) {
        m_log.Remove(edit);
        return curation::kNothing;
    }
    const int result = m_log.SetState(edit, "done");
    return result == 1 ? curation::kDone : Fail(result, m_log.Error());
}

int CCuration::CImpl::WriteRows(CSqlFile& file, const std::vector<CRowChange>& changes, bool undo,
                                std::pair<int64_t, int64_t>& span) {
    CSqlStatement update(file, "update T_Activities set Id_Project = ?, Id_Task = ? where Id_Activity = ?");
    CSqlStatement start(file, "select StartDate from T_Activities where Id_Activity = ?");
    span = {0, 0};
    for (const CRowChange& change : changes) {
        if (start.Bind(1, change.row).Step() == 1) {
            span.first = span.first == 0 ? start.Int(0) : std::min(span.first, start.Int(0));
            span.second = std::max(span.second, start.Int(0));
        }
        start.Reset();
        const int64_t project = undo ? change.beforeProject : change.afterProject;
        const int64_t task = undo ? change.beforeTask : change.afterTask;
        update.BindId(1, project, project == kNullValue).BindId(2, task, task == kNullValue).Bind(3, change.row);
        if (const int result = update.Run(); result != 1) return result;
    }
    return 1;
}

void CCuration::CImpl::RecordSpan(const std::pair<int64_t, int64_t>& span) {
    std::string error;
    if (span.first != 0 && RecordChangedRange(m_folder, span.first, span.second, error, m_owner.m_busyLimitMs) != 1)
        Fail(curation::kDone, error);
}

CRowTargets::CRowTargets(CSqlFile& file)
    : m_select(file, "select Id_Project, Id_Task from T_Activities where Id_Activity = ?") {}

int CRowTargets::Read(int64_t row, int64_t& project, int64_t& task) {
    const int stepped = m_select.Bind(1, row).Step();
    if (stepped == 1) {
        project = m_select.IsNull(0) ? kNullValue : m_select.Int(0);
        task = m_select.IsNull(1) ? kNullValue : m_select.Int(1);
    }
    m_select.Reset();
    return stepped == 0 ? curation::kNothing : stepped;
}

int CCuration::CImpl::RowJson(CSqlFile& file, const std::string& table, int64_t row, std::string& json) {
    json.clear();
    CSqlStatement select(file, ("select * from " + table + " where " + IdColumn(table) + " = ?").c_str());
    const int stepped = select.Bind(1, row).Step();
    if (stepped != 1) return stepped == 0 ? 1 : stepped;
    nlohmann::json columns = nlohmann::json::object();
    for (int i = 0; i < select.Columns(); ++i) {
        const char* name = select.Name(i);
        switch (select.Type(i)) {
            case SQLITE_NULL:
                columns[name] = nullptr;
                break;
            case SQLITE_INTEGER:
                columns[name] = select.Int(i);
                break;
            default:
                columns[name] = select.Text(i);
        }
    }
    json = columns.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return 1;
}

int CCuration::CImpl::RestoreRow(CSqlFile& file, const std::string& table, int64_t row, const std::string& json) {
    if (json.empty()) {
        CSqlStatement remove(file, ("delete from " + table + " where " + IdColumn(table) + " = ?").c_str());
        return remove.Bind(1, row).Run();
    }
    const nlohmann::json columns = nlohmann::json::parse(json, nullptr, false);
    if (!columns.is_object()) return curation::kFailed;
    std::string names, marks;
    for (const auto& column : columns.items()) {
        // The names are the table's own columns, as RowJson read them.
        if (column.key().find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_") !=
            std::string::npos)
            return curation::kFailed;
        names += (names.empty() ? "" : ", ") + column.key();
        marks += marks.empty() ? "?" : ", ?";
    }
    CSqlStatement insert(file, ("insert or replace into " + table + " (" + names + ") values (" + marks + ")").c_str());
    int at = 1;
    for (const auto& column : columns.items()) {
        if (column.value().is_null())
            insert.BindNull(at);
        else if (column.value().is_number_integer())
            insert.Bind(at, column.value().get<int64_t>());
        else
            insert.Bind(at, column.value().get<std::string>());
        ++at;
    }
    return insert.Run();
}

void CCuration::CImpl::AskReload() {
    if (m_owner.m_reload) {
        m_owner.m_reloadMessage = m_owner.m_reload();
        return;
    }
    std::string message;
    SendControlCommand(EControlCommand::ReloadRules, message);
    m_owner.m_reloadMessage = message;
}

std::string CCuration::CImpl::UsersOf(CSqlFile& func, const std::string& table, int64_t row, int64_t made) {
    if (table == "T_Rules") return "";
    const bool task = table == "T_Tasks";
    const auto any = [&](CSqlFile& file, const std::string& sql) {
        CSqlStatement select(file, sql.c_str());
        return select.Bind(1, row).Step() == 1;
    };
    if (!task && any(func, "select 1 from T_Tasks where Id_Project = ? and Deleted < 1")) return "its tasks";
    if (any(func, std::string("select 1 from T_Rules where ") + (task ? "Id_Task" : "Id_Project") + " = ?"))
        return "rules";
    if (const int64_t edit = m_log.EditAssigning(row, task)) return "edit " + std::to_string(edit);
    for (const int64_t month : Months(made, m_now())) {
        CSqlFile file;
        if (OpenMonth(file, month) == 1 &&
            any(file, std::string("select 1 from T_Activities where ") + (task ? "Id_Task" : "Id_Project") + " = ?"))
            return "rows stored in " + MonthFileName(month);
    }
    return "";
}
