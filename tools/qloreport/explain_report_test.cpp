// explain against the collector itself: the time manager, started with the
// seeded catalogue on the fakes, stores a browser page with a site rule, a
// program with a rule, a program without one, idle, locked and offline time;
// the explanation of every stored row reaches the project and task the
// collector stored, for the reason the catalogue gives.
#include "qloreport/explain_report.h"

#include <gtest/gtest.h>

#include "core/time_manager_test_fixture.h"
#include "qloreport/qloreport_run.h"

namespace {
class ExplainedRows : public TimeManagerTest {
protected:
    // The explanation of `row` and its text.
    CExplanation Explain(const CActivityReader& reader, const CDBActivity& row, std::string& text) {
        const std::string path = temp.File("explanation.txt");
        FILE* out = std::fopen(path.c_str(), "wb");
        const CExplanation explanation = ExplainRow(out, reader, row);
        std::fclose(out);
        text = ReadFileBytes(path);
        return explanation;
    }
};

TEST_F(ExplainedRows, TheEngineReachesWhatTheCollectorStoredAndSaysWhy) {
    ASSERT_EQ(Init(1), 1);
    dde.Answer("firefox", "WWW_GetWindowInfo", "0xFFFFFFFF",
               CFakeDde::BrowserReply("https://www.facebook.com/groups/x", "Group"));
    StartAt(20261207090000);  // the editor: no rule
    Show(kBrowserWindow, "Group - Mozilla Firefox");
    At(20261207090010);
    Show(kSheetWindow, "Budget.xlsx");
    At(20261207090020);
    desktop.SetIdleMilliseconds(61000);
    At(20261207090030);
    desktop.SetIdleMilliseconds(0);
    At(20261207090040);
    At(20261207090050, EVENT_LOCK);
    At(20261207090100, EVENT_UNLOCK);
    At(20261207090110);
    At(20261207090300);  // nothing checked for more than 60 s
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207090310);

    CActivityReader reader(dbFolder);
    ASSERT_EQ(reader.Open(), 1);
    std::map<int32_t, int> types;
    std::vector<std::string> reasons;
    ASSERT_EQ(reader.VisitRows(
                  20261207000000, 20261207235959,
                  [&](const CDBActivity& row) {
                      std::string text;
                      const CExplanation explanation = Explain(reader, row, text);
                      EXPECT_TRUE(explanation.sameAsStored) << text;
                      EXPECT_NE(text.find("The stored row has the same project and task."), std::string::npos) << text;
                      ++types[row.GetActivityType()];
                      reasons.push_back(text.substr(text.find("Decision: ")));
                      return true;
                  }),
              1);
    EXPECT_EQ(types, (std::map<int32_t, int>{{1, 6}, {2, 1}, {3, 1}, {4, 1}}));
    // Editor: the default task; browser: the site's address rule, tried
    // before the browser's own rule of equal priority and matches; sheet:
    // its program rule; idle, locked and offline: their projects' rules.
    ASSERT_EQ(reasons.size(), 9u);
    EXPECT_EQ(reasons[0].rfind("Decision: no rule accepted the activity, so it gets the default task: Uncategorized "
                               "/ Uncategorized.",
                               0),
              0u)
        << reasons[0];
    EXPECT_NE(reasons[1].find("Social Networking / General [Social Networking]"), std::string::npos) << reasons[1];
    EXPECT_NE(reasons[2].find("Business / Accounting"), std::string::npos) << reasons[2];
    EXPECT_NE(reasons[3].find("gives Idle."), std::string::npos) << reasons[3];
    EXPECT_NE(reasons[5].find("gives Locked."), std::string::npos) << reasons[5];
    EXPECT_NE(reasons[7].find("gives Offline."), std::string::npos) << reasons[7];

    // The browser row: which conditions held, and why its rule was chosen.
    CDBActivity browser;
    ASSERT_EQ(reader.FindRowAt(20261207090015, browser), 1);
    std::string text;
    Explain(reader, browser, text);
    EXPECT_NE(text.find("address words holds; type Active holds -> accepted, 2 matches, priority 64; chosen: "
                        "priority 64 is above the best so far (0)"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("-> accepted, 2 matches, priority 64; not chosen: priority 64 is not above 64 and 2 matches "
                        "are not more than 2"),
              std::string::npos)
        << text;

    // The command line finds the data folder through the collector's
    // settings, and without --at explains the last stored row.
    const std::string outPath = temp.File("out.txt"), errPath = temp.File("err.txt");
    FILE* out = std::fopen(outPath.c_str(), "wb");
    FILE* err = std::fopen(errPath.c_str(), "wb");
    const char* argv[] = {"qloreport", "explain"};
    EXPECT_EQ(RunQloreport(2, argv, out, err), 0);
    std::fclose(out);
    std::fclose(err);
    EXPECT_EQ(ReadFileBytes(outPath).rfind("Activity 2026-12-07 09:03:00 - 09:03:10 (0:00:10), Active", 0), 0u)
        << ReadFileBytes(outPath) << ReadFileBytes(errPath);
}
}  // namespace
