// The curation library on real SQLite files: catalogue edits, rule checks,
// preview, apply, assign, undo and its order, a busy file, settling an edit
// a crash left half-made, and forgetting a range.
#include "curation/curation.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "core/forget_span.h"
#include "platform/path.h"
#include "storage/changed_ranges.h"
#include "support/activity_folder.h"
#include "support/raw_database.h"
#include "support/temp_folder.h"

namespace {
constexpr int64_t kNow = 20260601120000;
constexpr int64_t kMarch = 20260301000000, kApril = 20260401000000;
constexpr int64_t kMarchDay = 20260302000000;

class Curation : public ::testing::Test {
protected:
    CTempFolder temp;
    CActivityFolder data{temp.Str()};
    int32_t app = data.AddApp("code", "/usr/bin/code");
    int32_t other = data.AddProject("Other");
    int32_t uncategorized = data.AddProject("Uncategorized");
    int32_t fallback = data.AddTask(uncategorized, "Uncategorized", true);
    int32_t acme = data.AddProject("ACME");
    int32_t meetings = data.AddTask(acme, "Meetings");
    int reloads = 0;
    CCuration curation{temp.Str(), [] { return kNow; }};

    void SetUp() override {
        // March: two ACME titles (one with no project yet), one locked hour;
        // April: one more ACME title, already categorised as Other.
        data.AddRows(
            {{20260302090000, 20260302093000, 1800, 1, "acme report - editor", 1, app, uncategorized, fallback, 0, ""},
             {20260302093000, 20260302100000, 1800, 1, "acme plan", 1, app, kNullId, kNullId, 0, ""},
             {20260302100000, 20260302110000, 3600, 3, "", 1, app, 0, 0, 0, ""},
             {20260302110000, 20260302113000, 1800, 1, "news", 1, app, uncategorized, fallback, 0, ""}});
        data.AddRows({{20260402090000, 20260402100000, 3600, 2, "acme idle", 1, app, other, 0, 0, ""}});
        curation.SetReloadRequest([this] {
            ++reloads;
            return std::string("reload asked");
        });
        curation.SetForgetMessage([](std::string& message) {
            message = "no collector is running";
            return 0;
        });
        ASSERT_EQ(curation.Open(), curation::kDone) << curation.LastError();
    }
    // The start spans changes.db holds, oldest first.
    std::vector<std::pair<int64_t, int64_t>> ChangedSpans() {
        std::vector<std::pair<int64_t, int64_t>> spans;
        std::string error;
        VisitChangedRanges(
            temp.Str(), 0,
            [&](const CChangedRange& r) {
                spans.push_back({r.from, r.to});
            },
            error);
        return spans;
    }
    // Id_Project/Id_Task of every row of a month, in stored order.
    std::vector<std::vector<std::string>> Targets(int64_t month) {
        CRawDatabase db(data.MonthFile(month));
        return db.Rows("select Id_Project, Id_Task from T_Activities order by Id_Activity");
    }
    std::vector<std::vector<std::string>> Times(int64_t month) {
        CRawDatabase db(data.MonthFile(month));
        return db.Rows(
            "select StartDate, FinishDate, Duration, Id_ActivityType from T_Activities order by Id_Activity");
    }
    CRuleSpec TitleRule(const std::string& words) {
        CRuleSpec rule;
        rule.projectId = acme;
        rule.taskId = meetings;
        rule.title = words;
        return rule;
    }
};
using Rows = std::vector<std::vector<std::string>>;
const std::string N = CRawDatabase::kNull;

TEST_F(Curation, ProjectsAndTasksAreAddedRenamedAndHiddenEachLoggedAndUndoneAndTheCollectorAskedToReload) {
    int32_t project = 0, task = 0;
    ASSERT_EQ(curation.AddProject("Client <b> & 'co'", project), curation::kDone) << curation.LastError();
    EXPECT_EQ(curation.AddProject("Client <b> & 'co'", project), curation::kRefused);
    EXPECT_EQ(curation.AddProject("", project), curation::kRefused);
    EXPECT_EQ(curation.AddProject(std::string(300, 'x'), project), curation::kRefused);
    ASSERT_EQ(curation.AddTask(project, "Design", task), curation::kDone);
    EXPECT_EQ(curation.AddTask(12345, "Design", task), curation::kRefused);
    ASSERT_EQ(curation.RenameProject(project, "Client"), curation::kDone);
    EXPECT_EQ(curation.RenameProject(project, "Client"), curation::kNothing);
    ASSERT_EQ(curation.HideTask(task, true), curation::kDone);
    EXPECT_EQ(reloads, 4);
    CRawDatabase func(temp.File("func.db"));
    EXPECT_EQ(func.Value("select Name from T_Projects where Id_Project = " + std::to_string(project)), "Client");
    EXPECT_EQ(func.Value("select Deleted from T_Tasks where Id_Task = " + std::to_string(task)), "1");

    // The project cannot go while its task names it; newest first it can.
    CEditInfo undone;
    std::vector<CEditInfo> edits;
    ASSERT_EQ(curation.ListEdits(0, edits), curation::kDone);
    ASSERT_EQ(edits.size(), 4u);
    EXPECT_EQ(curation.Undo(edits[3].id, undone), curation::kRefused);
    EXPECT_NE(curation.LastError().find("changed since"), std::string::npos) << curation.LastError();
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(curation.Undo(0, undone), curation::kDone) << curation.LastError();
    EXPECT_EQ(func.Value("select count(*) from T_Projects where Id_Project = " + std::to_string(project)), "0");
    EXPECT_EQ(func.Value("select count(*) from T_Tasks where Id_Task = " + std::to_string(task)), "0");
    EXPECT_EQ(curation.Undo(0, undone), curation::kNothing);
    EXPECT_EQ(reloads, 8);
}

TEST_F(Curation, RulesTheEngineCouldNeverAcceptAreRefusedWithTheReason) {
    const auto refused = [&](CRuleSpec rule, const std::string& reason) {
        EXPECT_EQ(curation.CheckRule(rule), curation::kRefused) << reason;
        EXPECT_NE(curation.LastError().find(reason), std::string::npos) << curation.LastError();
    };
    refused(TitleRule(""), "at least one condition");
    refused(TitleRule("ACME"), "capital letter");
    refused(TitleRule("acme  report"), "two in a row");
    refused(TitleRule(" acme"), "begins with a blank");
    refused(TitleRule("a b c d e f g h"), "more than 7 words");
    CRuleSpec rule = TitleRule("acme");
    rule.type = "asleep";
    refused(rule, "unknown type");
    rule = TitleRule("acme");
    rule.periodStart = 20260101;
    rule.periodFinish = 20261231;
    refused(rule, "never match");
    rule = TitleRule("acme");
    rule.periodStart = 5;
    refused(rule, "both its bounds");
    rule = TitleRule("acme");
    rule.taskId = fallback;
    refused(rule, "another project");
    rule = TitleRule("acme");
    rule.programId = 999;
    refused(rule, "never been recorded");
    rule = TitleRule("acme");
    rule.priority = 32;
    refused(rule, "priority");

    rule = TitleRule("acme");
    rule.type = "idle";
    rule.priority = 3;
    ASSERT_EQ(curation.AddRule(rule), curation::kDone) << curation.LastError();
    std::vector<CRuleInfo> rules;
    ASSERT_EQ(curation.ListRules(rules), curation::kDone);
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].rule.type, "idle");
    EXPECT_EQ(rules[0].rule.priority, 3);
    EXPECT_EQ(rules[0].project, "ACME");
    CRawDatabase func(temp.File("func.db"));
    EXPECT_EQ(func.Value("select AppType from T_Rules"), std::to_string(8 | (3 << 5)));
    // Removed and undone: the same row comes back.
    const std::string before = func.Rows("select * from T_Rules")[0][0];
    ASSERT_EQ(curation.RemoveRule(rule.id), curation::kDone);
    EXPECT_EQ(curation.RemoveRule(rule.id), curation::kRefused);
    CEditInfo undone;
    ASSERT_EQ(curation.Undo(0, undone), curation::kDone);
    EXPECT_EQ(func.Rows("select * from T_Rules")[0][0], before);
}

