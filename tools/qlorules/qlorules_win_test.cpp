// The built qlorules.exe under Wine beside a running QLOCollector.exe (the
// end-to-end harness of tests/system gives both their registry and data
// folder): its edits land in the collector's files and it has the collector
// reload its rules.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>

#include "collector_harness_win.h"

namespace {
std::string CatalogueValue(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    std::string value;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0))
        value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return value;
}

TEST(QlorulesProgram, ItsEditsLandInTheRunningCollectorsFilesAndTheCollectorReloads) {
    CCollectorSandbox sandbox;
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    const std::string qlorules = ProgramBesideTest("qlorules.exe");
    const std::string func = sandbox.DbFolder() + "\\func.db";

    CProgramRun run = RunProgram(qlorules, {"projects", "add", "ACME"});
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("rules reload requested"), std::string::npos) << run.output;
    const std::string acme = CatalogueValue(func, "select Id_Project from T_Projects where Name = 'ACME'");
    ASSERT_FALSE(acme.empty());
    run = RunProgram(qlorules, {"add", "--project", acme, "--path", "notepad"});
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(CatalogueValue(func, "select count(*) from T_Rules where Id_Project = " + acme), "1");
    run = RunProgram(qlorules, {"undo"});
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(CatalogueValue(func, "select count(*) from T_Rules where Id_Project = " + acme), "0");
    run = RunProgram(qlorules, {"add", "--project", acme, "--title", "Notepad"});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.output.find("capital letter"), std::string::npos) << run.output;
    EXPECT_TRUE(collector.Responds());
    CloseCollector(collector);
}
}  // namespace
