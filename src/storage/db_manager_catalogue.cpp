// CDBManager: projects, tasks and rules in func.db.

#include "platform/clock.h"
#include "storage/db_manager.h"
#include "storage/projects_table.h"
#include "storage/retry.h"
#include "storage/rules_table.h"
#include "storage/sql_text.h"
#include "storage/tasks_table.h"

namespace {
constexpr int kAttempts = 7;
constexpr uint32_t kPauseMs = 200;
constexpr uint32_t kAfterReadBackMs = 20;
}  // namespace

int CDBManager::AddProject(const CDBProject& project) {
    CDBProjectTable table;
    return RetryWithPause(kAttempts, kPauseMs, [&] { return table.Insert(&m_funcDB, project); });
}

int CDBManager::AddRule(const CDBRule& rule) {
    CDBRulesTable table;
    return RetryWithPause(kAttempts, kPauseMs, [&] { return table.Insert(&m_funcDB, rule); });
}

int CDBManager::AddTask(CDBTask& task) {
    CDBTaskTable table;
    const int inserted = RetryWithPause(kAttempts, kPauseMs, [&] { return table.Insert(&m_funcDB, task); });
    if (inserted != 1) return inserted;

    // The newest live task of this name in this project is the row just added.
    const CQuotedText name(task.GetName());
    CSqlText clause;
    int result =
        FormatQuoted(clause, 96, {&name}, "Id_Project=%ld AND Name='%s' AND Deleted=0 ORDER BY Id_Task DESC LIMIT 1",
                     static_cast<long>(task.GetProjectId()), name.Get());
    if (result != 1) return result;
    CBaseStorage<CDBTask> found;
    result = table.Select(&m_funcDB, found, clause.Get());
    Clock().Sleep(kAfterReadBackMs);
    if (result != 1) return result;
    if (found.Count() == 0) return -2;
    CDBTask stored;
    result = found.Pop(0, stored);
    if (result == 1) task.SetId(stored.GetId());
    return result;
}

int CDBManager::UpdateTask(const CDBTask& task) {
    CDBTaskTable table;
    return RetryWithPause(kAttempts, kPauseMs, [&] { return table.Update(&m_funcDB, task); });
}

int CDBManager::GetProjects(CBaseStorage<CDBProject>& out) {
    CDBProjectTable table;
    return RetryWithPause(kAttempts, kPauseMs, [&] { return table.Select(&m_funcDB, out, nullptr); });
}

int CDBManager::GetTasks(CBaseStorage<CDBTask>& out) {
    CDBTaskTable table;
    return RetryWithPause(kAttempts, kPauseMs, [&] { return table.Select(&m_funcDB, out, nullptr); });
}

int CDBManager::GetRules(CBaseStorage<CDBRule>& out) {
    CDBRulesTable table;
    return RetryWithPause(kAttempts, kPauseMs, [&] { return table.Select(&m_funcDB, out, nullptr); });
}