TEST_F(Curation, APreviewListsTheRowsARuleCatchesWithWhatTheyAreNowAndWouldBecome) {
    CPreview preview;
    ASSERT_EQ(curation.Preview(TitleRule("acme"), kMarch, 20260430235959, 2, preview), curation::kDone);
    EXPECT_EQ(preview.caughtRows, 3);
    EXPECT_EQ(preview.caughtSeconds, 1800 + 1800 + 3600);
    ASSERT_EQ(preview.rows.size(), 2u);  // the limit
    EXPECT_EQ(preview.rows[0].row.title, "acme report - editor");
    EXPECT_EQ(preview.rows[0].row.project, "Uncategorized");
    EXPECT_EQ(preview.rows[0].newProject, "ACME");
    EXPECT_TRUE(preview.rows[0].changes);
    EXPECT_EQ(preview.changingRows, 3);
    // Only idle rows: the April one.
    CRuleSpec idle = TitleRule("acme");
    idle.type = "idle";
    ASSERT_EQ(curation.Preview(idle, kMarch, 20260430235959, 10, preview), curation::kDone);
    ASSERT_EQ(preview.rows.size(), 1u);
    EXPECT_EQ(preview.rows[0].row.project, "Other");
    EXPECT_EQ(curation.Preview(TitleRule("nothing"), kMarch, 20260430235959, 10, preview), curation::kNothing);
    EXPECT_EQ(curation.Preview(TitleRule("acme"), 20260701000000, 20260702000000, 10, preview), curation::kRefused);
    EXPECT_NE(curation.LastError().find("future"), std::string::npos);

    std::vector<CUncategorizedItem> items;
    ASSERT_EQ(curation.Uncategorized(kMarch, 20260331235959, 5, items), curation::kDone);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0].kind, "program");
    EXPECT_EQ(items[0].seconds, 1800 * 3);
    EXPECT_EQ(items[1].kind, "title");
}

