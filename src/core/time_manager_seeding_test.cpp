// The first-start catalogue: what an empty func.db receives, how the seeded
// rules categorise, and what happens when seeding is not asked for, not
// needed, or cut short.
#include <string>

#include "core/first_start_catalogue.h"
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

    // ApplyRules' result and the task and project it gave, as
    // "<result> <task> / <project>" ("-" for no task).
    std::string TaskOf(CWinActivity activity) {
        const int result = tm->ApplyRules(activity);
        return std::to_string(result) + " " +
               CRawDatabase(DbFile("func.db"))
                   .Value("select coalesce((select Name from T_Tasks where Id_Task = " +
                          std::to_string(activity.GetTaskId()) + "), '-') || ' / ' || Name from T_Projects where " +
                          "Id_Project = " + std::to_string(activity.GetProjectId()));
    }

    static CWinActivity Activity(const char* fileName, const char* path, const char* url, ActivityType type,
                                 const char* title = "a title") {
        CWinProcess process(1, title);
        process.SetFileName(fileName);
        process.SetPath(path);
        CWinActivity made(type);
        made.SetProcess(process);
        made.SetURL(url, 600);
        return made;
    }

    // What this target adds to the task `task` of the project `project`.
    static size_t AddedRules(const char* project, const char* task) {
        for (const CSeedProject& seed : SeedProjects())
            for (const CSeedTask& seedTask : seed.tasks)
                if (std::string(seed.name) == project && std::string(seedTask.name) == task)
                    return PlatformSeedRules(seed, seedTask).size();
        return 0;
    }
};

TEST_F(FirstStart, FillsAnEmptyCatalogueWithFifteenProjectsFiftyEightTasksAndFiftyTwoRules) {
    ASSERT_EQ(Init(1), 1);
    // The 52 rules of every target, and those this target adds.
    EXPECT_EQ(Counts(), "15/58/" + std::to_string(52 + PlatformSeedRuleCount()));
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
    EXPECT_EQ(func.Value("select count(*) from T_Rules where Path like '%.exe' or Path is null"), "52");
    EXPECT_EQ(func.Value("select count(*) from T_Rules where Path like '%.exe'"), "38");
    EXPECT_EQ(func.Value("select count(*) from T_Rules where URL like 'https://%'"), "10");
    EXPECT_EQ(func.Value("select URL from T_Rules where URL like 'http://%'"), "http://vk.com");
    EXPECT_EQ(func.Value("select count(*) from T_Tasks t join T_Projects p using (Id_Project) where p.Name = "
                         "'Learning & Reference'"),
              "10");
}

TEST_F(FirstStart, TheSeededRulesCategoriseTypicalActivities) {
    ASSERT_EQ(Init(1), 1);
    EXPECT_EQ(TaskOf(Activity("excel.exe", "C:\\Office\\EXCEL.EXE", "", ActivityType::Active)),
              "1 Accounting / Business");
    EXPECT_EQ(TaskOf(Activity("firefox.exe", "C:\\Firefox\\firefox.exe", "https://www.facebook.com/groups/x",
                              ActivityType::Active)),
              "1 General [Social Networking] / Social Networking");
    EXPECT_EQ(TaskOf(Activity("firefox.exe", "C:\\Firefox\\firefox.exe", "https://example.org/", ActivityType::Active)),
              "1 Web browsers / Utilities");
    EXPECT_EQ(TaskOf(Activity("chrome.exe", "C:\\Chrome\\chrome.exe", "http://vk.com/feed", ActivityType::Active)),
              "1 General [Social Networking] / Social Networking");
    EXPECT_EQ(TaskOf(Activity("excel.exe", "C:\\Office\\EXCEL.EXE", "", ActivityType::Idle)), "1 - / Idle");
    EXPECT_EQ(TaskOf(Activity("editor.exe", "C:\\Apps\\Editor.exe", "", ActivityType::Locked)), "1 - / Locked");
    EXPECT_EQ(TaskOf(Activity("editor.exe", "C:\\Apps\\Editor.exe", "", ActivityType::Offline)), "1 - / Offline");
    EXPECT_EQ(TaskOf(Activity("editor.exe", "C:\\Apps\\Editor.exe", "", ActivityType::Active)),
              "-52 Uncategorized / Uncategorized");
}

TEST_F(FirstStart, LinuxProgramsLandWhereTheirWindowsCounterpartsDo) {
    if (PlatformSeedRuleCount() == 0) GTEST_SKIP() << "this target adds no rules";
    ASSERT_EQ(Init(1), 1);
    auto active = [](const char* fileName, const char* path, const char* title = "a title", const char* url = "") {
        return Activity(fileName, path, url, ActivityType::Active, title);
    };
    const struct {
        CWinActivity linux, windows;
    } pairs[] = {
        {active("firefox-esr", "/usr/lib/firefox-esr/firefox-esr"), active("firefox.exe", "C:\\Firefox\\firefox.exe")},
        {active("firefox", "/usr/lib/firefox/firefox", "x", "http://vk.com/id1"),
         active("firefox.exe", "C:\\Firefox\\firefox.exe", "x", "http://vk.com/id1")},
        {active("soffice.bin", "/usr/lib/libreoffice/program/soffice.bin", "Budget 2027.ods - LibreOffice Calc"),
         active("excel.exe", "C:\\Office\\EXCEL.EXE", "Budget 2027.xlsx - Excel")},
        {active("soffice.bin", "/usr/lib/libreoffice/program/soffice.bin", "Letter.odt - LibreOffice Writer"),
         active("winword.exe", "C:\\Office\\WINWORD.EXE")},
        {active("xterm", "/usr/bin/xterm", "user@host: ~"), active("taskmgr.exe", "C:\\Windows\\taskmgr.exe")},
        {active("gnome-terminal-server", "/usr/libexec/gnome-terminal-server"),
         active("explorer.exe", "C:\\Windows\\explorer.exe")},
        {active("gedit", "/usr/bin/gedit", "notes.txt - gedit"), active("notepad.exe", "C:\\Windows\\notepad.exe")},
        {active("code", "/usr/share/code/code"), active("devenv.exe", "C:\\VS\\devenv.exe")},
    };
    for (const auto& pair : pairs) {
        const std::string expected = TaskOf(pair.windows);
        EXPECT_NE(expected.rfind("1 ", 0), std::string::npos) << expected;
        EXPECT_EQ(TaskOf(pair.linux), expected) << pair.linux.GetFullPath();
    }
    // One process of the office suite: only its programs' windows are told apart.
    EXPECT_EQ(TaskOf(active("soffice.bin", "/usr/lib/libreoffice/program/soffice.bin", "LibreOffice")),
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
    const std::string partial = "5/3/" + std::to_string(8 + AddedRules("Business", "General [Business]") +
                                                        AddedRules("Business", "Accounting"));
    EXPECT_EQ(Counts(), partial);
    ASSERT_EQ(func.Exec("drop trigger refuse"), SQLITE_OK);
    EXPECT_EQ(Restart(1), 1);
    EXPECT_EQ(Counts(), partial);
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::ProcessFirstStart (40) Add Task failed with 0"), 1);
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::Init (4) ProcessFirstStart() = 0"), 1);
}
}  // namespace
