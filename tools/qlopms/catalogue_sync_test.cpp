// sync against the JIRA stand-in: every page, a repeated sync, a renamed
// issue, an issue that left the search.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "qlopms/pms_tool_test_fixture.h"
#include "support/raw_database.h"

namespace {
class QlopmsSync : public PmsToolTest {
protected:
    std::vector<std::vector<std::string>> Tasks() {
        CRawDatabase func(DbFolder() + "/func.db");
        return func.Rows(
            "select t.Id_Task, t.Name, t.ExternalPMSType, t.ExternalId, t.ExternalKey, p.ExternalKey, t.Deleted "
            "from T_Tasks t join T_Projects p on p.Id_Project = t.Id_Project order by t.Id_Task");
    }
    std::vector<int> SearchStarts() {
        std::vector<int> starts;
        for (const CHttpTestRequest& request : m_jira.Requests())
            if (request.target == "/rest/api/2/search")
                starts.push_back(nlohmann::json::parse(request.body, nullptr, false).value("startAt", -1));
        return starts;
    }
};

TEST_F(QlopmsSync, EveryPageIsAddedOnceRenamedIssuesAreRenamedAndNothingIsRemoved) {
    m_jira.SetIssues({{"20001", "QLO-1", "Login fails", "10000"},
                      {"20002", "QLO-2", "Report 'totals'", "10000"},
                      {"20003", "WEB-1", "Landing \x1b[2Jpage", "10001"},
                      {"20004", "QLO-3", "Idle time", "10000"},
                      {"20005", "OPS-1", "Not a listed project", "19999"}});
    CPmsRun run = MakeRun();
    ASSERT_EQ(RunSync(run), 0) << Errors();
    EXPECT_EQ(SearchStarts(), (std::vector<int>{0, 2, 4}));  // three pages of two
    const auto added = Tasks();
    EXPECT_EQ(added,
              (std::vector<std::vector<std::string>>{{"1", "Login fails", "1", "20001", "QLO-1", "QLO", "0"},
                                                     {"2", "Report 'totals'", "1", "20002", "QLO-2", "QLO", "0"},
                                                     {"3", "Landing \x1b[2Jpage", "1", "20003", "WEB-1", "WEB", "0"},
                                                     {"4", "Idle time", "1", "20004", "QLO-3", "QLO", "0"}}));
    EXPECT_NE(Output().find("added project WEB: Web\n"), std::string::npos);
    EXPECT_NE(Output().find("added task QLO-2: Report 'totals'\n"), std::string::npos);
    EXPECT_NE(Output().find("added task WEB-1: Landing \\x1b[2Jpage\n"), std::string::npos);
    EXPECT_NE(Output().find("skipped OPS-1"), std::string::npos);
    EXPECT_NE(Output().find("6 added, 0 changed"), std::string::npos);
    EXPECT_EQ(m_reloads, 1);

    // The same answers again: nothing added or changed, no reload.
    run = MakeRun();
    ASSERT_EQ(RunSync(run), 0) << Errors();
    EXPECT_EQ(Tasks(), added);
    EXPECT_NE(Output().find("0 added, 0 changed"), std::string::npos);
    EXPECT_EQ(m_reloads, 1);

    // QLO-2 renamed, QLO-1 no longer assigned to the user.
    m_jira.SetIssues({{"20002", "QLO-2", "Report totals by week", "10000"},
                      {"20003", "WEB-1", "Landing \x1b[2Jpage", "10001"},
                      {"20004", "QLO-3", "Idle time", "10000"}});
    run = MakeRun();
    ASSERT_EQ(RunSync(run), 0) << Errors();
    auto renamed = added;
    renamed[1][1] = "Report totals by week";
    EXPECT_EQ(Tasks(), renamed);
    EXPECT_NE(Output().find("renamed task QLO-2: \"Report 'totals'\" is now \"Report totals by week\""),
              std::string::npos);
    EXPECT_NE(Output().find("0 added, 1 changed"), std::string::npos);
    EXPECT_EQ(m_reloads, 2);
}
}  // namespace