TEST_F(Curation, ApplyRecategorisesOnlyActiveAndIdleRowsAndUndoRestoresEveryValueExactly) {
    const Rows marchBefore = Targets(kMarch), aprilBefore = Targets(kApril), times = Times(kMarch);
    CRuleSpec rule = TitleRule("acme");
    ASSERT_EQ(curation.AddRule(rule), curation::kDone);
    CApplyResult dry;
    ASSERT_EQ(curation.Apply(kMarch, 20260430235959, true, dry), curation::kDone);
    EXPECT_EQ(dry.changedRows, 3);
    EXPECT_EQ(dry.editId, 0);
    EXPECT_EQ(Targets(kMarch), marchBefore);

    CApplyResult applied;
    ASSERT_EQ(curation.Apply(kMarch, 20260430235959, false, applied), curation::kDone) << curation.LastError();
    EXPECT_EQ(applied.changedRows, 3);
    EXPECT_EQ(applied.checkedRows, 4);  // the locked row is not looked at
    const std::string a = std::to_string(acme), m = std::to_string(meetings);
    const std::string u = std::to_string(uncategorized), f = std::to_string(fallback);
    EXPECT_EQ(Targets(kMarch), (Rows{{a, m}, {a, m}, {"0", "0"}, {u, f}}));
    EXPECT_EQ(Targets(kApril), (Rows{{a, m}}));
    EXPECT_EQ(Times(kMarch), times);
    // Copies elsewhere learn which rows to send again: per file, first to last start changed.
    using Spans = std::vector<std::pair<int64_t, int64_t>>;
    EXPECT_EQ(ChangedSpans(), (Spans{{20260302090000, 20260302093000}, {20260402090000, 20260402090000}}));
    bool found = false;
    for (const CTotalChange& total : applied.totals)
        if (total.projectId == acme) found = total.before == 0 && total.after == 1800 + 1800 + 3600;
    EXPECT_TRUE(found);
    EXPECT_EQ(curation.Apply(kMarch, 20260430235959, false, applied), curation::kNothing);

    CEditInfo undone;
    ASSERT_EQ(curation.Undo(0, undone), curation::kDone) << curation.LastError();
    EXPECT_EQ(undone.kind, "apply");
    EXPECT_EQ(Targets(kMarch), marchBefore);  // the NULLs come back as NULLs
    EXPECT_EQ(Targets(kApril), aprilBefore);
    EXPECT_EQ(curation.Undo(undone.id, undone), curation::kRefused);
    EXPECT_NE(curation.LastError().find("already undone"), std::string::npos);
    EXPECT_EQ(ChangedSpans().size(), 4u);
}

