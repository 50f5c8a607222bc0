#include "storage/projects_table.h"

#include "storage/statement.h"

namespace {
constexpr char kCreate[] =
    "create table if not exists T_Projects (Id_Project INTEGER PRIMARY KEY AUTOINCREMENT, Name  VARCHAR (255) NOT "
    "NULL, Description\tVARCHAR (512), Status TINYINT, CreateDate BIGINT, ExternalPMSType TINYINT, ExternalId "
    "INTEGER, ExternalKey VARCHAR (255), DeleteDate BIGINT, Deleted TINYINT)";
constexpr char kSelect[] =
    "select Id_Project, Name, Description, Status, CreateDate, ExternalPMSType, ExternalId, ExternalKey, "
    "DeleteDate, Deleted from T_Projects";
constexpr char kInsert[] =
    "insert into T_Projects (Name, Description, Status, CreateDate, ExternalPMSType, ExternalId, ExternalKey, "
    "DeleteDate, Deleted) values ('%s', '%s', %ld, %lld, %ld, %ld, '%s', 0, 0)";
constexpr int kInsertRoom = sizeof kInsert + 4 * 20;  // the fixed text and four numbers
}  // namespace

int CDBProjectTable::CreateTable(CDBSQLite* connection) { return CreateTableWith(connection, kCreate); }

int CDBProjectTable::Insert(CDBSQLite* connection, const CDBProject& project) {
    const CQuotedText name(project.GetName());
    const CQuotedText description(project.GetDescription());
    const CQuotedText externalKey(project.GetExternalKey());
    return ExecuteFormatted(
        connection, kInsertRoom, {&name, &description, &externalKey}, kInsert, name.Get(), description.Get(),
        static_cast<long>(project.GetStatus()), static_cast<long long>(project.GetCreateDate()),
        static_cast<long>(project.GetExternalPMSType()), static_cast<long>(project.GetExternalId()), externalKey.Get());
}

int CDBProjectTable::Select(CDBSQLite* connection, CBaseStorage<CDBProject>& out, const char* where) {
    return SelectWhere(connection, kSelect, where, out);
}
