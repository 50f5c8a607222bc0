#include "storage/rules_table.h"

#include <cstring>

#include "storage/statement.h"

namespace {
constexpr char kCreate[] =
    "create table if not exists T_Rules(Id_Rule INTEGER PRIMARY KEY AUTOINCREMENT, Id_RulesGroup INTEGER, Status "
    "TINYINT, Id_App INTEGER, Id_Task INTEGER, Id_Project INTEGER, Title VARCHAR(255), Id_Site INTEGER, URL TEXT, "
    "Path VARCHAR(512),  TimeStart INTEGER, TimeFinish INTEGER, AppType INTEGER)";
constexpr char kSelect[] =
    "select Id_Rule, Id_RulesGroup, Status, Id_App, Id_Task, Id_Project, Title, Id_Site, URL, Path,  TimeStart, "
    "TimeFinish, AppType from T_Rules";
constexpr char kInsert[] =
    "insert into T_Rules (Id_RulesGroup, Status, Id_App, Id_Task, Id_Project, Title, Id_Site, URL, Path, "
    "TimeStart, TimeFinish, AppType) values (";
constexpr int kValuesRoom = 9 * 12 + 3 * 6;  // nine numbers with their commas, three quote pairs or nulls

// A text value between single quotes, or null when it is empty.
int AppendTextOrNull(CSqlText& sql, const char* prefix, const CQuotedText& value) {
    if (value.Length() == 0) return sql.AppendFormat("%snull", prefix);
    return sql.AppendFormat("%s'%s'", prefix, value.Get());
}
}  // namespace

int CDBRulesTable::CreateTable(CDBSQLite* connection) { return CreateTableWith(connection, kCreate); }

int CDBRulesTable::Insert(CDBSQLite* connection, const CDBRule& rule) {
    const int usable = CheckConnection(connection);
    if (usable != 1) return usable;
    const CQuotedText title(rule.GetTitle());
    const CQuotedText url(rule.GetURL());
    const CQuotedText path(rule.GetPath());
    if (title.Status() != 1 || url.Status() != 1 || path.Status() != 1) return -4;
    CSqlText sql;
    const int allocated = sql.Allocate(static_cast<int>(std::strlen(kInsert)) + kValuesRoom + title.Length() +
                                       url.Length() + path.Length());
    if (allocated != 1) return allocated;
    int built = sql.Append(kInsert);
    if (built == 1)
        built = sql.AppendFormat("%ld,%i,%ld,%ld,%ld,", static_cast<long>(rule.GetRulesGroupId()),
                                 static_cast<int>(rule.GetStatus()), static_cast<long>(rule.GetAppId()),
                                 static_cast<long>(rule.GetTaskId()), static_cast<long>(rule.GetProjectId()));
    if (built == 1) built = AppendTextOrNull(sql, "", title);
    if (built == 1) built = sql.AppendFormat(",%ld,", static_cast<long>(rule.GetSiteId()));
    if (built == 1) built = AppendTextOrNull(sql, "", url);
    if (built == 1) built = AppendTextOrNull(sql, ",", path);
    if (built == 1)
        built = sql.AppendFormat(",%i,%i,%i)", static_cast<int>(rule.GetTimeStart()),
                                 static_cast<int>(rule.GetTimeFinish()), static_cast<int>(rule.GetAppType()));
    if (built != 1) return built;
    return ExecuteStatement(*connection, sql.Get());
}

int CDBRulesTable::Select(CDBSQLite* connection, CBaseStorage<CDBRule>& out, const char* where) {
    return SelectWhere(connection, kSelect, where, out);
}
