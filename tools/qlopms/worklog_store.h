#pragma once
// What qlopms has posted to JIRA, so that nothing is ever posted twice: the
// SQLite file "worklog.db" beside the collector's databases, qlopms's own
// (the collector's files and tables are not touched).
//
//   T_PostedWorklogs (Id_Post, Day, Id_Task, IssueKey, Minutes, Started,
//                     CoveredUntil, PostedDate, State)
//
// One row per worklog sent: the day and task it books, its minutes and
// start, the finish of the last recorded row it counted (a later post of that
// day starts after it), when it was sent, and its state: 1 JIRA confirmed it;
// 0 it was sent and no answer came, so JIRA may hold it. Both states count
// as posted: a worklog in doubt is reported, never sent again.
//
// A row is written before its worklog is sent and confirmed or removed after
// the answer, each in its own transaction, so a failure part-way keeps
// everything that was posted before it. One posting run at a time: a second
// qlopms that wants to post while one does is turned away (LockForPosting).
//
// Results: 1 done; 0 an SQLite failure (Failure() says which); -7 another
// run posts. Not thread-safe.

#include <sqlite3.h>

#include <cstdint>
#include <string>

class CWorklogStore {
public:
    CWorklogStore() = default;
    ~CWorklogStore();
    CWorklogStore(const CWorklogStore&) = delete;
    CWorklogStore& operator=(const CWorklogStore&) = delete;

    // Opens (creating when missing) "worklog.db" in `folderUtf8`.
    int Open(const std::string& folderUtf8);
    // Holds the posting lock ("worklog.lock" beside it) until destruction.
    int LockForPosting();

    struct CPosted {
        int64_t minutes = 0;       // posted or in doubt
        int64_t coveredUntil = 0;  // the latest CoveredUntil; 0 when nothing was posted
        int inDoubt = 0;           // rows sent without an answer
    };
    // What was posted for the day (packed 00:00:00) and task.
    int GetPosted(int64_t day, int32_t taskId, CPosted& out);

    // Writes the row of a worklog about to be sent (state 0); `id` receives its id.
    int BeginPost(int64_t day, int32_t taskId, const std::string& issueKey, int64_t minutes, int64_t started,
                  int64_t coveredUntil, int64_t now, int64_t& id);
    // JIRA confirmed it: state 1.
    int ConfirmPost(int64_t id);
    // JIRA surely did not take it (it answered otherwise, or nothing was sent): the row goes.
    int ForgetPost(int64_t id);

    const std::string& Failure() const { return m_failure; }

private:
    int Exec(const char* sql);
    int Fail(sqlite3* db, const char* what);

    sqlite3* m_db = nullptr;
    sqlite3* m_lock = nullptr;
    std::string m_folder;
    std::string m_failure;
};
