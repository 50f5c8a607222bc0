#pragma once
// A read-write SQLite connection for the curation library, with prepared
// statements whose values are bound (no text of a stranger's is ever
// spliced into SQL) and write transactions that wait for a busy file.
//
// Every connection has SQLite's secure_delete on: the text a change removes
// is overwritten in the file, not left in freed space.
// Begin() runs BEGIN IMMEDIATE: it takes the file's write lock at once and
// waits up to the busy limit while another connection (the collector) holds
// it; so does every statement. Results: 1 done; curation::kBusy the file
// stayed busy longer; curation::kFailed another error. Error() says which
// file and SQLite's text. Not thread-safe.

#include <sqlite3.h>

#include <cstdint>
#include <string>

class CSqlFile {
public:
    CSqlFile() = default;
    ~CSqlFile();
    CSqlFile(const CSqlFile&) = delete;
    CSqlFile& operator=(const CSqlFile&) = delete;

    // Opens `pathUtf8`; `create`: the file is made when missing.
    int Open(const std::string& pathUtf8, bool create, int busyLimitMs);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    // Runs statements without results.
    int Exec(const char* sql);
    int Begin() { return Exec("BEGIN IMMEDIATE"); }
    int Commit() { return Exec("COMMIT"); }
    // Rolls back an open transaction (nothing when none is open).
    void Rollback();
    int64_t LastInsertId() const { return sqlite3_last_insert_rowid(m_db); }
    // Turns SQLite's code into a result and records the error.
    int Failed(int code);

    const std::string& Error() const { return m_error; }
    const std::string& Path() const { return m_path; }
    sqlite3* Handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
    std::string m_path;
    std::string m_error;
};

// One prepared statement. Bind positions count from 1; columns from 0.
class CSqlStatement {
public:
    CSqlStatement(CSqlFile& file, const char* sql);
    ~CSqlStatement();
    CSqlStatement(const CSqlStatement&) = delete;
    CSqlStatement& operator=(const CSqlStatement&) = delete;

    bool Ok() const { return m_statement != nullptr; }
    CSqlStatement& Bind(int at, int64_t value);
    CSqlStatement& Bind(int at, const std::string& text);
    CSqlStatement& BindNull(int at);
    // Binds an id column's value: NULL when `isNull`.
    CSqlStatement& BindId(int at, int64_t value, bool isNull) { return isNull ? BindNull(at) : Bind(at, value); }
    // 1 a row; 0 done; otherwise the file's failure result.
    int Step();
    // Runs a statement without rows to its end: 1 or the failure result.
    int Run();
    void Reset();
    int64_t Int(int column) const { return sqlite3_column_int64(m_statement, column); }
    bool IsNull(int column) const { return sqlite3_column_type(m_statement, column) == SQLITE_NULL; }
    std::string Text(int column) const;
    int Columns() const { return sqlite3_column_count(m_statement); }
    const char* Name(int column) const { return sqlite3_column_name(m_statement, column); }
    // SQLITE_NULL, SQLITE_INTEGER, SQLITE_TEXT ...
    int Type(int column) const { return sqlite3_column_type(m_statement, column); }

private:
    CSqlFile& m_file;
    sqlite3_stmt* m_statement = nullptr;
    int m_prepared = 1;  // the failure result of a statement that could not be prepared
};
