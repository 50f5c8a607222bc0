#pragma once
// The collector's three SQLite databases, and the only way the rest of the
// program reaches them.
//
// In the data folder (SetPath, before Initialization):
//   "sys.db"         T_Apps, T_Users, T_Sites
//   "func.db"        T_Tasks, T_Projects, T_Rules
//   "actMMYY.db"     T_Activities of one calendar month (act0314.db: March
//                    2014), created the first time that month is needed.
// The manager saves finished activities after finding or adding their user,
// application and site, switches activity files when the month changes, reads
// the latest stored activity back, and reads and writes the catalogue.
//
// Results are ints: 1 success (2: success with a change of activity file), 0
// a failure, negative codes for named causes. Failures are recorded in the
// manager's CErrorBase (operation name, message, code) for the caller to log;
// composed names join a label and the inner operation ("SysDBConnect|Connect")
// with the message "(<code>) <text>". Retries pause through the clock service.
//
// Threading: no lock of its own. The caller serialises all calls; selects on
// one table must never overlap (the tables share process-wide result lists).
// Only the flag given to SetRetriesCut may be changed from another thread.

#include <atomic>
#include <cstdint>

#include "log/error_base.h"
#include "log/working_directory.h"
#include "platform/compiler.h"
#include "sensing/activity.h"
#include "storage/base_storage.h"
#include "storage/db_app.h"
#include "storage/db_project.h"
#include "storage/db_rule.h"
#include "storage/db_site.h"
#include "storage/db_sqlite.h"
#include "storage/db_task.h"
#include "storage/db_user.h"
#include "storage/retry.h"

class CDBManager : public CWorkingDirectory, public CErrorBase {
public:
    // Every connection closed; the activity-file date 20150101000000.
    CDBManager() = default;
    // Closes the databases.
    ~CDBManager() override;
    CDBManager(const CDBManager&) = delete;
    CDBManager& operator=(const CDBManager&) = delete;

    // Opens the three files of the data folder (each up to 10 attempts) and
    // creates their tables; the activity file is the one of the current local
    // month. 1 done. 0 func.db or the activity file could not be opened; -8
    // no folder; -401/-402/-403 a path could not be built (sys, func,
    // activity); -404 sys.db could not be opened; -405/-406/-407 T_Apps,
    // T_Users, T_Sites; -408/-409/-410 T_Tasks, T_Projects, T_Rules; -411
    // T_Activities could not be created. What was opened stays open.
    int Initialization();
    // Closes the sys, func and activity connections, in that order. 1.
    int CloseDatabases();

    int64_t GetActFileDate() const { return m_actFileDate; }
    // Stores a non-zero date: 1; -1 for 0.
    int SetActFileDate(int64_t date);

    // Makes the open activity file the one of `date`'s month and year. 1 it
    // already was; 2 switched (or reopened after an earlier failure); -1 date
    // 0; -52 no current date; -8 no folder; -401/-402 no file name or path;
    // -2 the file could not be opened; -403 its table could not be created.
    // After a failure the activity file is closed and the current date keeps
    // the old month, so the next call tries again.
    int CheckADB(int64_t date);

    // Finds or adds the activity's user, application and site and writes
    // their ids into it; each lookup is tried up to 7 times, 200 ms apart.
    // No pause is taken but after a failure.
    // 1; -1 no user or no executable file name (after the user id was set);
    // otherwise the failing lookup's result: 0 when sys.db failed (busy,
    // locked, full: worth another try later). A site that cannot be resolved
    // for another reason is not an error: the site id stays.
    int ResolveActivityIds(CWinActivity& activity);
    // Inserts the activity into the open activity file, up to 7 attempts with
    // 200 ms pauses. 1; -100 no activity file open; the last insert result.
    int AddActivity(const CWinActivity& activity);
    // A batch of activities of one month in one transaction of the open
    // activity file, so that a backlog costs one flush to the disk, not one
    // per row: BeginActivities, then IsActivityStored and AddActivity for
    // each, then EndActivities. The caller keeps CheckADB from switching
    // files in between. Begin: 1; 0 failed (another writer, recorded).
    // End commits: 1 every row added since Begin is stored; 0 none is (the
    // commit failed and was rolled back, or SQLite had already rolled the
    // transaction back after a failure; recorded). ActivitiesPending: the
    // transaction is still open (false after such a rollback).
    int BeginActivities();
    int EndActivities();
    bool ActivitiesPending() const { return m_actDB.InTransaction(); }
    // Loads type, dates, durations and title of the activity with the latest
    // start in the open activity file into `activity`. 1; 0 none; -1, -100.
    int GetLastActivity(CActivity& activity);
    // Whether the activity file of the activity's month (opened by CheckADB)
    // holds its row: one with its start and type whose title begins the
    // activity's. 1 yes; 0 no; -2 the look-up failed (busy, locked, an I/O
    // error: not known yet, ask again later), or CheckADB's failure; never 0
    // on a failure.
    int IsActivityStored(const CActivity& activity);

    // While `*cut` is not 0, every retried operation of an activity's save is
    // tried once, without its pauses (an orderly stop must end in time).
    // nullptr: full retries. The flag may change on any thread.
    void SetRetriesCut(const std::atomic<int>* cut) { m_retriesCut = cut; }

    // Look the record up in sys.db (user: name and domain exactly; application:
    // file name and path ignoring letter case; site: address ignoring case)
    // and add it when missing. On 1 the record is the stored row, id
    // included. -1 its key text is empty; 0 still not found after the insert;
    // otherwise the failing table operation's result.
    int FindOrAddUser(CDBUser& user);
    int FindOrAddApp(CDBApp& app);
    int FindOrAddSite(CDBSite& site);

    // Catalogue operations on func.db, each up to 7 attempts with 200 ms
    // pauses between them; the result of the last attempt.
    // AddProject and AddRule do not read the new id back.
    int AddProject(const CDBProject& project);
    int AddRule(const CDBRule& rule);
    // Inserts the task and sets its id to that of the new row: the newest
    // live task of that name in that project. -2 the row was not found again;
    // a failed insert or read-back leaves the id unchanged.
    int AddTask(CDBTask& task);
    // Rewrites the stored task of the task's id with its project, name,
    // description and external key and status (CDBTaskTable::Update).
    int UpdateTask(const CDBTask& task);
    // Append every row to `out`.
    int GetProjects(CBaseStorage<CDBProject>& out);
    int GetTasks(CBaseStorage<CDBTask>& out);
    int GetRules(CBaseStorage<CDBRule>& out);

private:
    static const char* OrEmpty(const char* text) { return text ? text : ""; }
    void Record(const char* name, int code, const char* messageFormat, ...) QLO_PRINTF(4, 5);
    // Records "<label>|<inner name>", "(<inner code>) <inner text>", inner code.
    void RecordInner(const char* label, const CErrorBase& inner);
    int OpenActivityFile(int64_t date);
    // Records a failed lookup of ResolveActivityIds; returns `result`.
    int RecordLookup(const char* name, int result);
    template <class Operation>
    int Retry(int attempts, uint32_t pauseMs, Operation operation) {
        if (m_retriesCut && m_retriesCut->load() != 0) return operation();
        return RetryWithPause(attempts, pauseMs, operation);
    }

    CDBSQLite m_sysDB;
    CDBSQLite m_funcDB;
    CDBSQLite m_actDB;
    int64_t m_actFileDate = 20150101000000;
    const std::atomic<int>* m_retriesCut = nullptr;
};
