#include <gtest/gtest.h>

#include "fakes/fake_clock.h"
#include "storage/db_manager.h"
#include "support/raw_database.h"
#include "support/temp_folder.h"

namespace {
CDBTask Task(const char* name, int32_t project) {
    return CDBTask(0, name, project, 0, "", 20261207090000, 0, 0, 0, 0, "", "", 0, 0, 0);
}

class DBManagerCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_manager.SetPath(m_folder.Str().c_str(), 0), 1);
        ASSERT_EQ(m_manager.Initialization(), 1);
    }
    CFakeClock m_clock;
    CTempFolder m_folder;
    CDBManager m_manager;
};

TEST_F(DBManagerCatalogue, AddTaskReadsBackTheNewestLiveTaskOfItsProject) {
    CDBTask first = Task("Meetings", 1);
    ASSERT_EQ(m_manager.AddTask(first), 1);
    EXPECT_EQ(first.GetId(), 1);
    CDBTask elsewhere = Task("Meetings", 2);
    ASSERT_EQ(m_manager.AddTask(elsewhere), 1);
    EXPECT_EQ(elsewhere.GetId(), 2);
    CDBTask again = Task("Meetings", 1);
    ASSERT_EQ(m_manager.AddTask(again), 1);
    EXPECT_EQ(again.GetId(), 3);
    CDBTask quoted = Task("Bob's 'review'", 1);
    ASSERT_EQ(m_manager.AddTask(quoted), 1);
    EXPECT_EQ(quoted.GetId(), 4);
}

TEST_F(DBManagerCatalogue, AddTaskGivesUpAfterSevenFailedInserts) {
    CRawDatabase other(m_folder.File("func.db"));
    ASSERT_EQ(other.Exec("begin exclusive"), SQLITE_OK);
    const int64_t sleptBefore = m_clock.SleptMilliseconds();
    CDBTask task = Task("Blocked", 1);
    EXPECT_EQ(m_manager.AddTask(task), 0);
    EXPECT_EQ(m_clock.SleptMilliseconds() - sleptBefore, 7 * CDBSQLite::kWriteBusyTimeoutMs + 6 * 200);
    EXPECT_EQ(task.GetId(), 0);
    other.Exec("rollback");
}

TEST_F(DBManagerCatalogue, CatalogueReadsAppendEveryRowInIdOrder) {
    CBaseStorage<CDBProject> projects;
    ASSERT_EQ(m_manager.GetProjects(projects), 1);
    EXPECT_EQ(projects.Count(), 0);
    ASSERT_EQ(m_manager.AddProject(CDBProject(0, "Admin", "", 0, 0, 0, 0, "", 0, 0)), 1);
    ASSERT_EQ(m_manager.AddProject(CDBProject(0, "Dev", "", 0, 0, 0, 0, "", 0, 0)), 1);
    ASSERT_EQ(m_manager.GetProjects(projects), 1);
    EXPECT_EQ(projects.Count(), 2);

    for (int32_t task = 1; task <= 3; ++task)
        ASSERT_EQ(m_manager.AddRule(CDBRule(0, 0, 1, 0, task, 1, "", 0, "", "", 0, 0, 65)), 1);
    CBaseStorage<CDBRule> rules;
    ASSERT_EQ(m_manager.GetRules(rules), 1);
    ASSERT_EQ(rules.Count(), 3);
    CDBRule rule;
    for (int32_t i = 0; i < 3; ++i) {
        rules.Pop(i, rule);
        EXPECT_EQ(rule.GetTaskId(), i + 1);
    }
    CBaseStorage<CDBTask> tasks;
    ASSERT_EQ(m_manager.GetTasks(tasks), 1);
    EXPECT_EQ(tasks.Count(), 0);
}
}  // namespace
