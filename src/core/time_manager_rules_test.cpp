// The rule engine: which rule accepts an activity, which of several accepted
// rules is chosen, the default task, reloading, and the switch.
#include <string>

#include "core/time_manager_test_fixture.h"

namespace {
CWinActivity Activity(const char* fileName, const char* path, const char* title,
                      ActivityType type = ActivityType::Active) {
    CWinProcess process(1, title);
    process.SetFileName(fileName);
    process.SetPath(path);
    CWinActivity activity(type);
    activity.SetProcess(process);
    activity.SetStartAndFinish(20261207090000);
    return activity;
}

CDBRule Rule(int32_t appType, const char* path = nullptr, const char* title = nullptr, const char* url = nullptr) {
    return CDBRule(0, 0, 1, 0, 1, 1, title, 0, url, path, 0, 0, appType);
}

// MatchRule's result and the number of matched conditions, as "result/matches".
std::string Match(CTimeManager& tm, const CDBRule& rule, const CWinActivity& activity) {
    int matches = -1;
    const int result = tm.MatchRule(rule, activity, matches);
    return std::to_string(result) + "/" + std::to_string(matches);
}

class RuleEngine : public TimeManagerTest {
protected:
    void SetUp() override {
        ASSERT_EQ(Init(), 1);
        func = std::make_unique<CRawDatabase>(DbFile("func.db"));
    }
    // Stores a rule of task `task` (in project task + 100) with the
    // condition `columns` set to `values`, and reloads the rules.
    void AddRule(int task, int appType, const std::string& columns, const std::string& values) {
        const std::string ids = std::to_string(task) + ", " + std::to_string(task + 100) + ", ";
        ASSERT_EQ(func->Exec("insert into T_Rules (Status, Id_Task, Id_Project, AppType, " + columns + ") values (1, " +
                             ids + std::to_string(appType) + ", " + values + ")"),
                  SQLITE_OK);
        ASSERT_EQ(tm->UpdateRules(), 1);
    }
    // ApplyRules on `activity`: its result and the task it gives.
    std::string Apply(CWinActivity activity) {
        const int result = tm->ApplyRules(activity);
        return std::to_string(result) + " task " + std::to_string(activity.GetTaskId()) + " project " +
               std::to_string(activity.GetProjectId());
    }

