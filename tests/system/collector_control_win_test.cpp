// Controlling QLOCollector.exe from outside: the close handshake, the other
// orderly stops, the categorisation switch, the rule reload and a pause,
// through qloctl as the desktop application would, and by window messages;
// forgetting a span while it records.
#include <gtest/gtest.h>

#include "collector_harness_win.h"
#include "sensing/time_stamp.h"
#include "support/raw_database.h"
#include "support/temp_folder.h"

namespace {
const UINT kCloseRequest = WM_USER + 5;
const UINT kExitCommand = 105;

TEST(ProgramControl, ACloseRequestIsHonouredOnlyWithTheCloseEvent) {
    CCollectorSandbox sandbox;
    const std::string title = "Close handshake - Excel";
    CHelperProcess window;
    ASSERT_TRUE(StartWindow(window, sandbox.CopyProgram("window_helper.exe", "excel.exe"), title));
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(title, 2));

    // Without the event the request is ignored (handled when Send returns).
    collector.Send(kCloseRequest);
    EXPECT_TRUE(collector.IsRunning());
    EXPECT_EQ(FindCollectorWindow(), collector.Window());
    EXPECT_TRUE(sandbox.Activities().empty());

    // qloctl signals the event first: the collector stops and saves the
    // activity in progress.
    const CProgramRun close = RunQloctl({"close"});
    EXPECT_EQ(close.exitCode, 0u);
    EXPECT_EQ(OutputLine(close), "qloctl: the collector has stopped");
    uint32_t exitCode = 1;
    ASSERT_TRUE(collector.WaitForExit(15000, exitCode));
    EXPECT_EQ(exitCode, 0u);
    const auto rows = sandbox.Activities();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].title, title);
    EXPECT_GE(rows[0].duration, 2);

    // With no collector left every command says so.
    for (const auto& command : std::vector<std::vector<std::string>>{{"close"}, {"reload-rules"}, {"rules", "on"}}) {
        const CProgramRun refused = RunQloctl(command);
        EXPECT_EQ(refused.exitCode, 1u) << command[0];
        EXPECT_EQ(OutputLine(refused), "qloctl: no collector is running") << command[0];
    }
}

TEST(ProgramControl, EveryOrderlyStopSavesTheActivityInProgress) {
    CCollectorSandbox sandbox;
    const std::string program = ProgramBesideTest("window_helper.exe");
    struct CWay {
        const char* title;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const CWay ways[] = {
        {"Stopped by WM_CLOSE", WM_CLOSE, 0, 0},
        {"Stopped by the Exit command", WM_COMMAND, kExitCommand, 0},
        {"Stopped by a logoff", WM_ENDSESSION, TRUE, static_cast<LPARAM>(ENDSESSION_LOGOFF)},
    };
    for (const CWay& way : ways) {
        CHelperProcess window;
        ASSERT_TRUE(StartWindow(window, program, way.title));
        CCollector collector;
        ASSERT_TRUE(collector.Start()) << way.title;
        ASSERT_TRUE(sandbox.WaitForCurrentActivity(way.title, 2)) << way.title;
        if (way.message == WM_ENDSESSION) {
            // A session end that was called off changes nothing.
            collector.Send(WM_ENDSESSION, FALSE, static_cast<LPARAM>(ENDSESSION_LOGOFF));
            EXPECT_TRUE(sandbox.ActivitiesTitled(way.title, kActive).empty());
            EXPECT_TRUE(collector.IsRunning());
        }
        collector.Send(way.message, way.wParam, way.lParam);
        // Windows may end the process as soon as WM_ENDSESSION returns: the
        // row is there by then. (A restart stores the time between two runs
        // as Offline, under the title in front at the start.)
        EXPECT_EQ(sandbox.ActivitiesTitled(way.title, kActive).size(), 1u) << way.title;
        uint32_t exitCode = 1;
        EXPECT_TRUE(collector.WaitForExit(15000, exitCode)) << way.title;
        EXPECT_EQ(exitCode, 0u) << way.title;
    }
    for (const CWay& way : ways) {
        const auto saved = sandbox.ActivitiesTitled(way.title, kActive);
        ASSERT_EQ(saved.size(), 1u) << way.title;
        EXPECT_GE(saved[0].duration, 2) << way.title;
    }
}

TEST(ProgramControl, CategorisationCanBeSwitchedOffAndOnAndTheRulesReloaded) {
    CCollectorSandbox sandbox;
    const std::string plain = ProgramBesideTest("window_helper.exe");
    const std::string whileOff = "While rules are off - Excel";
    const std::string whileOn = "While rules are on - Notepad";
    const std::string beforeReload = "Quarterly plan draft";
    const std::string afterReload = "Quarterly plan final";
    CHelperProcess windows[5];
    ASSERT_TRUE(StartWindow(windows[0], sandbox.CopyProgram("window_helper.exe", "excel.exe"), whileOff));
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    EXPECT_EQ(OutputLine(RunQloctl({"rules", "off"})), "qloctl: categorisation switched off");
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(whileOff));
    ASSERT_TRUE(StartWindow(windows[1], sandbox.CopyProgram("window_helper.exe", "notepad.exe"), whileOn));
    ASSERT_TRUE(sandbox.WaitForRow(whileOff));
    EXPECT_EQ(OutputLine(RunQloctl({"rules", "on"})), "qloctl: categorisation switched on");
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(whileOn));
    ASSERT_TRUE(StartWindow(windows[2], plain, beforeReload));
    ASSERT_TRUE(sandbox.WaitForRow(whileOn));

    // A rule added to the catalogue counts only once the rules are reloaded.
    ASSERT_EQ(sandbox.ExecCatalogue(
                  "insert into T_Rules (Id_RulesGroup, Status, Id_App, Id_Task, Id_Project, Title, Id_Site, URL, Path, "
                  "TimeStart, TimeFinish, AppType) select 0, 1, 0, Id_Task, Id_Project, 'quarterly', 0, '', '', 0, 0, "
                  "65 from T_Tasks where Name = 'Marketing'"),
              0);
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(beforeReload));
    ASSERT_TRUE(StartWindow(windows[3], plain, afterReload));
    ASSERT_TRUE(sandbox.WaitForRow(beforeReload));
    EXPECT_EQ(OutputLine(RunQloctl({"reload-rules"})), "qloctl: rules reload requested");
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(afterReload));
    ASSERT_TRUE(StartWindow(windows[4], plain, "Last window"));
    ASSERT_TRUE(sandbox.WaitForRow(afterReload));
    CloseCollector(collector);

    const auto off = sandbox.ActivitiesTitled(whileOff);
    ASSERT_EQ(off.size(), 1u);
    EXPECT_EQ(off[0].projectId, 0) << "stored without a category";
    EXPECT_EQ(off[0].taskId, 0);
    const auto on = sandbox.ActivitiesTitled(whileOn);
    ASSERT_EQ(on.size(), 1u);
    EXPECT_EQ(on[0].task, "Writing");
    const auto before = sandbox.ActivitiesTitled(beforeReload);
    ASSERT_EQ(before.size(), 1u);
    EXPECT_EQ(before[0].task, "Uncategorized");
    const auto after = sandbox.ActivitiesTitled(afterReload);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].project, "Business");
    EXPECT_EQ(after[0].task, "Marketing");
}

