#include "support/raw_database.h"

#include <gtest/gtest.h>

CRawDatabase::CRawDatabase(const std::string& path) { EXPECT_EQ(sqlite3_open(path.c_str(), &m_db), SQLITE_OK) << path; }

CRawDatabase::~CRawDatabase() { sqlite3_close(m_db); }

int CRawDatabase::Exec(const std::string& sql) { return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr); }

std::vector<std::vector<std::string>> CRawDatabase::Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(m_db);
        return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const unsigned char* text = sqlite3_column_text(statement, i);
            row.push_back(text ? reinterpret_cast<const char*>(text) : kNull);
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    return rows;
}

std::string CRawDatabase::Value(const std::string& sql) {
    const auto rows = Rows(sql);
    return rows.empty() || rows[0].empty() ? "" : rows[0][0];
}

int64_t CRawDatabase::Count(const std::string& table) { return std::stoll(Value("select count(*) from " + table)); }

std::string CRawDatabase::Schema(const std::string& table) {
    return Value("select sql from sqlite_master where type='table' and name='" + table + "'");
}
