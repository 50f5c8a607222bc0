// QLOCollector.exe starting: one instance per desktop, and what a first
// start leaves on disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

#include "collector_harness_win.h"
#include "support/raw_database.h"

namespace {
bool IsFolder(const std::string& path) { return std::filesystem::is_directory(path); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Checks the header of a new log file and the time stamp of every line after it.
void ExpectLogFile(const std::string& path, const std::string& title) {
    const std::string text = ReadFileBytes(path);
    ASSERT_FALSE(text.empty()) << path;
    EXPECT_EQ(text.rfind(title + "\r\n" + std::string(44, '-') + "\r\n", 0), 0u) << path;
    const std::regex stamped(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\.\d{3} .*\r)");
    const auto lines = Lines(text);
    ASSERT_GT(lines.size(), 2u) << path;
    for (size_t i = 2; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], stamped)) << lines[i];
}

TEST(ProgramStart, ASecondInstanceLeavesAtOnceAndTheFirstRunsOn) {
    CCollectorSandbox sandbox;
    CCollector first;
    ASSERT_TRUE(first.Start());

    const CProgramRun second = RunProgram(CollectorPath(), {}, 15000);
    EXPECT_TRUE(second.ended);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_TRUE(first.IsRunning());
    EXPECT_EQ(FindCollectorWindow(), first.Window());
    EXPECT_FALSE(IsWindowVisible(first.Window())) << "the window is never shown";
}

TEST(ProgramStart, AnUnknownArgumentIsRefusedInTheErrorLogWithoutStarting) {
    CCollectorSandbox sandbox;
    ASSERT_TRUE(std::filesystem::create_directories(sandbox.LogsFolder()));
    const CProgramRun refused = RunProgram(CollectorPath(), {"--start-minimised"}, 15000);
    EXPECT_TRUE(refused.ended);
    EXPECT_EQ(refused.exitCode, 2u);
    EXPECT_EQ(FindCollectorWindow(), nullptr);
    const std::string log = ReadFileBytes(sandbox.LogsFolder() + "\\QLOCollector_Error.log");
    EXPECT_NE(log.find("unknown option '--start-minimised'"), std::string::npos) << log;
    EXPECT_FALSE(IsFolder(sandbox.DbFolder()));
}

TEST(ProgramStart, AFirstStartMakesTheFoldersLogsDatabasesAndTheDefaultCatalogue) {
    CCollectorSandbox sandbox;
    CHelperProcess window;
    ASSERT_TRUE(StartWindow(window, ProgramBesideTest("window_helper.exe"), "First start"));
    const std::string monthFile = ActivityFileNow();
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity("First start"));
    CloseCollector(collector);

    for (const auto& folder :
         {sandbox.DataFolder(), sandbox.LogsFolder(), sandbox.LogsFolder() + "\\Archive", sandbox.DbFolder()})
        EXPECT_TRUE(IsFolder(folder)) << folder;
    const std::string dbFolder = sandbox.DbFolder() + "\\";
    EXPECT_TRUE(std::filesystem::exists(dbFolder + "sys.db"));
    EXPECT_TRUE(std::filesystem::exists(dbFolder + "func.db"));
    // The month may have turned while the collector started.
    EXPECT_TRUE(std::filesystem::exists(dbFolder + monthFile) || std::filesystem::exists(dbFolder + ActivityFileNow()))
        << monthFile;

    CRawDatabase catalogue(dbFolder + "func.db");
    EXPECT_EQ(catalogue.Count("T_Projects"), 15);
    EXPECT_EQ(catalogue.Count("T_Tasks"), 58);
    EXPECT_EQ(catalogue.Count("T_Rules"), 52);
    EXPECT_EQ(catalogue.Rows("select t.Name, p.Name from T_Tasks t join T_Projects p using (Id_Project) "
                             "where t.IsDefault = 1"),
              (std::vector<std::vector<std::string>>{{"Uncategorized", "Uncategorized"}}));
    // The special projects take idle, locked and offline time by their rules.
    EXPECT_EQ(
        catalogue.Rows("select p.Name, r.AppType, r.Id_Task from T_Rules r join T_Projects p "
                       "using (Id_Project) where r.AppType & 15 <> 1 order by r.AppType"),
        (std::vector<std::vector<std::string>>{{"Offline", "130", "0"}, {"Locked", "132", "0"}, {"Idle", "136", "0"}}));
    CRawDatabase system(dbFolder + "sys.db");
    for (const char* table : {"T_Apps", "T_Users", "T_Sites"})
        EXPECT_NE(system.Schema(table), "") << table;

    ExpectLogFile(sandbox.LogsFolder() + "\\QLOCollector.log", "QLO Information Log");
    // A first start finds no stored activity, which the error log reports.
    ExpectLogFile(sandbox.LogsFolder() + "\\QLOCollector_Error.log", "QLO Error Log");
    const std::string info = ReadFileBytes(sandbox.LogsFolder() + "\\QLOCollector.log");
    EXPECT_NE(info.find("Start process"), std::string::npos);
    EXPECT_NE(info.find("CTimeManager::Init finished"), std::string::npos);
}

TEST(ProgramStart, TheTimeBetweenTwoRunsIsStoredAsOffline) {
    CCollectorSandbox sandbox;
    const std::string title = "Between two runs - Excel";
    CHelperProcess window;
    ASSERT_TRUE(StartWindow(window, sandbox.CopyProgram("window_helper.exe", "excel.exe"), title));
    for (int run = 0; run < 2; ++run) {
        CCollector collector;
        ASSERT_TRUE(collector.Start()) << run;
        ASSERT_TRUE(sandbox.WaitForCurrentActivity(title, 2)) << run;
        CloseCollector(collector);
        // Two seconds between the runs.
        if (run == 0) {
            ASSERT_TRUE(WaitUntilPast(sandbox.ActivitiesTitled(title).back().finish, 2));
        }
    }

    const auto rows = sandbox.ActivitiesTitled(title);
    ASSERT_EQ(rows.size(), 3u);
    const CActivityRow& offline = rows[1];
    EXPECT_EQ(rows[0].type, kActive);
    EXPECT_EQ(offline.type, kOffline);
    EXPECT_EQ(rows[2].type, kActive);
    EXPECT_EQ(offline.start, rows[0].finish);
    EXPECT_EQ(offline.finish, rows[2].start);
    EXPECT_GE(offline.duration, 2);
    EXPECT_EQ(offline.fileName, "excel.exe");
    EXPECT_EQ(offline.project, "Offline");
    EXPECT_EQ(offline.taskId, 0);
}
}  // namespace