TEST(ProgramControl, APauseRecordsNothingOutlastsARestartAndEndsAtResume) {
    CCollectorSandbox sandbox;
    const std::string before = "Before the pause - Notepad", during = "During the pause - Excel",
                      after = "After the pause - Notepad";
    CHelperProcess windows[3];
    ASSERT_TRUE(StartWindow(windows[0], sandbox.CopyProgram("window_helper.exe", "notepad.exe"), before));
    auto collector = std::make_unique<CCollector>();
    ASSERT_TRUE(collector->Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(before));
    EXPECT_EQ(OutputLine(RunQloctl({"pause", "1h"})), "qloctl: pause requested for 1 h");
    // The pause's activity has no title; while it lasts the checks go on
    // every second, so two seconds on one has seen the new window in front.
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(""));
    ASSERT_TRUE(StartWindow(windows[1], sandbox.CopyProgram("window_helper.exe", "excel.exe"), during));
    ASSERT_TRUE(WaitUntilPast(NowTimeStamp(), 2));
    CloseCollector(*collector);
    collector = std::make_unique<CCollector>();
    ASSERT_TRUE(collector->Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity("", 2));
    EXPECT_EQ(OutputLine(RunQloctl({"resume"})), "qloctl: resume requested");
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(during));
    ASSERT_TRUE(StartWindow(windows[2], ProgramBesideTest("window_helper.exe"), after));
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(after));
    CloseCollector(*collector);

    // Offline rows without a title from the pause to the resume, no gap.
    const auto rows = sandbox.Activities();
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(rows.front().title, before);
    EXPECT_EQ(rows[rows.size() - 2].title, during);
    EXPECT_EQ(rows.back().title, after);
    for (size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i - 1].finish, rows[i].start) << i;
        if (i + 2 < rows.size()) {
            EXPECT_EQ(rows[i].type, kOffline) << i;
            EXPECT_EQ(rows[i].title, "") << i;
        }
    }
}

TEST(ProgramControl, ForgetWholeWhileItRecordsLeavesThePrivateTextInNoFileAndNoGap) {
    CCollectorSandbox sandbox;
    const std::string program = sandbox.CopyProgram("window_helper.exe", "notepad.exe");
    const std::string secret = "Private letter - Notepad";
    CHelperProcess windows[4];
    ASSERT_TRUE(StartWindow(windows[0], program, "Report - Notepad"));
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity("Report - Notepad"));
    ASSERT_TRUE(StartWindow(windows[1], program, secret));
    ASSERT_TRUE(sandbox.WaitForRow("Report - Notepad"));
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(secret));
    // Whatever the collector records from now on holds no private text.
    ASSERT_TRUE(StartWindow(windows[2], program, "Plain - Notepad"));
    const CProgramRun forget =
        RunProgram(ProgramBesideTest("qlorules.exe"),
                   {"--data", sandbox.DbFolder(), "forget", "--whole", "--from", "today", "--to", "today"});
    EXPECT_EQ(forget.exitCode, 0u) << forget.output;
    EXPECT_NE(forget.output.find("the collector cleaned what it holds"), std::string::npos) << forget.output;
    EXPECT_EQ(FilesHolding(sandbox.DbFolder(), {"Private"}), "");
    const size_t forgotten = sandbox.Activities().size();
    ASSERT_TRUE(StartWindow(windows[3], program, "Last - Notepad"));
    ASSERT_TRUE(sandbox.WaitForCurrentActivity("Last - Notepad"));
    CloseCollector(collector);
    EXPECT_EQ(FilesHolding(sandbox.DbFolder(), {"Private"}), "");
    const auto rows = sandbox.Activities();
    ASSERT_GT(rows.size(), forgotten);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i < forgotten) {
            EXPECT_EQ(rows[i].type, kOffline) << i;
            EXPECT_EQ(rows[i].title + rows[i].fileName + rows[i].task, "") << i;
        }
        if (i > 0) {
            EXPECT_EQ(rows[i - 1].finish, rows[i].start) << i;
        }
    }
    EXPECT_EQ(rows.back().title, "Last - Notepad");
}
}  // namespace
