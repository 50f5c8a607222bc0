#pragma once
// T_Tasks in func.db: the tasks of the catalogue's projects (see
// table_common.h). A new row always has Deleted 0 and DeleteDate 0.

#include "storage/db_task.h"
#include "storage/table_common.h"

class CDBTaskTable : public CErrorBase {
public:
    int CreateTable(CDBSQLite* connection);
    // The record's id, Deleted and DeleteDate are not written.
    int Insert(CDBSQLite* connection, const CDBTask& task);
    int Select(CDBSQLite* connection, CBaseStorage<CDBTask>& out, const char* where);
    // Rewrites the row of the task's id with its project, name, description
    // and external key and status (a JIRA issue renamed or moved); its other
    // columns, the id included, stay. 1 also when no row has that id.
    int Update(CDBSQLite* connection, const CDBTask& task);
};
