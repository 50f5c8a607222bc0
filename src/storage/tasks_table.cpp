#include "storage/tasks_table.h"

#include "storage/statement.h"

namespace {
constexpr char kCreate[] =
    "create table if not exists T_Tasks (Id_Task INTEGER PRIMARY KEY AUTOINCREMENT, Id_Project INTEGER NOT NULL, "
    "Id_ParentTask INTEGER, Name  VARCHAR (255) NOT NULL, Description VARCHAR (512), Status TINYINT, CreateDate "
    "BIGINT, ExternalPMSType TINYINT, ExternalId INTEGER, ExternalStatus INTEGER, ExternalKey VARCHAR (255), "
    "ExternalStatusName VARCHAR (64), DeleteDate BIGINT, Deleted TINYINT, IsDefault TINYINT)";
constexpr char kSelect[] =
    "select Id_Task, Id_Project, Id_ParentTask, Name, Description, Status, CreateDate, ExternalPMSType, "
    "ExternalId, ExternalStatus, ExternalKey, ExternalStatusName, DeleteDate, Deleted, IsDefault from T_Tasks";
constexpr char kInsert[] =
    "insert into T_Tasks (Name, Id_Project, Id_ParentTask, Description, Status, CreateDate, ExternalPMSType, "
    "ExternalId, ExternalKey, ExternalStatus, ExternalStatusName, DeleteDate, Deleted, IsDefault) values ('%s', "
    "%ld, %ld, '%s', %ld, %lld, %ld, %ld, '%s', %ld, '%s', 0,0,%d)";
constexpr int kInsertRoom = sizeof kInsert + 9 * 20;  // the fixed text and nine numbers
constexpr char kUpdate[] =
    "update T_Tasks set Id_Project=%ld, Name='%s', Description='%s', ExternalKey='%s', ExternalStatus=%ld, "
    "ExternalStatusName='%s' where Id_Task=%ld";
constexpr int kUpdateRoom = sizeof kUpdate + 3 * 20;
}  // namespace

int CDBTaskTable::CreateTable(CDBSQLite* connection) { return CreateTableWith(connection, kCreate); }

int CDBTaskTable::Insert(CDBSQLite* connection, const CDBTask& task) {
    const CQuotedText name(task.GetName());
    const CQuotedText description(task.GetDescription());
    const CQuotedText externalKey(task.GetExternalKey());
    const CQuotedText externalStatusName(task.GetExternalStatusName());
    return ExecuteFormatted(
        connection, kInsertRoom, {&name, &description, &externalKey, &externalStatusName}, kInsert, name.Get(),
        static_cast<long>(task.GetProjectId()), static_cast<long>(task.GetParentTaskId()), description.Get(),
        static_cast<long>(task.GetStatus()), static_cast<long long>(task.GetCreateDate()),
        static_cast<long>(task.GetExternalPMSType()), static_cast<long>(task.GetExternalId()), externalKey.Get(),
        static_cast<long>(task.GetExternalStatus()), externalStatusName.Get(), static_cast<int>(task.GetIsDefault()));
}

int CDBTaskTable::Select(CDBSQLite* connection, CBaseStorage<CDBTask>& out, const char* where) {
    return SelectWhere(connection, kSelect, where, out);
}

int CDBTaskTable::Update(CDBSQLite* connection, const CDBTask& task) {
    const CQuotedText name(task.GetName());
    const CQuotedText description(task.GetDescription());
    const CQuotedText externalKey(task.GetExternalKey());
    const CQuotedText externalStatusName(task.GetExternalStatusName());
    return ExecuteFormatted(connection, kUpdateRoom, {&name, &description, &externalKey, &externalStatusName}, kUpdate,
                            static_cast<long>(task.GetProjectId()), name.Get(), description.Get(), externalKey.Get(),
                            static_cast<long>(task.GetExternalStatus()), externalStatusName.Get(),
                            static_cast<long>(task.GetId()));
}
