// The report queries of CDBActivitiesTable: recorded time of a date range
// summed per activity type, application, user, site, project or task.

#include <cstdio>
#include <cstring>

#include "storage/activities_table.h"
#include "storage/statement.h"
#include "storage/string_service.h"

namespace {
// The texts of one report query. The where formats take the range and, in
// the second form, the id of the one group wanted.
struct CReportQuery {
    const char* select;
    const char* groupBy;
    const char* whereAll;
    const char* whereOne;
    const char* orderBy;  // null: SQLite's group order
    int whereLimit;
};

constexpr CReportQuery kByActivityType = {"select Id_ActivityType as Id_TOP, sum(Duration) as TOP_Duration",
                                          "group by Id_ActivityType",
                                          "where (StartDate>=%lld AND StartDate<=%lld)",
                                          "where (StartDate>=%lld AND StartDate<=%lld AND Id_ActivityType=%ld)",
                                          nullptr,
                                          112};
constexpr CReportQuery kByApp = {
    "select Id_App as Id_TOP, sum(Duration) as TOP_Duration",
    "group by Id_App",
    "where (StartDate>=%lld AND StartDate<=%lld AND (Id_ActivityType = 1 OR Id_ActivityType = 2))",
    "where (StartDate>=%lld AND StartDate<=%lld AND Id_App=%ld AND (Id_ActivityType = 1 OR Id_ActivityType = 2))",
    "order by TOP_Duration desc",
    162};
constexpr CReportQuery kByUser = {"select Id_User as Id_TOP, sum(Duration) as TOP_Duration",
                                  "group by Id_User",
                                  "where (StartDate>=%lld AND StartDate<=%lld)",
                                  "where (StartDate>=%lld AND StartDate<=%lld AND Id_User=%ld)",
                                  "order by TOP_Duration desc",
                                  112};
constexpr CReportQuery kBySite = {"select Id_Site as Id_TOP, sum(Duration) as TOP_Duration",
                                  "group by Id_Site",
                                  "where (StartDate>=%lld AND StartDate<=%lld AND Id_Site is not NULL AND Id_Site>0)",
                                  "where (StartDate>=%lld AND StartDate<=%lld AND Id_Site=%ld)",
                                  "order by TOP_Duration desc",
                                  132};
constexpr CReportQuery kByProject = {
    "select Id_Project as Id_TOP, sum(Duration) as TOP_Duration",
    "group by Id_Project",
    "where (StartDate>=%lld AND StartDate<=%lld AND Id_Project is not NULL AND Id_Project <>0)",
    "where (StartDate>=%lld AND StartDate<=%lld AND Id_Project=%ld)",
    "order by TOP_Duration desc",
    142};
constexpr CReportQuery kByTask = {"select Id_Task as Id_TOP, sum(Duration) as TOP_Duration",
                                  "group by Id_Task",
                                  "where (StartDate>=%lld AND StartDate<=%lld AND Id_Task is not NULL AND Id_Task <>0)",
                                  "where (StartDate>=%lld AND StartDate<=%lld AND Id_Task=%ld)",
                                  "order by TOP_Duration desc",
                                  137};

constexpr char kFrom[] = "from T_Activities";
constexpr int kLongestWhere = 162;

int Length(const char* text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

// Types 1 to 4 that have no row get one with duration 0, after the others.
void AddMissingActivityTypes(CBaseStorage<CGroupItem>& rows) {
    for (int32_t type = 1; type <= 4; ++type) {
        CGroupItem probe(type, 0, 0);
        if (rows.Find(probe) != 1) rows.Push(CGroupItem(type, 0, 0));
    }
}

int RunReport(const CReportQuery& query, bool fillActivityTypes, CDBSQLite* connection, CBaseStorage<CGroupItem>& out,
              int64_t from, int64_t to, int32_t limit, int32_t id) {
    const int usable = CheckConnection(connection);
    if (usable != 1) return usable;
    char where[kLongestWhere + 1];
    const int whereLength = id >= 1 ? std::snprintf(where, sizeof where, query.whereOne, static_cast<long long>(from),
                                                    static_cast<long long>(to), static_cast<long>(id))
                                    : std::snprintf(where, sizeof where, query.whereAll, static_cast<long long>(from),
                                                    static_cast<long long>(to));
    if (whereLength < 0 || whereLength > query.whereLimit) return -5;
    char limitClause[24] = "";
    if (limit >= 1) std::snprintf(limitClause, sizeof limitClause, "limit %i", static_cast<int>(limit));

    out.Clear();
    CSqlText sql;
    if (CStringService::BuildSelect(sql, query.select, Length(query.select), kFrom, Length(kFrom), where, whereLength,
                                    query.groupBy, Length(query.groupBy), query.orderBy, Length(query.orderBy),
                                    limitClause, Length(limitClause), 0) != 1)
        return 0;
    CBaseStorage<CGroupItem> rows;
    if (RunSelect(*connection, sql.Get(), rows) != 1) return 0;
    if (fillActivityTypes) AddMissingActivityTypes(rows);
    out.AppendFrom(rows);
    return 1;
}
}  // namespace

int CDBActivitiesTable::SelectTopByActivityType(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from,
                                                int64_t to, int32_t limit, int32_t id) {
    return RunReport(kByActivityType, true, connection, out, from, to, limit, id);
}

int CDBActivitiesTable::SelectTopByApp(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from, int64_t to,
                                       int32_t limit, int32_t id) {
    return RunReport(kByApp, false, connection, out, from, to, limit, id);
}

int CDBActivitiesTable::SelectTopByUser(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from, int64_t to,
                                        int32_t limit, int32_t id) {
    return RunReport(kByUser, false, connection, out, from, to, limit, id);
}

int CDBActivitiesTable::SelectTopBySite(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from, int64_t to,
                                        int32_t limit, int32_t id) {
    return RunReport(kBySite, false, connection, out, from, to, limit, id);
}

int CDBActivitiesTable::SelectTopByProject(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from,
                                           int64_t to, int32_t limit, int32_t id) {
    return RunReport(kByProject, false, connection, out, from, to, limit, id);
}

int CDBActivitiesTable::SelectTopByTask(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from, int64_t to,
                                        int32_t limit, int32_t id) {
    return RunReport(kByTask, false, connection, out, from, to, limit, id);
}
