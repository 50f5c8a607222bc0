// QLOCollector.exe killed without warning, and stopped while its check waits
// for a browser that never answers or for an activity file another program
// holds locked: what it stored afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "app/control_messages.h"
#include "collector_harness_win.h"
#include "sensing/time_stamp.h"
#include "support/raw_database.h"

namespace {
// Every row begins where the one before it ended: no time twice, none lost
// between them.
void ExpectContiguous(const std::vector<CActivityRow>& rows) {
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].start, rows[i - 1].finish) << "row " << i << " (" << rows[i].title << ")";
}

// The activity in progress when a stop was asked for, and when the stop was
// asked for and over.
struct CStop {
    std::string title;
    int64_t requested, ended;
};

// A kill at a moment chosen by what the collector has done so far.
enum class CKillMoment { AtTheStart, RightAfterTheCheckpoint, RightAfterARow, WhileTheActivityGoesOn };

TEST(ProgramDurability, TwentyKillsCostAtMostAMinuteEachAndLeaveNoOverlapOrDuplicate) {
    CCollectorSandbox sandbox;
    std::string title = "Long report - part 0";
    CHelperProcess window;
    ASSERT_TRUE(StartWindow(window, sandbox.CopyProgram("window_helper.exe", "excel.exe"), title));
    const unsigned seed = GetTickCount();
    std::mt19937 random(seed);
    int64_t lostAllowed = 0;  // seconds
    int64_t killed = 0;
    for (int run = 0; run < 20; ++run) {
        CCollector collector;
        const int64_t started = NowTimeStamp();
        if (killed) lostAllowed += SecondsBetween(killed, started) + 60;
        ASSERT_TRUE(collector.Start()) << run << " (seed " << seed << ")";
        switch (static_cast<CKillMoment>(random() % 4)) {
            case CKillMoment::AtTheStart:
                break;
            case CKillMoment::RightAfterTheCheckpoint:
                ASSERT_TRUE(sandbox.WaitForCurrentActivity(title, 0)) << run;
                break;
            case CKillMoment::RightAfterARow: {
                ASSERT_TRUE(sandbox.WaitForCurrentActivity(title, 1)) << run;
                const size_t rows = sandbox.Activities().size();
                title = "Long report - part " + std::to_string(run + 1);
                EXPECT_EQ(window.Command("title " + title), "ok title");
                ASSERT_TRUE(WaitUntil([&] { return sandbox.Activities().size() > rows; }, 15000)) << run;
                break;
            }
            case CKillMoment::WhileTheActivityGoesOn:
                ASSERT_TRUE(sandbox.WaitForCurrentActivity(title, 0)) << run;
                Pause(random() % 2000);
                break;
        }
        collector.Kill();
        killed = NowTimeStamp();
    }
    CCollector last;
    const int64_t started = NowTimeStamp();
    lostAllowed += SecondsBetween(killed, started) + 60;
    ASSERT_TRUE(last.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity(title, 1));
    CloseCollector(last);

    const auto rows = sandbox.Activities();
    ASSERT_GE(rows.size(), 2u);
    ExpectContiguous(rows);
    int64_t offline = 0;
    for (const auto& row : rows)
        if (row.type == kOffline) offline += row.duration;
    EXPECT_LE(offline, lostAllowed) << "seed " << seed;
}

// A stop of each kind while the worker's check waits: for a browser that
// never answers its address request, or for an activity file another
// program holds locked.
TEST(ProgramDurability, EveryStopEndsWithinTenSecondsWhateverTheCheckWaitsFor) {
    CCollectorSandbox sandbox;
    const std::string browserProgram = sandbox.CopyProgram("window_helper.exe", "iexplore.exe");
    const std::string sheetProgram = sandbox.CopyProgram("window_helper.exe", "excel.exe");
    struct CWay {
        const char* name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const CWay ways[] = {
        {"close request", WM_COLLECTOR_CLOSE, 0, 0},
        {"WM_CLOSE", WM_CLOSE, 0, 0},
        {"Exit", WM_COMMAND, 105, 0},
        {"logoff", WM_ENDSESSION, TRUE, static_cast<LPARAM>(ENDSESSION_LOGOFF)},
    };
    HANDLE closeEvent = CreateEventA(nullptr, FALSE, FALSE, kCloseEventName);
    ASSERT_NE(closeEvent, nullptr);
    std::vector<CStop> stops;
    for (bool browser : {true, false}) {
        for (const CWay& way : ways) {
            const std::string title = std::string("Before the stop (") + way.name + ")";
            const std::string lockedOut = std::string("Locked out (") + way.name + ")";
            CHelperProcess window, server, page;
            ASSERT_TRUE(StartWindow(window, sheetProgram, title));
            CCollector collector;
            ASSERT_TRUE(collector.Start()) << title;
            ASSERT_TRUE(sandbox.WaitForCurrentActivity(title, 1)) << title;
            std::unique_ptr<CRawDatabase> holder;
            if (browser) {
                // The browser comes to the front; the next check asks it for
                // its address and waits.
                ASSERT_TRUE(server.Start(ProgramBesideTest("dde_server_helper.exe"), {"--silent"}));
                ASSERT_TRUE(StartWindow(page, browserProgram, "Hung page - Internet Explorer"));
                std::string line;
                ASSERT_TRUE(server.ReadLine(line, 15000) && line == "request") << title;
            } else {
                holder = std::make_unique<CRawDatabase>(sandbox.DbFolder() + "\\" + ActivityFileNow());
                ASSERT_EQ(holder->Exec("begin exclusive"), SQLITE_OK);
                // A change whose save meets the lock.
                EXPECT_EQ(window.Command("title " + lockedOut), "ok title");
                ASSERT_TRUE(sandbox.WaitForCurrentActivity(lockedOut, 1)) << title;
            }
            const int64_t requested = NowTimeStamp();
            if (way.message == WM_COLLECTOR_CLOSE) SetEvent(closeEvent);
            ASSERT_TRUE(collector.Post(way.message, way.wParam, way.lParam));
            uint32_t exitCode = 1;
            EXPECT_TRUE(collector.WaitForExit(10000, exitCode)) << title << ": the stop took longer than 10 s";
            // With the browser the stop meets the check still waiting: the
            // sheet is the activity in progress.
            stops.push_back({browser ? title : lockedOut, requested, NowTimeStamp()});
            EXPECT_EQ(exitCode, 0u) << title;
            server.Kill();  // it never answers anything again
        }
    }
    CloseHandle(closeEvent);
    CHelperProcess window;
    ASSERT_TRUE(StartWindow(window, sheetProgram, "After the stops"));
    CCollector last;
    ASSERT_TRUE(last.Start());
    ASSERT_TRUE(sandbox.WaitForCurrentActivity("After the stops"));
    CloseCollector(last);

    // Each stop stored its activity up to the stop, or left it to the next
    // start, which stored it before the gap: nothing between is lost.
    const auto rows = sandbox.Activities();
    ExpectContiguous(rows);
    for (const CStop& stop : stops) {
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const CActivityRow& r) {
            return r.title == stop.title && r.type == kActive;
        });
        ASSERT_NE(row, rows.end()) << stop.title;
        EXPECT_GE(row->finish, stop.requested) << stop.title;
        EXPECT_LE(row->finish, stop.ended) << stop.title;
    }
}
}  // namespace