TEST_F(Curation, AssignTakesAnyRowTypeAndOverlappingEditsUndoNewestFirst) {
    const Rows before = Targets(kMarch), times = Times(kMarch);
    int64_t first = 0, second = 0;
    // The locked hour and the row after it.
    ASSERT_EQ(curation.AssignSpan(20260302100000, 20260302110000, acme, meetings, first), curation::kDone);
    ASSERT_EQ(curation.Assign({{kMarch, 4}, {kMarch, 1}}, other, 0, second), curation::kDone);
    int64_t none = 0;
    EXPECT_EQ(curation.Assign({{kMarch, 99}}, other, 0, none), curation::kRefused);
    EXPECT_EQ(curation.Assign({{kMarch, 1}}, 999, 0, none), curation::kRefused);
    const std::string a = std::to_string(acme), m = std::to_string(meetings), o = std::to_string(other);
    EXPECT_EQ(Targets(kMarch), (Rows{{o, "0"}, before[1], {a, m}, {o, "0"}}));
    EXPECT_EQ(Times(kMarch), times);

    CEditInfo undone;
    EXPECT_EQ(curation.Undo(first, undone), curation::kRefused);
    EXPECT_NE(curation.LastError().find("by edit " + std::to_string(second)), std::string::npos)
        << curation.LastError();
    ASSERT_EQ(curation.Undo(second, undone), curation::kDone);
    ASSERT_EQ(curation.Undo(first, undone), curation::kDone) << curation.LastError();
    EXPECT_EQ(Targets(kMarch), before);
    EXPECT_EQ(curation.Undo(second, undone), curation::kRefused);
    // A new curation object (a restart) reads the same log.
    CCuration again(temp.Str(), [] { return kNow; });
    ASSERT_EQ(again.Open(), curation::kDone);
    std::vector<CEditInfo> edits;
    ASSERT_EQ(again.ListEdits(0, edits), curation::kDone);
    ASSERT_EQ(edits.size(), 2u);
    EXPECT_EQ(edits[0].state, "undone");
    EXPECT_EQ(edits[0].rows, 2);
}

