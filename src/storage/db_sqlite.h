#pragma once
// One open SQLite database file.
//
// The connection string is the file's full path in UTF-8; the file is opened
// for reading and writing and created when missing. A statement that meets
// another connection's lock waits for it up to kWriteBusyTimeoutMs, in short
// pauses through the clock service, before it fails as busy. Failures are
// kept in the connection's CErrorBase under "Connect", "Disconnect" or
// "Execute". Table classes are handed a connection per call and check it
// with CheckConnection.
// Not thread-safe: one thread at a time uses a connection.

#include "log/error_base.h"
#include "storage/db_base.h"

struct sqlite3;

class CDBSQLite : public CDBBase, public CErrorBase {
public:
    // How long a statement of a read-write connection waits for a lock held
    // by another connection (a report's read, the desktop application).
    // Short, because the collector's saves hold the time manager's lock
    // meanwhile; the callers retry what still fails.
    static constexpr int kWriteBusyTimeoutMs = 250;

    CDBSQLite() = default;
    // Closes a database that is still open.
    ~CDBSQLite() override;
    CDBSQLite(const CDBSQLite&) = delete;
    CDBSQLite& operator=(const CDBSQLite&) = delete;

    // Opens the file named by `connectionString`, first closing any database
    // this connection still holds. 1 open; 0 otherwise, with the failure
    // recorded: "NULL connection string" (code -2), "(<code>) <SQLite's
    // text>" (SQLite's result code, for example 14 for a folder that does not
    // exist; no handle is kept), or "db pointer is NULL" (code 0).
    int Connect(const char* connectionString) override;
    // Opens an existing file for reading only (the report tools): nothing is
    // created or written, and the file is locked only for the read
    // transaction of each statement. A statement that meets a writer's lock
    // waits up to `busyTimeoutMs` for it. Results and failures as Connect; a
    // missing file fails with SQLite's code 14.
    int ConnectReadOnly(const char* path, int busyTimeoutMs);
    // 1 closed; 0 nothing was open (nothing recorded) or the close failed
    // ("Close was failed <code>"). The connection is closed afterwards in
    // every case.
    int Disconnect() override;

    // Runs statements without results ("begin immediate", "commit"). 1; 0
    // failed ("(<code>) <SQLite's text>" under "Execute", SQLite's code);
    // -100 no open database.
    int Execute(const char* sql);
    // Whether a transaction begun with Execute is still open: SQLite ends
    // one by itself after some failures (a full disk, an I/O error).
    bool InTransaction() const;

    // The SQLite handle, or nullptr when no database is open.
    sqlite3* GetHandle() const { return m_db; }

private:
    int Open(const char* path, int flags);

    sqlite3* m_db = nullptr;
};

// The check every table operation makes first: -1 no connection object;
// -100 no open database; 1 usable.
int CheckConnection(const CDBSQLite* connection);
