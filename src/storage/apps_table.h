#pragma once
// T_Apps in sys.db: one row per executable (see table_common.h).

#include "storage/db_app.h"
#include "storage/table_common.h"

class CDBAppTable : public CErrorBase {
public:
    int CreateTable(CDBSQLite* connection);
    int Insert(CDBSQLite* connection, const CDBApp& app);
    int Select(CDBSQLite* connection, CBaseStorage<CDBApp>& out, const char* where);
};