TEST_F(Curation, AnEditWaitsForABusyFileAndFailsCleanlyWhenItStaysBusyPastTheLimit) {
    const Rows before = Targets(kMarch);
    CRawDatabase holder(data.MonthFile(kMarch));
    ASSERT_EQ(holder.Exec("begin exclusive"), SQLITE_OK);
    curation.SetBusyLimitMs(100);
    int64_t edit = 0;
    EXPECT_EQ(curation.Assign({{kMarch, 1}}, acme, meetings, edit), curation::kBusy);
    EXPECT_NE(curation.LastError().find("busy"), std::string::npos) << curation.LastError();
    EXPECT_EQ(edit, 0);
    std::vector<CEditInfo> edits;
    ASSERT_EQ(curation.ListEdits(0, edits), curation::kDone);
    EXPECT_TRUE(edits.empty());

    curation.SetBusyLimitMs(CCuration::kDefaultBusyLimitMs);
    auto assigned = std::async(std::launch::async, [&] {
        return curation.Assign({{kMarch, 1}}, acme, meetings, edit);
    });
    EXPECT_EQ(assigned.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    ASSERT_EQ(holder.Exec("commit"), SQLITE_OK);
    ASSERT_EQ(assigned.get(), curation::kDone) << curation.LastError();
    EXPECT_EQ(Targets(kMarch)[0], (std::vector<std::string>{std::to_string(acme), std::to_string(meetings)}));
    EXPECT_EQ(Targets(kMarch)[1], before[1]);
}

TEST_F(Curation, AnEditACrashLeftPendingIsSettledFromTheRowsAtTheNextStart) {
    // As the log stands after a crash: two entries pending, one whose row
    // changed (its file committed) and one whose row did not.
    {
        CRawDatabase log(temp.File("edits.db"));
        ASSERT_EQ(log.Exec("insert into Edits(Id, Made, Kind, Summary, State) values (1, 0, 'assign', 'a', "
                           "'pending'), (2, 0, 'assign', 'b', 'pending');"
                           "insert into EditRows values (1, 'act0326.db', 1, " +
                           std::to_string(uncategorized) + ", " + std::to_string(fallback) +
                           ", 7, 8), (2, 'act0326.db', 4, " + std::to_string(uncategorized) + ", " +
                           std::to_string(fallback) +
                           ", 7, 8);"
                           "update Edits set Rows = 1"),
                  SQLITE_OK);
        CRawDatabase march(data.MonthFile(kMarch));
        ASSERT_EQ(march.Exec("update T_Activities set Id_Project = 7, Id_Task = 8 where Id_Activity = 1"), SQLITE_OK);
    }
    CCuration again(temp.Str(), [] { return kNow; });
    ASSERT_EQ(again.Open(), curation::kDone);
    std::vector<CEditInfo> edits;
    ASSERT_EQ(again.ListEdits(0, edits), curation::kDone);
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].id, 1);
    EXPECT_EQ(edits[0].state, "done");
    CEditInfo undone;
    ASSERT_EQ(again.Undo(1, undone), curation::kDone) << again.LastError();
    EXPECT_EQ(Targets(kMarch)[0], (std::vector<std::string>{std::to_string(uncategorized), std::to_string(fallback)}));
}
}  // namespace

