#include "storage/catalogue.h"

#include "storage/apps_table.h"
#include "storage/projects_table.h"
#include "storage/rules_table.h"
#include "storage/sites_table.h"
#include "storage/tasks_table.h"
#include "storage/users_table.h"

namespace {
// Every row of a table (through its table class) into `byId`.
template <class Table, class T>
int LoadById(CDBSQLite& connection, std::unordered_map<int32_t, T>& byId, CBaseStorage<T>* list = nullptr) {
    CBaseStorage<T> rows;
    const int selected = Table().Select(&connection, rows, nullptr);
    if (selected != 1) return selected;
    T row;
    for (int32_t i = 0; i < rows.Count(); ++i)
        if (rows.Pop(i, row) == 1) byId[row.GetId()] = row;
    if (list) *list = std::move(rows);
    return 1;
}
}  // namespace

void CCatalogue::Clear() {
    m_apps.clear();
    m_users.clear();
    m_sites.clear();
    m_projects.clear();
    m_tasks.clear();
    m_taskList.Clear();
    m_rules.Clear();
}

int CCatalogue::Load(CDBSQLite& sys, CDBSQLite& func) {
    Clear();
    int result = LoadById<CDBAppTable>(sys, m_apps);
    if (result == 1) result = LoadById<CDBUserTable>(sys, m_users);
    if (result == 1) result = LoadById<CDBSitesTable>(sys, m_sites);
    if (result == 1) result = LoadById<CDBProjectTable>(func, m_projects);
    if (result == 1) result = LoadById<CDBTaskTable>(func, m_tasks, &m_taskList);
    if (result == 1) result = CDBRulesTable().Select(&func, m_rules, nullptr);
    if (result != 1) Clear();
    return result;
}
