#include "pms/jira_issue_parser.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/text.h"
#include "support/temp_folder.h"

namespace {
// One issue of a search answer, with the given members of "fields".
std::string Issue(const std::string& id, const std::string& key, const std::string& fields) {
    return "{\"id\":\"" + id + "\",\"key\":\"" + key + "\",\"fields\":{" + fields + "}}";
}
const std::string kFields =
    "\"summary\":\"Write the parser\",\"description\":\"Both answers\","
    "\"project\":{\"id\":\"10000\",\"key\":\"QLO\"},\"status\":{\"id\":\"3\",\"name\":\"In Progress\"}";

class JiraIssueParser : public ::testing::Test {
protected:
    int Parse(const std::string& json) {
        const std::string path = m_folder.File("jira-issues.json");
        std::ofstream(path, std::ios::binary) << json;
        return m_parser.ParseFile(path.c_str(), m_tasks);
    }
    CDBTask Task(int index) {
        CDBTask task;
        EXPECT_EQ(m_tasks.Pop(index, task), 1);
        return task;
    }
    // `utf8` in this system's narrow text.
    static std::string Narrow(const char* utf8) {
        char out[4096];
        Utf8ToAnsi(utf8, out, sizeof(out));
        return out;
    }

    CTempFolder m_folder;
    CJIRAIssueParser m_parser;
    CBaseStorage<CDBTask> m_tasks;
};

TEST_F(JiraIssueParser, IssuesBecomeJiraTasksInTheirOrderWithThePagingValues) {
    ASSERT_EQ(Parse("{\"expand\":\"names\",\"startAt\":0,\"maxResults\":50,\"total\":2,\"issues\":[" +
                    Issue("10001", "QLO-1", kFields) + "," +
                    Issue("10002", "QLO-2",
                          "\"summary\":\"Second\",\"description\":null,\"project\":{\"id\":\"10100\"},"
                          "\"status\":{\"id\":\"10001\",\"name\":\"Done\"}") +
                    "]}"),
              1);
    EXPECT_EQ(m_parser.GetStartAt(), 0);
    EXPECT_EQ(m_parser.GetMaxResults(), 50);
    EXPECT_EQ(m_parser.GetTotal(), 2);
    ASSERT_EQ(m_tasks.Count(), 2);
    const CDBTask first = Task(0);
    EXPECT_EQ(first.GetExternalPMSType(), 1);
    EXPECT_EQ(first.GetExternalId(), 10001);
    EXPECT_STREQ(first.GetExternalKey(), "QLO-1");
    EXPECT_STREQ(first.GetName(), "Write the parser");
    EXPECT_STREQ(first.GetDescription(), "Both answers");
    EXPECT_EQ(first.GetExternalProjectId(), 10000);
    EXPECT_EQ(first.GetExternalStatus(), 3);
    EXPECT_STREQ(first.GetExternalStatusName(), "In Progress");
    EXPECT_EQ(first.GetId(), 0);
    EXPECT_EQ(first.GetProjectId(), 0);
    const CDBTask second = Task(1);
    EXPECT_STREQ(second.GetExternalKey(), "QLO-2");
    EXPECT_STREQ(second.GetDescription(), "");
    EXPECT_EQ(second.GetExternalProjectId(), 10100);
    EXPECT_STREQ(second.GetExternalStatusName(), "Done");
}

TEST_F(JiraIssueParser, EmptyAnswerSetsThePagingValuesAndAppendsNothing) {
    ASSERT_EQ(Parse("{\"startAt\":5,\"maxResults\":20,\"total\":0,\"issues\":[]}"), 1);
    EXPECT_EQ(m_parser.GetStartAt(), 5);
    EXPECT_EQ(m_parser.GetMaxResults(), 20);
    EXPECT_EQ(m_parser.GetTotal(), 0);
    EXPECT_EQ(m_tasks.Count(), 0);
}

TEST_F(JiraIssueParser, WrongShapeEndsTheParseAndKeepsTheIssuesBeforeIt) {
    const std::string good = Issue("1", "QLO-1", kFields);
    const std::string noStatus = Issue("2", "QLO-2", "\"summary\":\"s\",\"project\":{\"id\":\"1\"}");
    ASSERT_EQ(Parse("{\"issues\":[" + good + "," + noStatus + "," + good + "]}"), -200);
    ASSERT_EQ(m_tasks.Count(), 1);
    EXPECT_STREQ(Task(0).GetExternalKey(), "QLO-1");

    // The list is appended to, never replaced.
    for (const std::string& faulty :
         {Issue("2", "QLO-2", "\"summary\":\"s\",\"project\":\"QLO\",\"status\":{}"),  // project not an object
          Issue("2", "QLO-2", "\"summary\":\"s\",\"project\":{},\"status\":[]"),       // status not an object
          std::string("{\"id\":\"2\",\"key\":\"QLO-2\"}"),                             // no fields
          std::string("{\"id\":\"2\",\"fields\":\"none\"}"),                           // fields not an object
          std::string("\"QLO-2\"")}) {                                                 // issue not an object
        EXPECT_EQ(Parse("{\"issues\":[" + good + "," + faulty + "]}"), -200) << faulty;
    }
    EXPECT_EQ(m_tasks.Count(), 6);

    EXPECT_EQ(Parse("[" + good + "]"), -200);
    EXPECT_EQ(Parse("{\"total\":1}"), -200);
    EXPECT_EQ(Parse("{\"issues\":{}}"), -200);
    EXPECT_EQ(m_tasks.Count(), 6);
}

TEST_F(JiraIssueParser, MissingOrOddMembersReadAsEmptyOrZeroAndIssuesWithoutTextAreSkipped) {
    const std::string bare = "\"project\":{},\"status\":{}";
    ASSERT_EQ(Parse("{\"startAt\":2.9,\"maxResults\":\"50\",\"total\":1e12,\"issues\":[" +
                    Issue("12abc", "QLO-1", "\"description\":\"only a description\"," + bare) + "," +
                    "{\"id\":10002,\"fields\":{\"summary\":\"numeric id\"," + bare + "}}," +
                    Issue("99999999999", "QLO-3", "\"summary\":\"huge id\"," + bare) + "," + Issue("4", "QLO-4", bare) +
                    "]}"),
              1);
    EXPECT_EQ(m_parser.GetStartAt(), 2);
    EXPECT_EQ(m_parser.GetMaxResults(), 0);
    EXPECT_EQ(m_parser.GetTotal(), INT_MAX);
    ASSERT_EQ(m_tasks.Count(), 3);
    EXPECT_EQ(Task(0).GetExternalId(), 12);
    EXPECT_STREQ(Task(0).GetName(), "");
    EXPECT_STREQ(Task(0).GetExternalStatusName(), "");
    EXPECT_EQ(Task(1).GetExternalId(), 0);  // ids are texts in JIRA's answers
    EXPECT_STREQ(Task(1).GetExternalKey(), "");
    EXPECT_EQ(Task(2).GetExternalId(), INT_MAX);
}

TEST_F(JiraIssueParser, SummaryAndDescriptionArriveInTheSystemsTextCutOnACharacterBoundary) {
    std::string longDescription;
    for (int i = 0; i < 600; ++i)
        longDescription += "\xC3\xA9";  // é
    ASSERT_EQ(Parse("{\"issues\":[" +
                    Issue("1", "QLO-1",
                          "\"summary\":\"Caf\xC3\xA9 na\xC3\xAFve\",\"description\":\"" + longDescription +
                              "\",\"project\":{},\"status\":{}") +
                    "]}"),
              1);
    const CDBTask task = Task(0);
    EXPECT_EQ(task.GetName(), Narrow("Caf\xC3\xA9 na\xC3\xAFve"));
    const std::string description = task.GetDescription();
    EXPECT_LE(description.size(), 511u);
    EXPECT_GE(description.size(), 510u);
    EXPECT_EQ(description, Narrow(longDescription.c_str()).substr(0, description.size()));
}

TEST_F(JiraIssueParser, MissingOrNonJsonFileGivesMinusOne) {
    EXPECT_EQ(m_parser.ParseFile(nullptr, m_tasks), -1);
    EXPECT_EQ(m_parser.ParseFile("", m_tasks), -1);
    EXPECT_EQ(m_parser.ParseFile(m_folder.File("missing.json").c_str(), m_tasks), -1);
    EXPECT_EQ(Parse("<html>401 Unauthorized</html>"), -1);
    EXPECT_EQ(Parse("{\"issues\":[]"), -1);
    EXPECT_EQ(Parse(""), -1);
    EXPECT_EQ(Parse("{\"issues\":[],\"summary\":\"\xFF\"}"), -1);  // not UTF-8
    EXPECT_EQ(m_tasks.Count(), 0);
}
}  // namespace
