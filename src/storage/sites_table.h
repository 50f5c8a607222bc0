#pragma once
// T_Sites in sys.db: one row per web site (see table_common.h).

#include "storage/db_site.h"
#include "storage/table_common.h"

class CDBSitesTable : public CErrorBase {
public:
    int CreateTable(CDBSQLite* connection);
    int Insert(CDBSQLite* connection, const CDBSite& site);
    int Select(CDBSQLite* connection, CBaseStorage<CDBSite>& out, const char* where);
};
