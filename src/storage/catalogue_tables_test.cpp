#include <gtest/gtest.h>

#include "storage/projects_table.h"
#include "storage/rules_table.h"
#include "storage/storage_test_fixture.h"
#include "storage/tasks_table.h"

namespace {
class CatalogueTables : public StorageTest {
protected:
    void SetUp() override {
        StorageTest::SetUp();
        ASSERT_EQ(m_projects.CreateTable(&m_connection), 1);
        ASSERT_EQ(m_tasks.CreateTable(&m_connection), 1);
        ASSERT_EQ(m_rules.CreateTable(&m_connection), 1);
    }
    CDBProjectTable m_projects;
    CDBTaskTable m_tasks;
    CDBRulesTable m_rules;
};

TEST_F(CatalogueTables, NewProjectRowIsAliveWhateverTheRecordSays) {
    const CDBProject project(77, "Bob's project", "it's \"big\"", 20140101000000, 3, 1, 12, "", 1, 20150101000000);
    ASSERT_EQ(m_projects.Insert(&m_connection, project), 1);
    EXPECT_EQ(m_raw->Rows("select Id_Project, Name, Description, Status, CreateDate, ExternalPMSType, ExternalId, "
                          "ExternalKey, DeleteDate, Deleted from T_Projects")[0],
              (std::vector<std::string>{"1", "Bob's project", "it's \"big\"", "3", "20140101000000", "1", "12", "", "0",
                                        "0"}));
    CBaseStorage<CDBProject> projects;
    ASSERT_EQ(m_projects.Select(&m_connection, projects, nullptr), 1);
    CDBProject stored;
    ASSERT_EQ(projects.Pop(0, stored), 1);
    EXPECT_STREQ(stored.GetName(), "Bob's project");
    EXPECT_EQ(stored.GetExternalId(), 12);
    EXPECT_EQ(stored.GetDeleted(), 0);
}

TEST_F(CatalogueTables, TaskRoundTripsEveryColumn) {
    const CDBTask task(0, "Review 'draft'", 4, 2, "desc", 20140102030405, 1, 1, 99, 3, "PRJ-7", "In 'Progress'", 1, 1,
                       20140102030406);
    ASSERT_EQ(m_tasks.Insert(&m_connection, task), 1);
    CBaseStorage<CDBTask> tasks;
    ASSERT_EQ(m_tasks.Select(&m_connection, tasks, "Id_Project=4"), 1);
    CDBTask stored;
    ASSERT_EQ(tasks.Pop(0, stored), 1);
    EXPECT_EQ(stored.GetId(), 1);
    EXPECT_STREQ(stored.GetName(), "Review 'draft'");
    EXPECT_EQ(stored.GetProjectId(), 4);
    EXPECT_EQ(stored.GetParentTaskId(), 2);
    EXPECT_STREQ(stored.GetDescription(), "desc");
    EXPECT_EQ(stored.GetCreateDate(), 20140102030405);
    EXPECT_EQ(stored.GetExternalId(), 99);
    EXPECT_EQ(stored.GetExternalStatus(), 3);
    EXPECT_STREQ(stored.GetExternalKey(), "PRJ-7");
    EXPECT_STREQ(stored.GetExternalStatusName(), "In 'Progress'");
    EXPECT_EQ(stored.GetIsDefault(), 1);
    EXPECT_EQ(stored.GetDeleted(), 0);
    EXPECT_EQ(stored.GetDeleteDate(), 0);

    // An update rewrites the linked item's texts and project, nothing else.
    CDBTask renamed(stored);
    renamed.SetName("It's renamed");
    renamed.SetProjectId(5);
    renamed.SetExternalStatusName("Done");
    renamed.SetCreateDate(1);
    ASSERT_EQ(m_tasks.Update(&m_connection, renamed), 1);
    EXPECT_EQ(m_raw->Rows("select Id_Task, Id_Project, Name, ExternalStatusName, CreateDate, IsDefault from T_Tasks"),
              (std::vector<std::vector<std::string>>{{"1", "5", "It's renamed", "Done", "20140102030405", "1"}}));
}

TEST_F(CatalogueTables, RuleTextsAreNullWhenEmptyAndIdsZero) {
    ASSERT_EQ(m_rules.Insert(&m_connection, CDBRule(0, 0, 1, 0, 12, 5, "", 0, "", "excel.exe", 0, 0, 65)), 1);
    ASSERT_EQ(m_rules.Insert(&m_connection,
                             CDBRule(0, 0, 1, 3, 1, 1, "Tom's 'list'", 2, "http://a/?q='x'", "", 900, 1700, 130)),
              1);
    const auto rows = m_raw->Rows(
        "select Id_RulesGroup, Status, Id_App, Id_Task, Id_Project, Title, Id_Site, URL, Path, TimeStart, "
        "TimeFinish, AppType from T_Rules order by Id_Rule");
    EXPECT_EQ(rows[0], (std::vector<std::string>{"0", "1", "0", "12", "5", CRawDatabase::kNull, "0",
                                                 CRawDatabase::kNull, "excel.exe", "0", "0", "65"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"0", "1", "3", "1", "1", "Tom's 'list'", "2", "http://a/?q='x'",
                                                 CRawDatabase::kNull, "900", "1700", "130"}));
    CBaseStorage<CDBRule> rules;
    ASSERT_EQ(m_rules.Select(&m_connection, rules, nullptr), 1);
    CDBRule first;
    ASSERT_EQ(rules.Pop(0, first), 1);
    EXPECT_EQ(first.GetId(), 1);
    EXPECT_STREQ(first.GetTitle(), "");
    EXPECT_STREQ(first.GetURL(), "");
    EXPECT_STREQ(first.GetPath(), "excel.exe");
}

TEST_F(CatalogueTables, RowsWithoutDataAreDroppedAndOthersComeInIdOrder) {
    ASSERT_EQ(m_raw->Exec("insert into T_Rules (Id_Rule) values (0);"
                          "insert into T_Rules (Id_Rule, Status, Id_App, Title) values (5, 0, 0, NULL);"
                          "insert into T_Rules (Id_Rule, Status) values (-3, 1);"
                          "insert into T_Tasks (Id_Task, Id_Project, Name) values (0, 0, '');"
                          "insert into T_Projects (Id_Project, Name) values (0, '')"),
              SQLITE_OK);
    CBaseStorage<CDBRule> rules;
    ASSERT_EQ(m_rules.Select(&m_connection, rules, nullptr), 1);
    ASSERT_EQ(rules.Count(), 2);  // the row with only Status 1, and id 5
    CDBRule rule;
    rules.Pop(0, rule);
    EXPECT_EQ(rule.GetId(), -3);
    rules.Pop(1, rule);
    EXPECT_EQ(rule.GetId(), 5);
    CBaseStorage<CDBTask> tasks;
    ASSERT_EQ(m_tasks.Select(&m_connection, tasks, nullptr), 1);
    EXPECT_EQ(tasks.Count(), 0);
    CBaseStorage<CDBProject> projects;
    ASSERT_EQ(m_projects.Select(&m_connection, projects, nullptr), 1);
    EXPECT_EQ(projects.Count(), 0);
}
}  // namespace
