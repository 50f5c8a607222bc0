#include "storage/db_sqlite.h"

#include <sqlite3.h>

#include <cstdio>

#include "platform/clock.h"

namespace {
constexpr int kNameLimit = 64;
constexpr int kMessageLimit = 255;
constexpr int kBusyPauseMs = 10;

// SQLite's busy handler of the read-write connections: another pause while
// the timeout has not passed (`calls` pauses were taken before).
int WaitForLock(void*, int calls) {
    if (calls * kBusyPauseMs >= CDBSQLite::kWriteBusyTimeoutMs) return 0;
    Clock().Sleep(kBusyPauseMs);
    return 1;
}
}  // namespace

CDBSQLite::~CDBSQLite() {
    if (m_db) sqlite3_close(m_db);
}

int CDBSQLite::Connect(const char* connectionString) {
    const int opened = Open(connectionString, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (opened != 1) return opened;
    sqlite3_busy_handler(m_db, WaitForLock, nullptr);
    // Space SQLite frees or leaves behind (a page split copies rows, an
    // update moves one) is overwritten with zeros, so that a title removed
    // later (forgotten, expired) leaves no copy in the file. Not every build
    // of SQLite does that by default.
    sqlite3_exec(m_db, "PRAGMA secure_delete = ON", nullptr, nullptr, nullptr);
    return opened;
}

int CDBSQLite::ConnectReadOnly(const char* path, int busyTimeoutMs) {
    // One thread uses a connection, so SQLite's own locking of it is not needed.
    const int opened = Open(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
    if (opened == 1) sqlite3_busy_timeout(m_db, busyTimeoutMs);
    return opened;
}

int CDBSQLite::Open(const char* connectionString, int flags) {
    if (!connectionString) {
        SetError("Connect", kNameLimit, "NULL connection string", kMessageLimit, -2);
        return 0;
    }
    // A handle still held (an open database) would otherwise leak with its file.
    if (m_db) Disconnect();
    const int rc = sqlite3_open_v2(connectionString, &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        char message[kMessageLimit + 1];
        std::snprintf(message, sizeof message, "(%i) %s", rc, sqlite3_errmsg(m_db));
        SetError("Connect", kNameLimit, message, kMessageLimit, rc);
        // SQLite hands out a handle even when the open fails; it is of no use
        // and must still be closed.
        sqlite3_close(m_db);
        m_db = nullptr;
        return 0;
    }
    if (!m_db) {
        SetError("Connect", kNameLimit, "db pointer is NULL", kMessageLimit, 0);
        return 0;
    }
    m_isConnected = 1;
    return 1;
}

int CDBSQLite::Disconnect() {
    if (!m_db) return 0;
    const int rc = sqlite3_close(m_db);
    m_db = nullptr;
    m_isConnected = 0;
    if (rc != SQLITE_OK) {
        char message[37];
        std::snprintf(message, sizeof message, "Close was failed %i", rc);
        SetError("Disconnect", kNameLimit, message, kMessageLimit, rc);
        return 0;
    }
    return 1;
}

int CDBSQLite::Execute(const char* sql) {
    if (!m_db) return -100;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return 1;
    char message[kMessageLimit + 1];
    std::snprintf(message, sizeof message, "(%i) %s", rc, sqlite3_errmsg(m_db));
    SetError("Execute", kNameLimit, message, kMessageLimit, rc);
    return 0;
}

bool CDBSQLite::InTransaction() const { return m_db && sqlite3_get_autocommit(m_db) == 0; }

int CheckConnection(const CDBSQLite* connection) {
    if (!connection) return -1;
    if (!connection->GetHandle()) return -100;
    return 1;
}
