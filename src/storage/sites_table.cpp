#include "storage/sites_table.h"

#include "storage/statement.h"

namespace {
constexpr char kCreate[] =
    "create table if not exists T_Sites(Id_Site INTEGER PRIMARY KEY AUTOINCREMENT, URL VARCHAR (255))";
constexpr char kSelect[] = "select Id_Site, URL from T_Sites";
constexpr int kInsertRoom = 53;  // the fixed text
}  // namespace

int CDBSitesTable::CreateTable(CDBSQLite* connection) { return CreateTableWith(connection, kCreate); }

int CDBSitesTable::Insert(CDBSQLite* connection, const CDBSite& site) {
    const CQuotedText url(site.GetURL());
    return ExecuteFormatted(connection, kInsertRoom, {&url}, "insert into T_Sites (URL) values ('%s')", url.Get());
}

int CDBSitesTable::Select(CDBSQLite* connection, CBaseStorage<CDBSite>& out, const char* where) {
    return SelectWhere(connection, kSelect, where, out);
}