TEST_F(Curation, ForgetRemovesTheTextForGoodFromRowsCheckpointEditLogAndSitesAndKeepsTimesAndIds) {
    const int32_t site = data.AddSite("private.example");
    // A long title: a shorter row written over it would not cover its start.
    data.AddRows({{20260302120000, 20260302123000, 1800, 1, "private diagnosis " + std::string(150, 'd'), 1, app, acme,
                   meetings, site, "https://private.example/chart"},
                  {20260302123000, 20260302130000, 1800, 1, "kept notes", 1, app, acme, meetings, 0, ""}});
    // The collector's checkpoint: a waiting row and the activity in progress.
    CActivityCheckpoint checkpoint;
    checkpoint.SetFolder(temp.Str(), kPathSeparator);
    CCheckpointState state;
    state.last = {kNow, 0};
    state.hasCurrent = true;
    state.current.SetProcess(CWinProcess(1, "private message - chat"));
    state.current.SetType(ActivityType::Active);
    state.current.SetStartMoment({20260601110000, 0});
    state.current.SetFinishMoment({kNow, 0});
    state.current.UpdateDuration();
    state.current.SetURL("https://private.example/inbox", 100);
    CWinActivity waiting(state.current);
    waiting.SetFinishMoment({20260601110000, 0});
    waiting.SetStartMoment({20260601100000, 0});
    waiting.UpdateDuration();
    state.pending.push_back(waiting);
    ASSERT_EQ(checkpoint.Write(state), 1);
    ASSERT_EQ(checkpoint.Write(state), 1);  // both copies
    int64_t assigned = 0, reassigned = 0;
    ASSERT_EQ(curation.AssignSpan(20260302090000, 20260302093000, acme, meetings, assigned), curation::kDone);
    ASSERT_EQ(curation.Assign({{kMarch, 1}, {kMarch, 4}}, other, 0, reassigned), curation::kDone);
    const Rows times = Times(kMarch);

    CForgetResult result;
    EXPECT_EQ(curation.Forget(20260701000000, 20260702000000, false, result), curation::kRefused);  // the future
    ASSERT_EQ(curation.Forget(20260302120000, 20260302122959, false, result), curation::kDone) << curation.LastError();
    EXPECT_EQ(result.rows, 1);
    CRawDatabase march(data.MonthFile(kMarch));
    const std::string a = std::to_string(acme), m = std::to_string(meetings);
    EXPECT_EQ(march.Rows("select Title, URL, Id_Site, Id_Project, Id_Task from T_Activities where Id_Activity = 5"),
              (Rows{{"", N, "0", a, m}}));
    EXPECT_EQ(result.sitesCleared, 1);
    EXPECT_EQ(CRawDatabase(temp.File("sys.db")).Rows("select URL from T_Sites where Id_Site = " + std::to_string(site)),
              (Rows{{""}}));

    // Whole: the first row (of both edits) and the second (of the first edit
    // only); a range running up to the present reaches the checkpoint too.
    ASSERT_EQ(curation.Forget(20260302092000, 20260302095959, true, result), curation::kDone);
    EXPECT_EQ(result.rows, 2);
    EXPECT_EQ(result.editRowsCleared, 3);
    ASSERT_EQ(curation.Forget(20260601103000, kNow + 5000, false, result), curation::kDone);
    EXPECT_EQ(result.rows, 0);
    EXPECT_EQ(result.held, 2);
    EXPECT_EQ(march.Rows("select Id_ActivityType, Title, Id_App, Id_Project, Id_Task from T_Activities where "
                         "Id_Activity <= 2"),
              (Rows{{"4", "", "0", "0", "0"}, {"4", "", "0", "0", "0"}}));
    Rows offline = times;
    offline[0][3] = offline[1][3] = "4";
    EXPECT_EQ(Times(kMarch), offline);
    EXPECT_EQ(ChangedSpans().back(), std::make_pair(int64_t{20260302090000}, int64_t{20260302093000}));

    // The assign touched only forgotten rows; the other edit keeps row 4.
    CEditInfo undone;
    EXPECT_EQ(curation.Undo(assigned, undone), curation::kRefused);
    EXPECT_NE(curation.LastError().find("forgotten"), std::string::npos) << curation.LastError();
    ASSERT_EQ(curation.Undo(reassigned, undone), curation::kDone) << curation.LastError();
    EXPECT_EQ(undone.rows, 1);
    EXPECT_EQ(march.Rows("select Id_Project from T_Activities where Id_Activity <= 2"), (Rows{{"0"}, {"0"}}));

    CCheckpointState after;
    std::string why;
    int damaged = 0;
    ASSERT_EQ(checkpoint.Read(after, why, damaged), 1) << why;
    EXPECT_STREQ(after.current.GetTitle(), "");
    EXPECT_STREQ(after.current.GetURL(), "");
    EXPECT_EQ(after.current.GetStartDate(), 20260601110000);
    ASSERT_EQ(after.pending.size(), 1u);
    EXPECT_STREQ(after.pending[0].GetTitle(), "");
    EXPECT_EQ(FilesHolding(temp.Str(), {"private"}), "");
    EXPECT_EQ(march.Rows("select Title from T_Activities where Id_Activity = 6"), (Rows{{"kept notes"}}));
}
