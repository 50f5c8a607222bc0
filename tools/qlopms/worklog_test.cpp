// worklog against generated month files and the JIRA stand-in: the drafts,
// posting once, twice, the difference, a failure part-way and no answer.
#include <gtest/gtest.h>

#include "qlopms/pms_tool_test_fixture.h"
#include "qlopms/worklog_post.h"
#include "sensing/activity.h"
#include "sensing/time_stamp.h"
#include "storage/activities_table.h"
#include "storage/db_manager.h"
#include "support/raw_database.h"

namespace {
constexpr int64_t kDay = 20240301000000;  // the first day of a month
constexpr int32_t kActive = static_cast<int32_t>(ActivityType::Active);

class QlopmsWorklog : public PmsToolTest {
protected:
    void SetUp() override {
        PmsToolTest::SetUp();
        CDBManager db;
        ASSERT_EQ(db.SetPath(DbFolder().c_str(), 0), 1);
        ASSERT_EQ(db.Initialization(), 1);
        ASSERT_EQ(db.AddProject(CDBProject(0, "QLO Collector", "", 0, 0, 1, 10000, "QLO", 0, 0)), 1);
        // Tasks 1 to 3 linked to QLO-1 .. QLO-3, task 4 a local one; the
        // summary of QLO-2 would retitle a terminal.
        for (const char* key : {"QLO-1", "QLO-2", "QLO-3", ""}) {
            const std::string name =
                *key ? std::string("Issue ") + key + (key[4] == '2' ? "\x1b]0;x\x07" : "") : "Email";
            CDBTask task(0, name.c_str(), 1, 0, "", 0, 0, *key ? 1 : 0, *key ? 20000 + key[4] - '0' : 0, 0, key, "", 0,
                         0, 0);
            ASSERT_EQ(db.AddTask(task), 1);
        }
    }

    // One row in the month file of `start`.
    void Row(int64_t start, int64_t seconds, int32_t type, int32_t task) {
        char name[32];
        std::snprintf(name, sizeof(name), "/act%02d%02d.db", MonthOf(start), YearOf(start) - 2000);
        CDBSQLite file;
        ASSERT_EQ(file.Connect((DbFolder() + name).c_str()), 1);
        CDBActivitiesTable table;
        ASSERT_EQ(table.CreateTable(&file), 1);
        const int64_t finish = start + seconds / 60 * 100 + seconds % 60;  // within one hour
        ASSERT_EQ(table.Insert(&file, CDBActivity(0, start, finish, seconds, seconds, type, "title", 1, 1, nullptr, 1,
                                                  task, nullptr, 0, 0)),
                  1);
    }

