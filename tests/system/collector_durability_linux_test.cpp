// The Linux collector killed with SIGKILL at twenty moments, and stopped by
// SIGTERM and SIGINT while another program holds its activity file locked:
// what it stored afterwards. The real qlocollector on the test run's X
// display, with folders and settings of its own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/activity_checkpoint.h"
#include "sensing/time_stamp.h"
#include "support/child_process_linux.h"
#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace fs = std::filesystem;

namespace {
using Texts = std::vector<std::string>;

// The activity in progress when a stop was asked for, and when the stop was
// asked for and over.
struct CStop {
    std::string title;
    int64_t requested, ended;
};

struct CRow {
    int64_t start, finish, duration;
    int type;
    std::string title;
};

class CollectorDurability : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display: run the tests through scripts/run_linux_tests.sh";
        for (const char* folder : {"data", "run", "config", "install"})
            fs::create_directory(temp.Path() / folder);
        std::ofstream(registryFile) << "Windows Registry Editor Version 5.00\r\n\r\n"
                                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]\r\n\"Path\"=\""
                                    << temp.File("install") << "\"\r\n\"QLOCollector Log Level\"=dword:00000001\r\n";
        const std::string program = temp.File("notepad.exe");
        fs::copy_file(QLO_X11_WINDOWS, program);
        window = std::make_unique<CChildProcess>(program, Texts{program, "--window", "main", "notepad", title});
        std::string line;
        ASSERT_TRUE(window->ReadLine(line));
        Ask("input");
    }
    void TearDown() override {
        if (collector && collector->Pid() > 0) kill(collector->Pid(), SIGKILL);
    }

    void Ask(const std::string& command) {
        std::string answer;
        ASSERT_TRUE(window->WriteLine(command) && window->ReadLine(answer)) << command;
        ASSERT_EQ(answer.substr(0, 2), "ok") << command << ": " << answer;
    }
    void Launch() { collector = std::make_unique<CChildProcess>(QLO_COLLECTOR, Texts{"qlocollector"}); }
    std::string Db(const std::string& file) const { return temp.File("data/Orvanta/DB/" + file); }

    // The activity in progress as the checkpoint names it has `title` and
    // began at least `seconds` ago.
    bool WaitForCurrentActivity(const std::string& title, int seconds) {
        int64_t start = 0;
        return WaitUntil([&] {
                   CActivityCheckpoint checkpoint;
                   checkpoint.SetFolder(Db(""), '/');
                   CCheckpointState state;
                   std::string why;
                   int damaged = 0;
                   if (checkpoint.Read(state, why, damaged) != 1 || !state.hasCurrent ||
                       title != state.current.GetTitle())
                       return false;
                   start = state.current.GetStartDate();
                   return true;
               }) &&
               WaitUntil([&] { return SecondsBetween(start, NowTimeStamp()) >= seconds; });
    }

    // Every stored row, oldest first.
    std::vector<CRow> Rows() {
        std::vector<CRow> rows;
        for (const auto& entry : fs::directory_iterator(Db("")))
            if (entry.path().filename().string().rfind("act", 0) == 0) {
                sqlite3* db = nullptr;
                if (sqlite3_open(entry.path().c_str(), &db) == SQLITE_OK) {
                    sqlite3_busy_timeout(db, 2000);
                    sqlite3_exec(
                        db, "select StartDate, FinishDate, Duration, Id_ActivityType, Title from T_Activities",
                        [](void* out, int, char** v, char**) {
                            static_cast<std::vector<CRow>*>(out)->push_back({std::stoll(v[0]), std::stoll(v[1]),
                                                                             std::stoll(v[2]), std::stoi(v[3]),
                                                                             v[4] ? v[4] : ""});
                            return 0;
                        },
                        &rows, nullptr);
                }
                sqlite3_close(db);
            }
        std::stable_sort(rows.begin(), rows.end(), [](const CRow& a, const CRow& b) { return a.start < b.start; });
        return rows;
    }
    static void ExpectContiguous(const std::vector<CRow>& rows) {
        for (size_t i = 1; i < rows.size(); ++i)
            EXPECT_EQ(rows[i].start, rows[i - 1].finish) << "row " << i << " (" << rows[i].title << ")";
    }

    CTempFolder temp;
    const std::string registryFile = temp.File("registry.reg");
    CScopedEnvironment dataHome{"XDG_DATA_HOME", temp.File("data").c_str()};
    CScopedEnvironment runtime{"XDG_RUNTIME_DIR", temp.File("run").c_str()};
    CScopedEnvironment configHome{"XDG_CONFIG_HOME", temp.File("config").c_str()};
    CScopedEnvironment registry{"QLO_REGISTRY_FILE", registryFile.c_str()};
    CScopedEnvironment systemBus{"DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + temp.File("no-bus")).c_str()};
    std::string title = "long report - part 0";
    std::unique_ptr<CChildProcess> window, collector;
};

