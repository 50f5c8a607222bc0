#pragma once
// T_Activities, the one table of a monthly activity file (see
// table_common.h for the results every operation shares).
//
// Besides create, insert and select it reads the latest activity, the
// activities of a date range, and six report queries that total the recorded
// time of a date range grouped by activity type, application, user, site,
// project or task.

#include <cstdint>

#include "storage/db_activity.h"
#include "storage/group_item.h"
#include "storage/table_common.h"

class CDBActivitiesTable : public CErrorBase {
public:
    int CreateTable(CDBSQLite* connection);

    // Inserts one row; the id is left to SQLite, Description is not written
    // and Logged is 0. The title is stored as its first 258 characters, cut
    // further so that it stays within 259 once its quotes are doubled; the
    // record itself is not changed, so a repeated insert stores the same
    // title. Without an address the site is written as 0.
    int Insert(CDBSQLite* connection, const CDBActivity& activity);

    // Appends the rows matching `where` (null: all) to `out`.
    int Select(CDBSQLite* connection, CBaseStorage<CDBActivity>& out, const char* where);

    // The row with the greatest StartDate into `out` (cleared first). 1 found;
    // 0 none, or the statement failed; -1, -100.
    int SelectLast(CDBSQLite* connection, CDBActivity& out);

    // The activities whose StartDate lies in [from, to] (only the one with
    // `activityId` when that is 1 or more), oldest first. Appends them to
    // `activities` when given, and to `groups` one item per activity (its
    // application id, duration and packed duration). 1 (also for no rows);
    // the select's failure otherwise.
    int SelectRange(CDBSQLite* connection, CBaseStorage<CGroupItem>& groups, CBaseStorage<CDBActivity>* activities,
                    int64_t from, int64_t to, int32_t activityId);
    // As SelectRange, newest first and at most `limit` activities.
    int SelectRangeDesc(CDBSQLite* connection, CBaseStorage<CGroupItem>& groups, CBaseStorage<CDBActivity>* activities,
                        int64_t from, int64_t to, int32_t limit, int32_t activityId);

    // Report queries over StartDate in [from, to] (both ends included). Each
    // replaces the content of `out` with one item per group: the group's id
    // and its summed duration (read as a 64-bit number) in seconds and packed.
    // With `id` 1 or more only that group is summed; with `limit` 1 or more at
    // most that many groups come back, largest first (except by activity
    // type, which keeps SQLite's group order). Results: 1; 0 the statement
    // failed (`out` is then empty); -1; -100; -5 the where clause too long.
    //
    // By activity type: every type; types 1 to 4 without a row are added
    // after the others with duration 0, so an empty range gives four rows.
    int SelectTopByActivityType(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from, int64_t to,
                                int32_t limit, int32_t id);
    // By application: working time only (Active and Idle).
    int SelectTopByApp(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from, int64_t to, int32_t limit,
                       int32_t id);
    // By user: every activity, a NULL user included (as id 0).
    int SelectTopByUser(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from, int64_t to, int32_t limit,
                        int32_t id);
    // By site: only activities with a site above 0.
    int SelectTopBySite(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from, int64_t to, int32_t limit,
                        int32_t id);
    // By project: only activities with a project other than NULL or 0.
    int SelectTopByProject(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from, int64_t to,
                           int32_t limit, int32_t id);
    // By task: only activities with a task other than NULL or 0.
    int SelectTopByTask(CDBSQLite* connection, CBaseStorage<CGroupItem>& out, int64_t from, int64_t to, int32_t limit,
                        int32_t id);

private:
    int SelectRangeWhere(CDBSQLite* connection, CBaseStorage<CGroupItem>& groups, CBaseStorage<CDBActivity>* activities,
                         const char* where);
};