    std::unique_ptr<CRawDatabase> func;
    const CWinActivity editor = Activity("editor.exe", "C:\\Apps\\Editor.exe", "Quarterly Report and Budget - Editor");
};

TEST_F(RuleEngine, MoreMatchesOutweighAHigherPriorityTriedEarlierAndAHigherPriorityThenWinsAgain) {
    // Priority 64 with 2 matches, then priority 0 with 3 matches: the second wins.
    AddRule(1, 65, "Path", "'editor'");
    AddRule(2, 0, "Path, Title, Id_App", "'editor', 'report', 5");
    CWinActivity activity = editor;
    activity.SetAppId(5);
    EXPECT_EQ(Apply(activity), "1 task 2 project 102");
    // A third rule with priority 32 and 1 match beats the best priority 0.
    AddRule(3, 32, "Title", "'budget'");
    EXPECT_EQ(Apply(activity), "1 task 3 project 103");
    // Tried in the reverse order, the priority-64 rule comes last and wins.
    func->Exec("update T_Rules set Id_Rule = 10 - Id_Rule");
    ASSERT_EQ(tm->UpdateRules(), 1);
    EXPECT_EQ(Apply(activity), "1 task 1 project 101");
}

TEST_F(RuleEngine, AtEqualPriorityMoreMatchesWinAndAtATieTheRuleTriedFirst) {
    AddRule(1, 64, "Title", "'report'");
    AddRule(2, 65, "Title", "'report'");
    AddRule(3, 65, "Path", "'editor.exe'");
    EXPECT_EQ(Apply(editor), "1 task 2 project 102");
}

TEST_F(RuleEngine, WithoutAnAcceptingRuleTheDefaultTaskIsWritten) {
    EXPECT_EQ(Apply(editor), "-52 task 0 project 0");
    func->Exec(
        "insert into T_Projects (Name) values ('Default'); insert into T_Tasks (Id_Project, Name, Deleted, "
        "IsDefault) values (1, 'Uncategorized', 0, 1)");
    ASSERT_EQ(Restart(), 1);
    AddRule(1, 65, "Path", "'winword.exe'");
    EXPECT_EQ(Apply(editor), "-52 task 1 project 1");
    // Private time without its program is tried against no rule, not even
    // one naming the pseudo-process's own words.
    AddRule(2, 0, "Path, Title", "'private', 'private'");
    CWinActivity hidden = editor;
    hidden.HidePrivateProgram();
    EXPECT_EQ(Apply(hidden), "-52 task 1 project 1");
}

TEST_F(RuleEngine, SwitchedOffLeavesTheProjectAndTaskAsTheyWere) {
    AddRule(1, 65, "Path", "'editor.exe'");
    CWinActivity activity = editor;
    activity.SetTask(7, 8);
    tm->SetRulesEnabled(0);
    EXPECT_EQ(tm->ApplyRules(activity), -301);
    EXPECT_EQ(activity.GetTaskId(), 7);
    EXPECT_EQ(activity.GetProjectId(), 8);
    tm->SetRulesEnabled(1);
    EXPECT_EQ(Apply(activity), "1 task 1 project 101");
}

TEST_F(RuleEngine, AReloadReplacesTheRulesAndAFailedOneKeepsThem) {
    func->Exec("insert into T_Rules (Status, Id_Task, Id_Project, Path, AppType) values (1, 5, 6, 'editor', 65)");
    EXPECT_EQ(Apply(editor), "-52 task 0 project 0");
    ASSERT_EQ(tm->UpdateRules(), 1);
    EXPECT_EQ(Apply(editor), "1 task 5 project 6");
    func->Exec("alter table T_Rules rename to T_OldRules");
    EXPECT_EQ(tm->UpdateRules(), 0);
    EXPECT_EQ(Apply(editor), "1 task 5 project 6");
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog, "CTimeManager::UpdateRules (1) GetRules failed with 0"), 1);
}

TEST_F(RuleEngine, SavedActivitiesAreCategorisedWhenTheyAreStored) {
    AddRule(1, 65, "Path", "'editor.exe'");
    StartAt(20261207090000);
    Show(kSheetWindow, "Budget.xlsx");
    At(20261207090010);
    CRawDatabase act(DbFile("act1226.db"));
    EXPECT_EQ(act.Value("select Id_Task || ' ' || Id_Project from T_Activities"), "1 101");
}

TEST_F(RuleEngine, TheDefaultTaskIsTheLastLiveOneInTableOrder) {
    func->Exec(
        "insert into T_Tasks (Id_Project, Name, Deleted, IsDefault) values (3, 'A', 0, 1), (4, 'B', 0, 1), "
        "(5, 'C', 1, 1), (6, 'D', 0, 0)");
    ASSERT_EQ(Restart(), 1);
    EXPECT_EQ(tm->GetDefaultTaskId(), 2);
    EXPECT_EQ(tm->GetDefaultProjectId(), 4);
    func->Exec("drop table T_Tasks");
    EXPECT_EQ(tm->GetDefaultTask(), 0);
    EXPECT_EQ(tm->GetDefaultTaskId(), 2);
}

// ---- One rule against one activity ----

TEST_F(RuleEngine, ARuleOutOfForceOrWithoutConditionsAcceptsNothing) {
    CDBRule off(0, 0, 0, 0, 1, 1, nullptr, 0, nullptr, "editor", 0, 0, 0);
    EXPECT_EQ(Match(*tm, off, editor), "0/0");
    EXPECT_EQ(Match(*tm, Rule(64), editor), "0/0");
}

