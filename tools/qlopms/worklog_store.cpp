#include "qlopms/worklog_store.h"

#include <memory>

namespace {
constexpr char kFileName[] = "worklog.db";
constexpr char kLockName[] = "worklog.lock";
constexpr int kBusyMs = 5000;
constexpr char kCreate[] =
    "create table if not exists T_PostedWorklogs (Id_Post INTEGER PRIMARY KEY AUTOINCREMENT, Day BIGINT NOT NULL, "
    "Id_Task INTEGER NOT NULL, IssueKey VARCHAR (255), Minutes INTEGER NOT NULL, Started BIGINT, CoveredUntil "
    "BIGINT, PostedDate BIGINT, State TINYINT NOT NULL)";

struct CFinalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using CStatement = std::unique_ptr<sqlite3_stmt, CFinalize>;

CStatement Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    return CStatement(statement);
}

std::string Join(const std::string& folder, const char* name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}
}  // namespace

CWorklogStore::~CWorklogStore() {
    sqlite3_close(m_db);
    sqlite3_close(m_lock);
}

int CWorklogStore::Fail(sqlite3* db, const char* what) {
    m_failure = std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "no database");
    return 0;
}

int CWorklogStore::Exec(const char* sql) {
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK ? 1 : Fail(m_db, sql);
}

int CWorklogStore::Open(const std::string& folderUtf8) {
    m_folder = folderUtf8;
    const std::string path = Join(folderUtf8, kFileName);
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        return Fail(m_db, ("the worklog store " + path + " cannot be opened").c_str());
    sqlite3_busy_timeout(m_db, kBusyMs);
    return Exec(kCreate);
}

int CWorklogStore::LockForPosting() {
    const std::string path = Join(m_folder, kLockName);
    if (sqlite3_open_v2(path.c_str(), &m_lock, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        return Fail(m_lock, ("the posting lock " + path + " cannot be opened").c_str());
    // Held until the connection closes; a second run is refused at once.
    const int begun = sqlite3_exec(m_lock, "begin exclusive", nullptr, nullptr, nullptr);
    if (begun == SQLITE_BUSY) {
        m_failure = "another qlopms is posting worklogs at the moment";
        return -7;
    }
    return begun == SQLITE_OK ? 1 : Fail(m_lock, "the posting lock");
}

int CWorklogStore::GetPosted(int64_t day, int32_t taskId, CPosted& out) {
    out = CPosted{};
    CStatement select = Prepare(m_db,
                                "select ifnull(sum(Minutes), 0), ifnull(max(CoveredUntil), 0), "
                                "ifnull(sum(State = 0), 0) from T_PostedWorklogs where Day = ? and Id_Task = ?");
    if (!select) return Fail(m_db, "reading the worklog store");
    sqlite3_bind_int64(select.get(), 1, day);
    sqlite3_bind_int(select.get(), 2, taskId);
    if (sqlite3_step(select.get()) != SQLITE_ROW) return Fail(m_db, "reading the worklog store");
    out.minutes = sqlite3_column_int64(select.get(), 0);
    out.coveredUntil = sqlite3_column_int64(select.get(), 1);
    out.inDoubt = sqlite3_column_int(select.get(), 2);
    return 1;
}

int CWorklogStore::BeginPost(int64_t day, int32_t taskId, const std::string& issueKey, int64_t minutes, int64_t started,
                             int64_t coveredUntil, int64_t now, int64_t& id) {
    CStatement insert = Prepare(m_db,
                                "insert into T_PostedWorklogs (Day, Id_Task, IssueKey, Minutes, Started, CoveredUntil, "
                                "PostedDate, State) values (?, ?, ?, ?, ?, ?, ?, 0)");
    if (!insert) return Fail(m_db, "writing the worklog store");
    sqlite3_bind_int64(insert.get(), 1, day);
    sqlite3_bind_int(insert.get(), 2, taskId);
    sqlite3_bind_text(insert.get(), 3, issueKey.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(insert.get(), 4, minutes);
    sqlite3_bind_int64(insert.get(), 5, started);
    sqlite3_bind_int64(insert.get(), 6, coveredUntil);
    sqlite3_bind_int64(insert.get(), 7, now);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) return Fail(m_db, "writing the worklog store");
    id = sqlite3_last_insert_rowid(m_db);
    return 1;
}

int CWorklogStore::ConfirmPost(int64_t id) {
    CStatement update = Prepare(m_db, "update T_PostedWorklogs set State = 1 where Id_Post = ?");
    if (!update) return Fail(m_db, "writing the worklog store");
    sqlite3_bind_int64(update.get(), 1, id);
    return sqlite3_step(update.get()) == SQLITE_DONE ? 1 : Fail(m_db, "writing the worklog store");
}

int CWorklogStore::ForgetPost(int64_t id) {
    CStatement remove = Prepare(m_db, "delete from T_PostedWorklogs where Id_Post = ?");
    if (!remove) return Fail(m_db, "writing the worklog store");
    sqlite3_bind_int64(remove.get(), 1, id);
    return sqlite3_step(remove.get()) == SQLITE_DONE ? 1 : Fail(m_db, "writing the worklog store");
}
