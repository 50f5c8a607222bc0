#pragma once
// The names behind the ids of an activity row, and the categorisation rules:
// the rows of T_Apps, T_Users and T_Sites (sys.db) and of T_Projects,
// T_Tasks and T_Rules (func.db), read once through the table classes and
// looked up by id.
//
// Texts are as stored: the collector's narrow text (the ANSI code page on
// Windows, UTF-8 on Linux). Not thread-safe; read-only after Load.

#include <cstdint>
#include <unordered_map>
#include <utility>

#include "storage/base_storage.h"
#include "storage/db_app.h"
#include "storage/db_project.h"
#include "storage/db_rule.h"
#include "storage/db_site.h"
#include "storage/db_sqlite.h"
#include "storage/db_task.h"
#include "storage/db_user.h"

class CCatalogue {
public:
    // Replaces what was loaded with every row of the six tables. 1; otherwise
    // the failing select's result (0 an SQLite error, -1, -100), and the
    // catalogue is left empty.
    int Load(CDBSQLite& sys, CDBSQLite& func);

    // The row of that id, or nullptr when there is none.
    const CDBApp* FindApp(int32_t id) const { return Find(m_apps, id); }
    const CDBUser* FindUser(int32_t id) const { return Find(m_users, id); }
    const CDBSite* FindSite(int32_t id) const { return Find(m_sites, id); }
    const CDBProject* FindProject(int32_t id) const { return Find(m_projects, id); }
    const CDBTask* FindTask(int32_t id) const { return Find(m_tasks, id); }

    // Every row of a table, by id (in no particular order).
    const std::unordered_map<int32_t, CDBApp>& Apps() const { return m_apps; }
    const std::unordered_map<int32_t, CDBUser>& Users() const { return m_users; }
    const std::unordered_map<int32_t, CDBSite>& Sites() const { return m_sites; }
    const std::unordered_map<int32_t, CDBProject>& Projects() const { return m_projects; }
    const std::unordered_map<int32_t, CDBTask>& TasksById() const { return m_tasks; }

    // The rules in ascending Id_Rule and the tasks in table order, as the
    // collector reads them.
    const CBaseStorage<CDBRule>& Rules() const { return m_rules; }
    const CBaseStorage<CDBTask>& Tasks() const { return m_taskList; }

private:
    template <class T>
    static const T* Find(const std::unordered_map<int32_t, T>& rows, int32_t id) {
        const auto found = rows.find(id);
        return found == rows.end() ? nullptr : &found->second;
    }
    void Clear();

    std::unordered_map<int32_t, CDBApp> m_apps;
    std::unordered_map<int32_t, CDBUser> m_users;
    std::unordered_map<int32_t, CDBSite> m_sites;
    std::unordered_map<int32_t, CDBProject> m_projects;
    std::unordered_map<int32_t, CDBTask> m_tasks;
    CBaseStorage<CDBTask> m_taskList;
    CBaseStorage<CDBRule> m_rules;
};
