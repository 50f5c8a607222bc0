// qlorules run in-process on a data folder: bad command lines, and the
// commands one after the other with what each leaves in the files.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "qlorules/qlorules_run.h"
#include "support/activity_folder.h"
#include "support/console_tool_run.h"
#include "support/raw_database.h"
#include "support/temp_folder.h"

namespace {
class Qlorules : public ::testing::Test {
protected:
    CTempFolder temp;
    CActivityFolder data{temp.Str()};
    int32_t app = data.AddApp("code", "/usr/bin/code");
    int32_t none = data.AddProject("Uncategorized");
    int32_t fallback = data.AddTask(none, "Uncategorized", true);

    void SetUp() override {
        data.AddRows({{20260302090000, 20260302093000, 1800, 1, "acme plan", 1, app, none, fallback, 0, ""},
                      {20260302093000, 20260302100000, 1800, 3, "=1+2 \x1b]0;owned\x07", 1, app, 0, 0, 0, ""}});
    }
    CToolRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--data", temp.Str()});
        return RunConsoleTool(&RunQlorules, args);
    }
    std::string Stored(const std::string& column) {
        CRawDatabase db(data.MonthFile(20260302000000));
        return db.Value("select " + column + " from T_Activities where Id_Activity = 1");
    }
};

TEST_F(Qlorules, BadCommandLinesExitWithTwoNamingTheBadInput) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"list", "--colour"}, "unknown option '--colour'"},
        {{"list", "--dry-run"}, "'--dry-run' is an option of apply, not of list"},
        {{"apply", "--from", "2026-02-30"}, "bad date '2026-02-30'"},
        {{"add", "--priority", "99"}, "--priority takes a priority from 0 to 31, not '99'"},
        {{"assign", "--row", "2026-03:1"}, "assign needs --project ID"},
        {{"assign", "--project", "1", "--row", "2026-03:1", "--row", "march:1"},
         "--row takes YYYY-MM:ID, not 'march:1'"},
        {{"undo", "last"}, "undo takes at most one edit number"},
        {{"forget", "--whole"}, "forget needs --from and --to"},
        {{"forget", "--from", "today"}, "forget takes --from and --to together"},
        {{"apply", "--whole"}, "'--whole' is an option of forget, not of apply"},
        {{"remove"}, "'remove' takes ID"},
        {{"serve", "--port", "70000"}, "--port takes a port from 1 to 65535, not '70000'"},
        {{}, "no command given"}};
    for (const auto& [args, reason] : cases) {
        const CToolRun run = Run(args);
        EXPECT_EQ(run.status, 2) << reason;
        EXPECT_EQ(run.err.rfind("qlorules: " + reason, 0), 0u) << run.err;
        EXPECT_NE(run.err.find("\nusage: qlorules "), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 2) << run.err;
    }
    const CToolRun help = Run({"apply", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: qlorules apply [OPTIONS]\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--dry-run"), std::string::npos) << help.out;
    EXPECT_EQ(help.out.find("--row"), std::string::npos) << help.out;
}

TEST_F(Qlorules, AProjectAndARuleAreMadeTestedAppliedAndUndoneAndEachStepLandsInTheFiles) {
    CToolRun run = Run({"projects", "add", "ACME"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string acme = run.out.substr(std::string("project ").size(), run.out.find(" added") - 8);
    // Refused, each with its reason; exit 1.
    run = Run({"add", "--project", acme, "--title", "ACME"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("capital letter"), std::string::npos) << run.err;
    run = Run({"add", "--project", acme});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("at least one condition"), std::string::npos) << run.err;
    run = Run({"test", "--project", acme, "--title", "acme", "--from", "2099-01-01", "--to", "2099-01-31"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("future"), std::string::npos) << run.err;

    run = Run({"test", "--project", acme, "--title", "acme", "--from", "2026-03-02", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json preview = nlohmann::json::parse(run.out);
    EXPECT_EQ(preview["caughtRows"], 1);
    EXPECT_EQ(preview["rows"][0]["newProject"], "ACME");
    run = Run({"add", "--project", acme, "--title", "acme"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = Run({"apply", "--from", "2026-03-02", "--dry-run"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("1 of 1 rows (0:30:00) would change"), std::string::npos) << run.out;
    EXPECT_EQ(Stored("Id_Project"), std::to_string(none));
    run = Run({"apply", "--from", "2026-03-02"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Stored("Id_Project"), acme);
    EXPECT_EQ(Run({"apply", "--from", "2026-03-02"}).status, 1);  // nothing left to change

    // The locked half hour was a meeting of ACME.
    run = Run({"assign", "--row", "2026-03:2", "--project", acme, "--row", "2026-03:1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("1 rows assigned"), std::string::npos) << run.out;  // the first already was ACME's
    run = Run({"rows", "--from", "2026-03-02", "--format", "csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("2026-03:2,2026-03-02 09:30:00,2026-03-02 10:00:00,0:30:00,locked,code,'=1+2"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(",ACME\n"), std::string::npos) << run.out;
    // A title is any window's text: inert on a terminal too.
    run = Run({"rows", "--from", "2026-03-02"});
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
    EXPECT_NE(run.out.find("=1+2 \\x1b]0;owned\\x07"), std::string::npos) << run.out;
    run = Run({"log"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("assign"), std::string::npos);

    run = Run({"undo"});  // the assign
    ASSERT_EQ(run.status, 0) << run.err;
    run = Run({"undo"});  // the apply
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Stored("Id_Project"), std::to_string(none));
    const std::string applyEdit = run.out.substr(5, run.out.find(" undone") - 5);
    run = Run({"undo", applyEdit});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("edit " + applyEdit + " was already undone"), std::string::npos) << run.err;
}
}  // namespace
