#include "storage/apps_table.h"

#include "storage/statement.h"

namespace {
constexpr char kCreate[] =
    "create table if not exists T_Apps (Id_App INTEGER PRIMARY KEY AUTOINCREMENT, FileName  VARCHAR (255) NOT "
    "NULL, Path VARCHAR (512), CreateDate BIGINT)";
constexpr char kSelect[] = "select Id_App, FileName, Path, CreateDate from T_Apps";
constexpr int kInsertRoom = 124;  // the fixed text and the date
}  // namespace

int CDBAppTable::CreateTable(CDBSQLite* connection) { return CreateTableWith(connection, kCreate); }

int CDBAppTable::Insert(CDBSQLite* connection, const CDBApp& app) {
    const CQuotedText fileName(app.GetFileName());
    const CQuotedText path(app.GetPath());
    return ExecuteFormatted(connection, kInsertRoom, {&fileName, &path},
                            "insert into T_Apps (FileName, Path, CreateDate) values ('%s', '%s', %lld)", fileName.Get(),
                            path.Get(), static_cast<long long>(app.GetCreateDate()));
}

int CDBAppTable::Select(CDBSQLite* connection, CBaseStorage<CDBApp>& out, const char* where) {
    return SelectWhere(connection, kSelect, where, out);
}
