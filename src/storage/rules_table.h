#pragma once
// T_Rules in func.db: the categorisation rules (see table_common.h). Empty
// title, address and path are stored as NULL; ids are stored as numbers, 0
// when absent. Without an order clause rules come back in ascending Id_Rule,
// the order in which they are tried.

#include "storage/db_rule.h"
#include "storage/table_common.h"

class CDBRulesTable : public CErrorBase {
public:
    int CreateTable(CDBSQLite* connection);
    // The record's id is not written.
    int Insert(CDBSQLite* connection, const CDBRule& rule);
    int Select(CDBSQLite* connection, CBaseStorage<CDBRule>& out, const char* where);
};
