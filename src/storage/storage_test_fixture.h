#pragma once
// Test fixture of the table suites: a fresh database file in a temporary
// folder, open through the product's connection, and a second, raw
// connection to the same file for checking what was stored.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "storage/db_sqlite.h"
#include "support/raw_database.h"
#include "support/temp_folder.h"

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = m_folder.File("test.db");
        ASSERT_EQ(m_connection.Connect(m_path.c_str()), 1);
        m_raw = std::make_unique<CRawDatabase>(m_path);
    }
    void TearDown() override {
        m_raw.reset();
        m_connection.Disconnect();
    }

    CTempFolder m_folder;
    std::string m_path;
    CDBSQLite m_connection;
    std::unique_ptr<CRawDatabase> m_raw;
};
