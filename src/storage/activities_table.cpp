#include "storage/activities_table.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "storage/statement.h"
#include "storage/string_service.h"

namespace {
constexpr char kCreate[] =
    "create table if not exists T_Activities (Id_Activity INTEGER PRIMARY KEY AUTOINCREMENT, StartDate BIGINT, "
    "FinishDate BIGINT, Duration INTEGER, FormatedDuration INTEGER, Id_ActivityType INTEGER, Title VARCHAR (255), "
    "Id_User INTEGER, Id_App INTEGER, Id_Project INTEGER, Id_Task INTEGER, Description VARCHAR (512), URL TEXT, "
    "Id_Site INTEGER, Logged TINYINT)";
constexpr char kColumns[] =
    "select Id_Activity, StartDate, FinishDate, Duration, FormatedDuration, Id_ActivityType, Title, Id_User, "
    "Id_App, Id_Project, Id_Task, Description, URL, Id_Site, Logged";
constexpr char kFrom[] = "from T_Activities";
// The plain select: the column list and the from clause.
const std::string kSelect = std::string(kColumns) + " " + kFrom;
constexpr char kInsertWithUrl[] =
    "insert into T_Activities (StartDate, FinishDate, Duration, FormatedDuration, Id_ActivityType, Title, Id_User, "
    "Id_App, Id_Site, Id_Project, Id_Task, URL, Logged) values (%lld, %lld, %lld, %lld, %ld, '%s', %ld, %ld, %ld, "
    "%ld, %ld, '%s', 0)";
constexpr char kInsertWithoutUrl[] =
    "insert into T_Activities (StartDate, FinishDate, Duration, FormatedDuration, Id_ActivityType, Title, Id_User, "
    "Id_App, Id_Site, Id_Project, Id_Task, Logged) values (%lld, %lld, %lld, %lld, %ld, '%s', %ld, %ld, %ld, %ld, "
    "%ld, 0)";
constexpr int kInsertRoom = sizeof kInsertWithUrl + 11 * 20;  // the longer text and eleven numbers

// The stored title: its first 258 characters, at most 259 once quoted.
constexpr size_t kTitleInput = 258;
constexpr size_t kTitleOutput = 259;
// Range clauses hold at most this many characters.
constexpr int kRangeWhereLimit = 166;
}  // namespace

int CDBActivitiesTable::CreateTable(CDBSQLite* connection) { return CreateTableWith(connection, kCreate); }

int CDBActivitiesTable::Insert(CDBSQLite* connection, const CDBActivity& activity) {
    const CQuotedText title(activity.GetTitle(), kTitleInput, kTitleOutput);
    const CQuotedText url(activity.GetURL());
    const long long start = activity.GetStartDate();
    const long long finish = activity.GetFinishDate();
    const long long duration = activity.GetDuration();
    const long long formated = activity.GetFormatedDuration();
    const long type = activity.GetActivityType();
    const long user = activity.GetUserId();
    const long app = activity.GetAppId();
    const long project = activity.GetProjectId();
    const long task = activity.GetTaskId();
    if (url.Length() > 0)
        return ExecuteFormatted(connection, kInsertRoom, {&title, &url}, kInsertWithUrl, start, finish, duration,
                                formated, type, title.Get(), user, app, static_cast<long>(activity.GetSiteId()),
                                project, task, url.Get());
    return ExecuteFormatted(connection, kInsertRoom, {&title}, kInsertWithoutUrl, start, finish, duration, formated,
                            type, title.Get(), user, app, 0L, project, task);
}

int CDBActivitiesTable::Select(CDBSQLite* connection, CBaseStorage<CDBActivity>& out, const char* where) {
    return SelectWhere(connection, kSelect.c_str(), where, out);
}

int CDBActivitiesTable::SelectLast(CDBSQLite* connection, CDBActivity& out) {
    out = CDBActivity();
    const int usable = CheckConnection(connection);
    if (usable != 1) return usable;
    static constexpr char kOrder[] = "order by StartDate desc";
    static constexpr char kLimit[] = "limit 1";
    CSqlText sql;
    if (CStringService::BuildSelect(sql, kColumns, sizeof kColumns - 1, kFrom, sizeof kFrom - 1, nullptr, 0, nullptr, 0,
                                    kOrder, sizeof kOrder - 1, kLimit, sizeof kLimit - 1, 0) != 1)
        return 0;
    CBaseStorage<CDBActivity> rows;
    if (RunSelect(*connection, sql.Get(), rows) != 1) return 0;
    return rows.Pop(0, out) == 1 ? 1 : 0;
}

int CDBActivitiesTable::SelectRange(CDBSQLite* connection, CBaseStorage<CGroupItem>& groups,
                                    CBaseStorage<CDBActivity>* activities, int64_t from, int64_t to,
                                    int32_t activityId) {
    const int usable = CheckConnection(connection);
    if (usable != 1) return usable;
    char where[kRangeWhereLimit + 1];
    const int length =
        activityId >= 1
            ? std::snprintf(where, sizeof where,
                            "(StartDate>=%lld AND StartDate<=%lld AND Id_Activity=%ld) order by StartDate ASC",
                            static_cast<long long>(from), static_cast<long long>(to), static_cast<long>(activityId))
            : std::snprintf(where, sizeof where, "(StartDate>=%lld AND StartDate<=%lld) order by StartDate ASC",
                            static_cast<long long>(from), static_cast<long long>(to));
    if (length < 0 || length > kRangeWhereLimit) return -5;
    return SelectRangeWhere(connection, groups, activities, where);
}

int CDBActivitiesTable::SelectRangeDesc(CDBSQLite* connection, CBaseStorage<CGroupItem>& groups,
                                        CBaseStorage<CDBActivity>* activities, int64_t from, int64_t to, int32_t limit,
                                        int32_t activityId) {
    const int usable = CheckConnection(connection);
    if (usable != 1) return usable;
    char where[kRangeWhereLimit + 1];
    const int length =
        activityId >= 1
            ? std::snprintf(
                  where, sizeof where,
                  "(StartDate>=%lld AND StartDate<=%lld AND Id_Activity=%ld) order by StartDate DESC limit %ld",
                  static_cast<long long>(from), static_cast<long long>(to), static_cast<long>(activityId),
                  static_cast<long>(limit))
            : std::snprintf(where, sizeof where,
                            "(StartDate>=%lld AND StartDate<=%lld) order by StartDate DESC limit %ld",
                            static_cast<long long>(from), static_cast<long long>(to), static_cast<long>(limit));
    if (length < 0 || length > kRangeWhereLimit) return -5;
    return SelectRangeWhere(connection, groups, activities, where);
}

int CDBActivitiesTable::SelectRangeWhere(CDBSQLite* connection, CBaseStorage<CGroupItem>& groups,
                                         CBaseStorage<CDBActivity>* activities, const char* where) {
    CBaseStorage<CDBActivity> found;
    const int selected = Select(connection, found, where);
    if (selected != 1) return selected;
    if (activities) activities->AppendFrom(found);
    CDBActivity activity;
    for (int32_t i = 0; i < found.Count(); ++i) {
        found.Pop(i, activity);
        groups.Push(CGroupItem(activity.GetAppId(), activity.GetDuration(), activity.GetFormatedDuration()));
    }
    return 1;
}
