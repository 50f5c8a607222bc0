#pragma once
// Direct access to an SQLite file for tests: run statements, read values and
// rows, read a table's stored create statement, and hold locks from a second
// connection. Failures end the test with a GoogleTest failure.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

class CRawDatabase {
public:
    // Text that stands for a NULL column value.
    static constexpr const char* kNull = "<null>";

    explicit CRawDatabase(const std::string& path);
    ~CRawDatabase();
    CRawDatabase(const CRawDatabase&) = delete;
    CRawDatabase& operator=(const CRawDatabase&) = delete;

    // Runs one or more statements; SQLite's result code.
    int Exec(const std::string& sql);
    // Every row of a query, each column as text (kNull for NULL).
    std::vector<std::vector<std::string>> Rows(const std::string& sql);
    // The first column of the first row ("" when there is no row).
    std::string Value(const std::string& sql);
    int64_t Count(const std::string& table);
    // The create statement SQLite keeps for `table` in sqlite_master.
    std::string Schema(const std::string& table);

    sqlite3* Handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};
