#include "storage/db_sqlite.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "storage/sql_text.h"
#include "support/temp_folder.h"

namespace {
TEST(Connection, NullConnectionStringIsRecorded) {
    CDBSQLite connection;
    EXPECT_EQ(connection.Connect(nullptr), 0);
    EXPECT_STREQ(connection.GetErrorName(), "Connect");
    EXPECT_STREQ(connection.GetErrorText(), "NULL connection string");
    EXPECT_EQ(connection.GetErrorCode(), -2);
    EXPECT_EQ(CheckConnection(&connection), -100);
    EXPECT_EQ(CheckConnection(nullptr), -1);
}

TEST(Connection, FolderThatDoesNotExistKeepsNoHandle) {
    CTempFolder folder;
    CDBSQLite connection;
    const std::string path = folder.File("missing") + "/x.db";
    EXPECT_EQ(connection.Connect(path.c_str()), 0);
    EXPECT_STREQ(connection.GetErrorText(), "(14) unable to open database file");
    EXPECT_EQ(connection.GetErrorCode(), 14);
    EXPECT_EQ(connection.GetHandle(), nullptr);
    EXPECT_EQ(connection.IsConnected(), 0);
    // Disconnecting what is not open fails and records nothing new.
    EXPECT_EQ(connection.Disconnect(), 0);
    EXPECT_STREQ(connection.GetErrorName(), "Connect");
}

TEST(Connection, OpensCreatesReopensAndCloses) {
    CTempFolder folder;
    CDBSQLite connection;
    const std::string path = folder.File("a.db");
    ASSERT_EQ(connection.Connect(path.c_str()), 1);
    EXPECT_EQ(connection.IsConnected(), 1);
    EXPECT_TRUE(std::filesystem::exists(path));
    // A second Connect replaces the open database without leaking it.
    ASSERT_EQ(connection.Connect(folder.File("b.db").c_str()), 1);
    EXPECT_EQ(connection.Disconnect(), 1);
    EXPECT_EQ(connection.IsConnected(), 0);
    EXPECT_EQ(connection.GetHandle(), nullptr);
    EXPECT_EQ(connection.Disconnect(), 0);
    EXPECT_EQ(connection.GetErrorName(), nullptr);
    ASSERT_EQ(connection.Connect(path.c_str()), 1);  // left open: the destructor closes it
}

TEST(StatementText, RefusesWhatDoesNotFitAndKeepsTheText) {
    CSqlText sql;
    EXPECT_EQ(sql.Append("x"), -8);
    ASSERT_EQ(sql.Allocate(10), 1);
    EXPECT_EQ(sql.Append("select"), 1);
    EXPECT_EQ(sql.AppendFormat(" %d", 1234), -5);
    EXPECT_EQ(sql.AppendFormat(" %d", 123), 1);
    EXPECT_STREQ(sql.Get(), "select 123");
    EXPECT_EQ(sql.Append("!"), -5);
    EXPECT_EQ(sql.Length(), 10);
}

TEST(StatementText, QuotedCopiesDoubleQuotesAndNeverEndInHalfAPair) {
    EXPECT_STREQ(CQuotedText("it's 'x'").Get(), "it''s ''x''");
    EXPECT_STREQ(CQuotedText(nullptr).Get(), "");
    EXPECT_STREQ(CQuotedText("abcdef", 3).Get(), "abc");
    EXPECT_STREQ(CQuotedText("ab'c", 10, 3).Get(), "ab");
    EXPECT_STREQ(CQuotedText("ab'c", 10, 4).Get(), "ab''");
    // A multi-byte character is kept whole or not at all (on Windows the
    // code page has one byte per character, so the cut may fall anywhere).
    const CQuotedText cut("a\xC3\xA9", 2);
    EXPECT_TRUE(std::string(cut.Get()) == "a" || std::string(cut.Get()) == "a\xC3");
}
}  // namespace
