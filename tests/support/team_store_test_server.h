#pragma once
// The team store tests' PostgreSQL server and data.
//
// The server is tests/support/pg_test_server.sh's, started by ctest before
// the tests in their working folder (which holds its "port" and "ca.pem");
// a test may start one of its own in another folder. Each test works in a
// fresh database of its own, dropped afterwards, so tests can run side by
// side. The role "qlo" connects from 127.0.0.1 without a password.
//
// FillTeamFolder writes a collector's data folder as one of a team's: a
// catalogue whose names the team shares, under ids of the folder's own (each
// seed adds them in another order), and rows of every type. Failures end the
// test with a GoogleTest failure.

#include <cstdint>
#include <string>

#include "support/activity_folder.h"

class CTeamStoreTestDatabase {
public:
    // A new database on the server of `serverFolder` (empty: the working folder).
    explicit CTeamStoreTestDatabase(const std::string& serverFolder = "");
    ~CTeamStoreTestDatabase();
    CTeamStoreTestDatabase(const CTeamStoreTestDatabase&) = delete;
    CTeamStoreTestDatabase& operator=(const CTeamStoreTestDatabase&) = delete;

    int Port() const { return m_port; }
    const std::string& Name() const { return m_name; }
    // "host=127.0.0.1 port=... user=qlo dbname=..."
    std::string Conninfo() const;
    // The same database through the pooler of `poolerFolder`
    // (tests/support/pgbouncer_test_server.sh; by default "pooler" in the
    // working folder), with its password file.
    std::string PoolerConninfo(const std::string& poolerFolder = "pooler") const;
    // Fails the test unless the daily summaries hold exactly the rows' sums.
    void ExpectSummariesEqualRows() const;
    // Runs `sql` as qlo in the database: the first value of its first row
    // ("" when none); a failure fails the test.
    std::string Query(const std::string& sql) const;

private:
    int m_port = 0;
    std::string m_name;
};

// Adds `rowsPerMonth` rows in each of `months` months from January 2026 to
// `data` with its catalogue. Returns the rows written.
std::vector<CStoredRow> FillTeamFolder(CActivityFolder& data, int seed, int months, int rowsPerMonth);
