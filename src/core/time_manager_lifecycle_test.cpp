// Start-up and shutdown of the time manager through the target's registry.
#include <filesystem>
#include <fstream>

#include "core/time_manager_test_fixture.h"
#include "platform/registry.h"

namespace {
namespace fs = std::filesystem;

class Startup : public TimeManagerTest {};

TEST_F(Startup, ReadsTheSettingsCreatesTheFoldersAndDatabasesAndLearnsTheUser) {
    ASSERT_EQ(Init(), 1);
    for (const std::string& folder : {logsFolder, logsFolder + kPathSeparator + "Archive", dbFolder})
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
    for (const char* file : {"sys.db", "func.db", "act1226.db"})
        EXPECT_TRUE(fs::exists(DbFile(file))) << file;
    EXPECT_STREQ(g_currentUser.GetDomain(), "HOST");
    EXPECT_STREQ(g_currentUser.GetName(), "alice");
    EXPECT_EQ(tm->GetConfiguration().GetCollectorLogLevel(), 3u);
    EXPECT_EQ(tm->Deinit(), 1);
    EndAndReadLogs();
    // The lines before the logs had a folder went nowhere.
    EXPECT_EQ(CountContaining(infoLog, "CTimeManager::Init started"), 0);
    EXPECT_EQ(CountContaining(infoLog, "Configuration was loaded & QLO started"), 0);
    EXPECT_EQ(CountContaining(infoLog, "CTimeManager::Init finished"), 1);
    EXPECT_EQ(CountContaining(infoLog, "CTimeManager::Deinit started"), 1);
    EXPECT_EQ(CountContaining(infoLog, "CTimeManager::Deinit finished"), 1);
    // (The window handle is made up: Windows may refuse to unregister it.)
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::Init"), 0);
}

TEST_F(Startup, WithoutAWindowOrTheInstallationPathInitFailsAndTheErrorLogNamesTheSetting) {
    tm = std::make_unique<CTimeManager>();
    EXPECT_EQ(tm->Init(0), 0);
    EXPECT_FALSE(fs::exists(dataFolder));
    EXPECT_EQ(tm->Init(kMainWindow), -320);
    registry.SetString(kMainKey, "Path", install + kPathSeparator + "missing");
    EXPECT_EQ(tm->Init(kMainWindow), -320);
    EXPECT_EQ(tm->LoadConfiguration(), 0);
    EXPECT_FALSE(fs::exists(dbFolder)) << "nothing but the logs before the settings are right";
    EndAndReadLogs();
    const std::string key = Registry().DescribeKey(REGISTRY_LOCAL_MACHINE, kMainKey);
    const std::string place = "CTimeManager::LoadConfiguration (1) ";
    const std::string missing = place + "the setting \"Path\" (the install folder) is missing from " + key;
    const std::string stale = place + "the setting \"Path\" of " + key + " names the install folder \"" + install +
                              kPathSeparator + "missing\", which does not exist";
    // (A second Init on Windows also says that COM was set up already.)
    EXPECT_EQ(CountContaining(errorLog, missing), 1);
    EXPECT_EQ(CountContaining(errorLog, stale), 2);
}

TEST_F(Startup, WithoutALogLevelOnlyTheErrorLogIsWritten) {
    registry.SetString(kMainKey, "Path", install);
    tm = std::make_unique<CTimeManager>();
    ASSERT_EQ(tm->Init(kMainWindow), 1);
    EXPECT_EQ(tm->OnEvent(EVENT_PAUSE), 1);
    EXPECT_EQ(tm->OnEvent(-1), 1);
    EXPECT_EQ(tm->OnEvent(9), -1);
    EndAndReadLogs();
    EXPECT_EQ(infoLog, std::vector<std::string>{});
    EXPECT_EQ(errorLog, std::vector<std::string>{"CTimeManager::OnEvent (1) Incorrect Event = 9"});
}

TEST_F(Startup, ADatabaseFolderThatCannotBeCreatedEndsInitWithTheDatabaseResult) {
    fs::create_directories(dataFolder);
    std::ofstream(dbFolder) << "not a folder";
    EXPECT_EQ(Init(1), -404);
    EndAndReadLogs();
    EXPECT_EQ(errorLog, std::vector<std::string>{"CTimeManager::Init (3) Initialization() = -404"});
}

TEST_F(Startup, UnreadableRulesAreLoggedAndTheStartGoesOnWithTheUserAndTheLockEvents) {
    ASSERT_EQ(Init(), 1);
    // A view of that name survives the start-up's create statement and
    // lacks the columns the rules are read from.
    ASSERT_EQ(CRawDatabase(DbFile("func.db")).Exec("drop table T_Rules; create view T_Rules as select 1 as Id_Rule"),
              SQLITE_OK);
    g_currentUser = CUser();
    EXPECT_EQ(Restart(), 0);
    EXPECT_STREQ(g_currentUser.GetName(), "alice");
    StartAt(20261207090000);
    At(20261207090010, EVENT_LOCK);
    At(20261207090020, EVENT_UNLOCK);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"20261207090000-20261207090010 10 1 notes.txt - Editor",
                                                "20261207090010-20261207090020 10 3 notes.txt - Editor"}));
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::Init (5) UpdateRules() = 0"), 1);
    EXPECT_EQ(CountContaining(infoLog, "CTimeManager::Init finished"), 2);
}

}  // namespace
