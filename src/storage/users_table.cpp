#include "storage/users_table.h"

#include "storage/statement.h"

namespace {
constexpr char kCreate[] =
    "create table if not exists T_Users (Id_User INTEGER PRIMARY KEY AUTOINCREMENT, Name  VARCHAR (255) NOT NULL, "
    "Domen\tVARCHAR (255) NOT NULL, Description VARCHAR (255))";
constexpr char kSelect[] = "select Id_User, Name, Domen, Description from T_Users";
constexpr int kInsertRoom = 74;  // the fixed text
}  // namespace

int CDBUserTable::CreateTable(CDBSQLite* connection) { return CreateTableWith(connection, kCreate); }

int CDBUserTable::Insert(CDBSQLite* connection, const CDBUser& user) {
    const CQuotedText name(user.GetName());
    const CQuotedText domain(user.GetDomain());
    const CQuotedText description(user.GetDescription());
    return ExecuteFormatted(connection, kInsertRoom, {&name, &domain, &description},
                            "insert into T_Users (Name, Domen, Description) values ('%s', '%s', '%s' )", name.Get(),
                            domain.Get(), description.Get());
}

int CDBUserTable::Select(CDBSQLite* connection, CBaseStorage<CDBUser>& out, const char* where) {
    return SelectWhere(connection, kSelect, where, out);
}