TEST_F(RuleEngine, ApplicationAndSiteMustBeTheActivitysOwn) {
    CWinActivity activity = editor;
    activity.SetAppId(5);
    activity.SetSiteId(9);
    const CDBRule both(0, 0, 1, 5, 1, 1, nullptr, 9, nullptr, nullptr, 0, 0, 0);
    EXPECT_EQ(Match(*tm, both, activity), "1/2");
    activity.SetSiteId(8);
    EXPECT_EQ(Match(*tm, both, activity), "0/1");
}

TEST_F(RuleEngine, WordsAreSoughtInTheLoweredPathThenTheFileName) {
    const CWinActivity sheet = Activity("excel.exe", "C:\\Program Files\\Office\\EXCEL.EXE", "Budget.xlsx");
    EXPECT_EQ(Match(*tm, Rule(0, "excel.exe"), sheet), "1/1");
    EXPECT_EQ(Match(*tm, Rule(0, "excel"), sheet), "1/1");
    EXPECT_EQ(Match(*tm, Rule(0, "EXCEL.EXE"), sheet), "0/0");
    const CWinActivity renamed = Activity("excel.exe", "[SYSTEM PROCESS]", "Budget.xlsx");
    EXPECT_EQ(Match(*tm, Rule(0, "excel.exe"), renamed), "1/1");
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(infoLog, "Rule: Path was matched"), 2);
    EXPECT_EQ(CountContaining(infoLog, "Rule: App name was matched"), 1);
}

TEST_F(RuleEngine, TitleAndAddressWordsMustAllOccur) {
    CWinActivity page = Activity("firefox.exe", "C:\\Firefox\\firefox.exe", "Report - Budget Overview");
    page.SetURL("https://intranet.example/Finance/Q3", 100);
    EXPECT_EQ(Match(*tm, Rule(0, nullptr, "budget report"), page), "1/1");
    EXPECT_EQ(Match(*tm, Rule(0, nullptr, "budget  report"), page), "0/0");
    EXPECT_EQ(Match(*tm, Rule(0, nullptr, "Budget"), page), "0/0");
    EXPECT_EQ(Match(*tm, Rule(0, nullptr, "report", "intranet.example finance"), page), "1/2");
    EXPECT_EQ(Match(*tm, Rule(0, nullptr, nullptr, "https://www.facebook.com"), page), "0/0");
}

TEST_F(RuleEngine, ATimePeriodCountsOnlyWithBothBoundsAndIsComparedWithThePackedStart) {
    auto period = [](int32_t start, int32_t finish) {
        return CDBRule(0, 0, 1, 0, 1, 1, "report", 0, nullptr, nullptr, start, finish, 0);
    };
    EXPECT_EQ(Match(*tm, period(100, 200), editor), "0/1");
    EXPECT_EQ(Match(*tm, period(100, 0), editor), "1/1");
    EXPECT_EQ(Match(*tm, period(0, 200), editor), "1/1");
    // Only bounds beyond the positive range can hold a packed time stamp.
    EXPECT_EQ(Match(*tm, period(1, -1), editor), "1/2");
}

TEST_F(RuleEngine, TheActivityTypeSelectorPicksOneTypeAndAnyOtherValueFails) {
    const struct {
        int32_t selector;
        ActivityType type;
    } selectors[] = {
        {1, ActivityType::Active}, {2, ActivityType::Offline}, {4, ActivityType::Locked}, {8, ActivityType::Idle}};
    for (const auto& s : selectors) {
        CWinActivity activity = editor;
        activity.SetType(s.type);
        EXPECT_EQ(Match(*tm, Rule(128 + s.selector), activity), "1/1") << s.selector;
        activity.SetType(s.type == ActivityType::Active ? ActivityType::Idle : ActivityType::Active);
        EXPECT_EQ(Match(*tm, Rule(128 + s.selector), activity), "0/0") << s.selector;
    }
    EXPECT_EQ(Match(*tm, Rule(3, "editor"), editor), "-52/1");
    AddRule(1, 3, "Path", "'editor'");
    EXPECT_EQ(Apply(editor), "-52 task 0 project 0");
}
}  // namespace
