#pragma once
// T_Projects in func.db: the projects of the catalogue (see
// table_common.h). A new row always has Deleted 0 and DeleteDate 0.

#include "storage/db_project.h"
#include "storage/table_common.h"

class CDBProjectTable : public CErrorBase {
public:
    int CreateTable(CDBSQLite* connection);
    // The record's id, Deleted and DeleteDate are not written.
    int Insert(CDBSQLite* connection, const CDBProject& project);
    int Select(CDBSQLite* connection, CBaseStorage<CDBProject>& out, const char* where);
};
