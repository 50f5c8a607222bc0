// The first-start catalogue: what an empty func.db receives, how the seeded
// rules categorise, and what happens when seeding is not asked for, not
// needed, or cut short.
#include <string>

#include "core/time_manager_test_fixture.h"

namespace {
class FirstStart : public TimeManagerTest {
protected:
    // The number of projects, tasks and rules, as "P/T/R".
    std::string Counts() {
        CRawDatabase func(DbFile("func.db"));
        return std::to_string(func.Count("T_Projects")) + "/" + std::to_string(func.Count("T_Tasks")) + "/" +
               std::to_string(func.Count("T_Rules"));
    }
};

TEST_F(FirstStart, FillsAnEmptyCatalogueWithFifteenProjectsFiftyEightTasksAndFiftyTwoRules) {
    ASSERT_EQ(Init(1), 1);
    EXPECT_EQ(Counts(), "15/58/52");
    CRawDatabase func(DbFile("func.db"));
    EXPECT_EQ(func.Value("select group_concat(Name, '|') from (select Name from T_Projects order by Id_Project)"),
              "Uncategorized|Offline|Locked|Idle|Business|Communication & Scheduling|Social Networking|Design & "
              "Composition|Entertainment|News & Opinion & Guides|Learning & Reference|Software Development|"
              "Shopping|Utilities|Miscellaneous");
    // One default task, found again at start-up.
    EXPECT_EQ(func.Value("select count(*) from T_Tasks where IsDefault = 1"), "1");
    EXPECT_EQ(func.Value(
                  "select t.Name || ' in ' || p.Name || ' ' || (t.Id_Task = " + std::to_string(tm->GetDefaultTaskId()) +
                  ") || (p.Id_Project = " + std::to_string(tm->GetDefaultProjectId()) +
                  ") from T_Tasks t join T_Projects p using (Id_Project) where t.IsDefault = 1"),
              "Uncategorized in Uncategorized 11");
    // The special rules: no task, a selector and priority 128.
    EXPECT_EQ(func.Value("select group_concat(p.Name || ':' || r.Id_Task || ':' || r.AppType, ' ') from T_Rules r "
                         "join T_Projects p using (Id_Project) where r.AppType > 128"),
              "Offline:0:130 Locked:0:132 Idle:0:136");
    // A program rule exactly as it is stored.
    EXPECT_EQ(func.Rows("select r.Id_RulesGroup, r.Status, r.Id_App, t.Name, p.Name, r.Title, r.Id_Site, r.URL, "
                        "r.Path, r.TimeStart, r.TimeFinish, r.AppType from T_Rules r join T_Tasks t using (Id_Task) "
                        "join T_Projects p on p.Id_Project = r.Id_Project where r.Path = 'excel.exe'"),
              (std::vector<std::vector<std::string>>{{"0", "1", "0", "Accounting", "Business", CRawDatabase::kNull, "0",
                                                      CRawDatabase::kNull, "excel.exe", "0", "0", "65"}}));
    EXPECT_EQ(func.Value("select count(*) from T_Rules where Path is not null"), "38");
    EXPECT_EQ(func.Value("select count(*) from T_Rules where URL like 'https://%'"), "10");
    EXPECT_EQ(func.Value("select URL from T_Rules where URL like 'http://%'"), "http://vk.com");
    EXPECT_EQ(func.Value("select count(*) from T_Tasks t join T_Projects p using (Id_Project) where p.Name = "
                         "'Learning & Reference'"),
              "10");
}

TEST_F(FirstStart, TheSeededRulesCategoriseTypicalActivities) {
    ASSERT_EQ(Init(1), 1);
    CRawDatabase func(DbFile("func.db"));
    auto taskOf = [&](CWinActivity activity) {
        const int result = tm->ApplyRules(activity);
        return std::to_string(result) + " " +
               func.Value(
                   "select coalesce((select Name from T_Tasks where Id_Task = " + std::to_string(activity.GetTaskId()) +
                   "), '-') || ' / ' || Name from T_Projects where "
                   "Id_Project = " +
                   std::to_string(activity.GetProjectId()));
    };
    auto activity = [](const char* fileName, const char* path, const char* url, ActivityType type) {
        CWinProcess process(1, "a title");
        process.SetFileName(fileName);
        process.SetPath(path);
        CWinActivity made(type);
        made.SetProcess(process);
        made.SetURL(url, 600);
        return made;
    };
    EXPECT_EQ(taskOf(activity("excel.exe", "C:\\Office\\EXCEL.EXE", "", ActivityType::Active)),
              "1 Accounting / Business");
    EXPECT_EQ(taskOf(activity("firefox.exe", "C:\\Firefox\\firefox.exe", "https://www.facebook.com/groups/x",
                              ActivityType::Active)),
              "1 General [Social Networking] / Social Networking");
    EXPECT_EQ(taskOf(activity("firefox.exe", "C:\\Firefox\\firefox.exe", "https://example.org/", ActivityType::Active)),
              "1 Web browsers / Utilities");
    EXPECT_EQ(taskOf(activity("chrome.exe", "C:\\Chrome\\chrome.exe", "http://vk.com/feed", ActivityType::Active)),
              "1 General [Social Networking] / Social Networking");
    EXPECT_EQ(taskOf(activity("excel.exe", "C:\\Office\\EXCEL.EXE", "", ActivityType::Idle)), "1 - / Idle");
    EXPECT_EQ(taskOf(activity("editor.exe", "C:\\Apps\\Editor.exe", "", ActivityType::Locked)), "1 - / Locked");
    EXPECT_EQ(taskOf(activity("editor.exe", "C:\\Apps\\Editor.exe", "", ActivityType::Offline)), "1 - / Offline");
    EXPECT_EQ(taskOf(activity("editor.exe", "C:\\Apps\\Editor.exe", "", ActivityType::Active)),
              "-52 Uncategorized / Uncategorized");
}

TEST_F(FirstStart, IsNotAskedForWithTheSettingZeroOrAbsent) {
    ASSERT_EQ(Init(-1), 1);
    EXPECT_EQ(Counts(), "0/0/0");
    ASSERT_EQ(Restart(0), 1);
    EXPECT_EQ(Counts(), "0/0/0");
}

TEST_F(FirstStart, WritesNothingWhenTheCatalogueHoldsAProject) {
    ASSERT_EQ(Init(0), 1);
    CRawDatabase(DbFile("func.db")).Exec("insert into T_Projects (Name) values ('Mine')");
    ASSERT_EQ(Restart(1), 1);
    EXPECT_EQ(Counts(), "1/0/0");
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog, "ProcessFirstStart"), 0);
}

TEST_F(FirstStart, AFailureMidwayLeavesAPartialCatalogueThatLaterStartsKeep) {
    ASSERT_EQ(Init(0), 1);
    CRawDatabase func(DbFile("func.db"));
    ASSERT_EQ(func.Exec("create trigger refuse before insert on T_Tasks when new.Name = 'Administration' begin "
                        "select raise(abort, 'refused'); end"),
              SQLITE_OK);
    EXPECT_EQ(Restart(1), 1);
    // Four projects before Business and Business itself; the default task and
    // two of Business; the special rules and the rules of those two tasks.
    EXPECT_EQ(Counts(), "5/3/8");
    ASSERT_EQ(func.Exec("drop trigger refuse"), SQLITE_OK);
    EXPECT_EQ(Restart(1), 1);
    EXPECT_EQ(Counts(), "5/3/8");
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::ProcessFirstStart (40) Add Task failed with 0"), 1);
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::Init (4) ProcessFirstStart() = 0"), 1);
}
}  // namespace
