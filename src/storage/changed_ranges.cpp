#include "storage/changed_ranges.h"

#include <sqlite3.h>

#include <memory>

const char kChangedRangesFileName[] = "changes.db";

namespace {
struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

std::string PathOf(const std::string& folderUtf8) {
    std::string path = folderUtf8;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
    return path + kChangedRangesFileName;
}

int Failed(sqlite3* db, const std::string& path, std::string& error) {
    error = path + ": " + (db ? sqlite3_errmsg(db) : "cannot be opened");
    return 0;
}

// Opens the journal; `create`: made (with its table) when missing. A
// missing file not to be made leaves `db` empty, result 1.
int OpenJournal(const std::string& path, bool create, int busyLimitMs, Database& db, std::string& error) {
    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int code = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    db.reset(raw);
    if (code == SQLITE_CANTOPEN && !create) {
        db.reset();
        return 1;
    }
    if (code != SQLITE_OK) return Failed(db.get(), path, error);
    sqlite3_busy_timeout(db.get(), busyLimitMs);
    if (create && sqlite3_exec(db.get(),
                               "CREATE TABLE IF NOT EXISTS changed_ranges (sequence INTEGER PRIMARY KEY "
                               "AUTOINCREMENT, from_date INTEGER NOT NULL, to_date INTEGER NOT NULL)",
                               nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failed(db.get(), path, error);
    return 1;
}
}  // namespace

int RecordChangedRange(const std::string& folderUtf8, int64_t from, int64_t to, std::string& error, int busyLimitMs) {
    const std::string path = PathOf(folderUtf8);
    Database db;
    if (OpenJournal(path, true, busyLimitMs, db, error) != 1) return 0;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), "INSERT INTO changed_ranges (from_date, to_date) VALUES (?, ?)", -1, &raw,
                           nullptr) != SQLITE_OK)
        return Failed(db.get(), path, error);
    Statement insert(raw);
    sqlite3_bind_int64(raw, 1, from);
    sqlite3_bind_int64(raw, 2, to);
    return sqlite3_step(raw) == SQLITE_DONE ? 1 : Failed(db.get(), path, error);
}

int VisitChangedRanges(const std::string& folderUtf8, int64_t after,
                       const std::function<void(const CChangedRange&)>& visit, std::string& error, int busyLimitMs) {
    const std::string path = PathOf(folderUtf8);
    Database db;
    if (OpenJournal(path, false, busyLimitMs, db, error) != 1) return 0;
    if (!db) return 1;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(),
                           "SELECT sequence, from_date, to_date FROM changed_ranges WHERE sequence > ? ORDER BY "
                           "sequence",
                           -1, &raw, nullptr) != SQLITE_OK)
        // A file another program is still making has no table yet.
        return sqlite3_errcode(db.get()) == SQLITE_ERROR ? 1 : Failed(db.get(), path, error);
    Statement select(raw);
    sqlite3_bind_int64(raw, 1, after);
    int code;
    while ((code = sqlite3_step(raw)) == SQLITE_ROW)
        visit({sqlite3_column_int64(raw, 0), sqlite3_column_int64(raw, 1), sqlite3_column_int64(raw, 2)});
    return code == SQLITE_DONE ? 1 : Failed(db.get(), path, error);
}
