// The programs qlosync.exe and qloreport.exe under Wine, against the test
// server on 127.0.0.1: init, a push through the pooler in transaction mode
// in front of it (logging in with its password file), a report from the
// store, what the store holds about the person and a week's sign-off.
#include <gtest/gtest.h>

#include "support/helper_process.h"
#include "support/team_store_test_server.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"

namespace {
TEST(TeamStoreProgram, QlosyncPushesOverTheLoopbackAndQloreportReadsTheStore) {
    CTestRegistry registry;
    CTeamStoreTestDatabase store;
    CTempFolder folder;
    CActivityFolder data(folder.Str());
    const std::vector<CStoredRow> rows = FillTeamFolder(data, 5, 2, 500);
    const std::string qlosync = ProgramBesideTest("qlosync.exe");
    EXPECT_EQ(RunProgram(qlosync, {"init", "--server", store.Conninfo()}).exitCode, 0u);
    const CProgramRun push =
        RunProgram(qlosync, {"push", "--data", folder.Str(), "--server", store.PoolerConninfo(), "--person", "dave"});
    EXPECT_EQ(push.exitCode, 0u) << push.output;
    EXPECT_NE(push.output.find("1000 rows added"), std::string::npos) << push.output;
    store.ExpectSummariesEqualRows();
    const CProgramRun report = RunProgram(ProgramBesideTest("qloreport.exe"),
                                          {"totals", "--from", "2026-01-01", "--to", "2026-02-28", "--server",
                                           store.Conninfo(), "--user", "dave", "--by", "type"});
    EXPECT_EQ(report.exitCode, 0u) << report.output;
    int64_t seconds = 0;
    for (const CStoredRow& row : rows)
        seconds += row.duration;
    char total[32];
    std::snprintf(total, sizeof total, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    EXPECT_NE(report.output.find(total), std::string::npos) << report.output;

    const CProgramRun shown = RunProgram(qlosync, {"show", "--server", store.Conninfo(), "--person", "dave"});
    EXPECT_EQ(shown.exitCode, 0u) << shown.output;
    EXPECT_NE(shown.output.find("2026-01     500 "), std::string::npos) << shown.output;
    const CProgramRun submitted =
        RunProgram(qlosync, {"submit", "2026-01-01", "--server", store.Conninfo(), "--person", "dave"});
    EXPECT_EQ(submitted.exitCode, 0u) << submitted.output;
    EXPECT_NE(submitted.output.find("2026-W01 submitted: 500 activities"), std::string::npos) << submitted.output;
}
}  // namespace
