#pragma once
// T_Users in sys.db: one row per account (see table_common.h).

#include "storage/db_user.h"
#include "storage/table_common.h"

class CDBUserTable : public CErrorBase {
public:
    int CreateTable(CDBSQLite* connection);
    int Insert(CDBSQLite* connection, const CDBUser& user);
    int Select(CDBSQLite* connection, CBaseStorage<CDBUser>& out, const char* where);
};