TEST_F(CollectorDurability, TwentyKillsCostAtMostAMinuteEachAndLeaveNoOverlapOrDuplicate) {
    const unsigned seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::mt19937 random(seed);
    int64_t lostAllowed = 0, killed = 0;
    for (int run = 0; run <= 20; ++run) {
        const int64_t started = NowTimeStamp();
        if (killed) lostAllowed += SecondsBetween(killed, started) + 60;
        Launch();
        ASSERT_TRUE(collector->Started());
        if (run == 20) break;  // the last start stops in order, below
        switch (random() % 4) {
            case 0:  // at once: during the start and its recovery
                break;
            case 1:  // right after the checkpoint names the activity
                ASSERT_TRUE(WaitForCurrentActivity(title, 0)) << run;
                break;
            case 2: {  // right after a change was stored
                ASSERT_TRUE(WaitForCurrentActivity(title, 1)) << run;
                const size_t rows = Rows().size();
                title = "long report - part " + std::to_string(run + 1);
                Ask("title main " + title);
                ASSERT_TRUE(WaitUntil([&] { return Rows().size() > rows; })) << run;
                break;
            }
            default:  // a moment while the activity goes on
                ASSERT_TRUE(WaitForCurrentActivity(title, 0)) << run;
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 2000));
                break;
        }
        kill(collector->Pid(), SIGKILL);
        ASSERT_TRUE(collector->WaitForEnd(10000));
        killed = NowTimeStamp();
    }
    ASSERT_TRUE(WaitForCurrentActivity(title, 1));
    kill(collector->Pid(), SIGTERM);
    ASSERT_TRUE(collector->WaitForEnd(10000));

    const auto rows = Rows();
    ASSERT_GE(rows.size(), 2u);
    ExpectContiguous(rows);
    int64_t offline = 0;
    for (const CRow& row : rows)
        if (row.type == 4) offline += row.duration;
    EXPECT_LE(offline, lostAllowed) << "seed " << seed;
}

TEST_F(CollectorDurability, SigtermAndSigintEndInTimeWithTheActivityFileLockedAndNothingIsLost) {
    std::vector<CStop> stops;
    for (int signal : {SIGTERM, SIGINT}) {
        Launch();
        ASSERT_TRUE(WaitForCurrentActivity(title, 1));
        sqlite3* holder = nullptr;
        char file[16];
        std::snprintf(file, sizeof file, "act%02d%02d.db", MonthOf(NowTimeStamp()), YearOf(NowTimeStamp()) % 100);
        ASSERT_EQ(sqlite3_open(Db(file).c_str(), &holder), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(holder, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
        title = "locked out " + std::to_string(signal);
        Ask("title main " + title);  // a change whose save meets the lock
        ASSERT_TRUE(WaitForCurrentActivity(title, 1));
        const int64_t requested = NowTimeStamp();
        kill(collector->Pid(), signal);
        EXPECT_TRUE(collector->WaitForEnd(10000)) << "signal " << signal << ": the stop took longer than 10 s";
        EXPECT_EQ(collector->Wait(), 0);
        stops.push_back({title, requested, NowTimeStamp()});
        sqlite3_close(holder);
    }
    Launch();
    ASSERT_TRUE(WaitForCurrentActivity(title, 0));
    kill(collector->Pid(), SIGTERM);
    ASSERT_TRUE(collector->WaitForEnd(10000));

    // Each stop stored its activity up to the stop, or left it to the next
    // start, which stored it before the gap: nothing between is lost.
    const auto rows = Rows();
    ExpectContiguous(rows);
    for (const CStop& stop : stops) {
        const auto row =
            std::find_if(rows.begin(), rows.end(), [&](const CRow& r) { return r.title == stop.title && r.type == 1; });
        ASSERT_NE(row, rows.end()) << stop.title;
        EXPECT_GE(row->finish, stop.requested) << stop.title;
        EXPECT_LE(row->finish, stop.ended) << stop.title;
    }
}
}  // namespace