    int Worklog(bool post, const std::string& password = CJiraStandIn::kPassword) {
        CPmsRun run = MakeRun(m_jira.Url(), password);
        run.settings.stallLimit = 1;
        return RunWorklog(run, kDay, post);
    }
};

TEST_F(QlopmsWorklog, DraftsCountActiveTimeOnJiraIssuesOnlyRoundedUpPerIssue) {
    Row(20240229235000, 599, kActive, 1);  // the day before, in February's file
    Row(20240301000000, 600, kActive, 1);
    Row(20240301090000, 30, kActive, 1);  // 630 s: 11 minutes, from 00:00:00
    Row(20240301100000, 61, kActive, 2);  // 2 minutes
    Row(20240301100101, 300, static_cast<int32_t>(ActivityType::Idle), 2);
    Row(20240301100601, 200, static_cast<int32_t>(ActivityType::Locked), 2);
    Row(20240301101000, 1000, static_cast<int32_t>(ActivityType::Offline), 3);
    Row(20240301110000, 900, kActive, 4);  // a task without a JIRA link
    Row(20240302080000, 60, kActive, 3);   // the day after
    EXPECT_EQ(Worklog(false), 0) << Errors();
    EXPECT_EQ(Output(),
              "issue  time   first start  posted  summary\n"
              "QLO-1  11m    00:00:00     -       Issue QLO-1\n"
              "QLO-2  2m     10:00:00     -       Issue QLO-2\\x1b]0;x\\x07\n"
              "2024-03-01: 13m on 2 issues, 13m not posted yet\n");
    EXPECT_TRUE(m_jira.Worklogs().empty());
}

TEST_F(QlopmsWorklog, EachMinuteIsPostedOnceAndLaterTimeOnlyAsTheDifference) {
    Row(20240301000000, 630, kActive, 1);
    Row(20240301100000, 61, kActive, 2);
    ASSERT_EQ(Worklog(true), 0) << Errors();
    auto sent = m_jira.Worklogs();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].issueKey, "QLO-1");
    EXPECT_EQ(sent[0].timeSpent, "11m");
    EXPECT_EQ(sent[0].started, JiraTimeStamp(20240301000000));
    EXPECT_EQ(sent[1].timeSpent, "2m");
    EXPECT_NE(Output().find("posted QLO-2: 2m started 10:00:00\n"), std::string::npos);

    ASSERT_EQ(Worklog(true), 0) << Errors();
    EXPECT_EQ(m_jira.Worklogs().size(), 2u);
    EXPECT_NE(Output().find("0m not posted yet"), std::string::npos);

    Row(20240301103000, 120, kActive, 1);  // 750 s: 13 minutes, 2 more
    CPmsRun run = MakeRun();
    run.settings.worklogNotification = 1;
    run.settings.worklogNotificationTime = 170000;
    run.now = kDay + 165959;
    EXPECT_EQ(RunWorklogDue(run), 1) << "before its time";
    run.now = kDay + 170000;
    EXPECT_EQ(RunWorklogDue(run), 0);
    run.settings.worklogNotification = 0;
    EXPECT_EQ(RunWorklogDue(run), 1) << "switched off";
    ASSERT_EQ(Worklog(true), 0) << Errors();
    sent = m_jira.Worklogs();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2].issueKey, "QLO-1");
    EXPECT_EQ(sent[2].timeSpent, "2m");
    EXPECT_EQ(sent[2].started, JiraTimeStamp(20240301103000));
    run.settings.worklogNotification = 1;
    EXPECT_EQ(RunWorklogDue(run), 1) << "everything posted";
}

TEST_F(QlopmsWorklog, FailurePartWayKeepsWhatWasPostedAndAWorklogWithoutAnswerIsNeverSentAgain) {
    for (int32_t task : {1, 2, 3})
        Row(20240301090000 + task * 10000, 60 * task, kActive, task);
    m_jira.FailWorklog(2);
    EXPECT_EQ(Worklog(true), 1);
    EXPECT_NE(Errors().find("the worklog of QLO-2 was refused"), std::string::npos) << Errors();
    EXPECT_EQ(m_jira.Worklogs().size(), 1u);
    ASSERT_EQ(Worklog(true), 0) << Errors();
    auto sent = m_jira.Worklogs();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].issueKey, "QLO-2");
    EXPECT_EQ(sent[2].issueKey, "QLO-3");

    // JIRA takes the next worklog but its answer never comes.
    Row(20240301150000, 60, kActive, 3);
    m_jira.HoldAnswers();
    EXPECT_EQ(Worklog(true), 1);
    m_jira.Release();
    EXPECT_NE(Errors().find("JIRA may hold it"), std::string::npos) << Errors();
    ASSERT_EQ(Worklog(true), 0) << Errors();
    EXPECT_NE(Errors().find("QLO-3 was sent without an answer"), std::string::npos) << Errors();
    EXPECT_EQ(m_jira.Worklogs().size(), 4u);
    for (const std::string& text : {Output(), Errors()})
        EXPECT_EQ(text.find(CJiraStandIn::kPassword), std::string::npos);
}
}  // namespace
