#include "pms/jira_project_parser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/text.h"
#include "support/temp_folder.h"

namespace {
class JiraProjectParser : public ::testing::Test {
protected:
    int Parse(const std::string& json) {
        const std::string path = m_folder.File("jira-projects.json");
        std::ofstream(path, std::ios::binary) << json;
        return m_parser.ParseFile(path.c_str(), m_projects);
    }
    CDBProject Project(int index) {
        CDBProject project;
        EXPECT_EQ(m_projects.Pop(index, project), 1);
        return project;
    }

    CTempFolder m_folder;
    CJIRAProjectParser m_parser;
    CBaseStorage<CDBProject> m_projects;
};

TEST_F(JiraProjectParser, ProjectsBecomeJiraProjectsAndThoseWithoutANameAreSkipped) {
    ASSERT_EQ(Parse("[{\"expand\":\"description\",\"self\":\"http://jira/rest/api/2/project/10000\","
                    "\"id\":\"10000\",\"key\":\"QLO\",\"name\":\"Orvanta\"},"
                    "{},"
                    "{\"id\":\"10001\",\"key\":\"NON\"},"
                    "{\"id\":\"10002\",\"key\":\"ADM\",\"name\":\"Administration\"}]"),
              1);
    ASSERT_EQ(m_projects.Count(), 2);
    const CDBProject first = Project(0);
    EXPECT_EQ(first.GetExternalPMSType(), 1);
    EXPECT_EQ(first.GetExternalId(), 10000);
    EXPECT_STREQ(first.GetExternalKey(), "QLO");
    EXPECT_STREQ(first.GetName(), "Orvanta");
    EXPECT_EQ(first.GetId(), 0);
    EXPECT_STREQ(Project(1).GetExternalKey(), "ADM");
}

TEST_F(JiraProjectParser, NameArrivesInTheSystemsTextLikeTheIssueSummaries) {
    ASSERT_EQ(Parse("[{\"id\":\"1\",\"key\":\"CAF\",\"name\":\"Caf\xC3\xA9\"}]"), 1);
    char expected[16];
    ASSERT_GT(Utf8ToAnsi("Caf\xC3\xA9", expected, sizeof(expected)), 0);
    EXPECT_STREQ(Project(0).GetName(), expected);
}

TEST_F(JiraProjectParser, WrongShapeEndsTheParseAndKeepsTheProjectsBeforeIt) {
    EXPECT_EQ(Parse("[{\"id\":\"1\",\"name\":\"One\"},\"two\",{\"id\":\"3\",\"name\":\"Three\"}]"), -200);
    ASSERT_EQ(m_projects.Count(), 1);
    EXPECT_STREQ(Project(0).GetName(), "One");
    EXPECT_EQ(Parse("{\"id\":\"1\",\"name\":\"One\"}"), -200);
    EXPECT_EQ(Parse("[[]]"), -200);
    EXPECT_EQ(m_projects.Count(), 1);
}

TEST_F(JiraProjectParser, MissingOrNonJsonFileGivesMinusOne) {
    EXPECT_EQ(m_parser.ParseFile(nullptr, m_projects), -1);
    EXPECT_EQ(m_parser.ParseFile(m_folder.File("missing.json").c_str(), m_projects), -1);
    EXPECT_EQ(Parse("[{\"id\":\"1\",}]"), -1);
    EXPECT_EQ(m_projects.Count(), 0);
    EXPECT_EQ(m_parser.Parse(), 0);
}
}  // namespace
