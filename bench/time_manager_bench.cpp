// What the time manager costs: a steady tick (the periodic check while the
// same window stays in front, so nothing is saved), the rule engine with
// the first-start catalogue, and storing a backlog of 2 000 waiting
// activities (at the start, and at an orderly stop). They run on the fakes
// of tests/fakes, so they measure the collector's own work without the
// operating system's queries (desktop_bench measures those). Besides time,
// each counts per operation the heap allocations (a counting global operator
// new of this program) and the SQL statements (a trace on every connection
// SQLite opens); the backlog ones count the pauses instead.
//   build/linux-release/bin/time_manager_bench
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

#include "core/activity_checkpoint.h"
#include "core/privacy_rules.h"
#include "core/privacy_settings.h"
#include "core/time_manager.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_dde.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_folders.h"
#include "fakes/fake_processes.h"
#include "platform/path.h"
#include "sensing/browser_reports.h"
#include "sensing/browsers_manager.h"
#include "sensing/time_stamp.h"
#include "support/raw_database.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"

namespace {
std::atomic<long long> g_allocations{0};
std::atomic<long long> g_statements{0};

int CountStatement(unsigned, void*, void*, void*) {
    g_statements.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

// Called by SQLite for every connection it opens from now on.
int TraceConnection(sqlite3* db, const char**, const void*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, CountStatement, nullptr);
    return SQLITE_OK;
}

void TraceEveryConnection() {
    static const bool registered = sqlite3_auto_extension(reinterpret_cast<void (*)()>(TraceConnection)) == SQLITE_OK;
    (void)registered;
}
}  // namespace

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {
constexpr char kMainKey[] = "SOFTWARE\\Belvane\\Orvanta";
constexpr WindowHandle kEditorWindow = 10;
constexpr uint32_t kEditor = 100, kCollector = 50;

// A collector started on the fakes with its databases in a temporary folder.
struct CStartedCollector {
    explicit CStartedCollector(int firstStart, int logLevel) {
        std::filesystem::create_directory(install);
        std::filesystem::create_directory(appData);
        registry.SetString(kMainKey, "Path", install);
        registry.SetNumber(kMainKey, "QLOCollector Log Level", static_cast<uint32_t>(logLevel));
        registry.SetNumber(kMainKey, "First Start", static_cast<uint32_t>(firstStart));
        processes.AddProcess(kEditor, "Editor.exe", "C:\\Apps\\Editor.exe");
        processes.SetAccount(kEditor, "HOST", "alice");
        processes.SetCurrentProcessId(kCollector);
        processes.SetAccount(kCollector, "HOST", "alice");
        desktop.Show(kEditorWindow, kEditor, "Quarterly report.odt - Editor");
        TraceEveryConnection();
        ok = tm.Init(1) == 1;
    }

    CFakeClock clock{{2026, 12, 7, 0, 0, 0, 0}};
    CFakeDesktop desktop;
    CFakeProcesses processes;
    CFakeDde dde;
    CTempFolder temp;
    const std::string install = temp.Str() + kPathSeparator + "Install";
    const std::string appData = temp.Str() + kPathSeparator + "AppData";
    CTestRegistry registry;
    CFakeFolders folders{appData};
    CTimeManager tm;
    bool ok = false;
};

// Counts allocations and statements of the measured loop, per iteration.
class CCountedRun {
public:
    explicit CCountedRun(benchmark::State& state) : m_state(state) {}
    ~CCountedRun() {
        const double iterations = static_cast<double>(m_state.iterations());
        m_state.counters["allocs/op"] = static_cast<double>(g_allocations - m_allocations) / iterations;
        m_state.counters["sql/op"] = static_cast<double>(g_statements - m_statements) / iterations;
    }

private:
    benchmark::State& m_state;
    const long long m_allocations = g_allocations;
    const long long m_statements = g_statements;
};

// `count` private patterns of each kind (programs, sites, titles), half of
// them at each level, none of which matches the benchmarks' captures.
void ListPrivatePatterns(CTestRegistry& registry, int count) {
    const char key[] = "SOFTWARE\\Belvane\\Orvanta\\Privacy";
    for (const char* level : {"details", "nothing"}) {
        std::string programs, sites, titles;
        for (int i = 0; i < count / 2; ++i) {
            const std::string n = std::to_string(i) + level[0];
            programs += "vault" + n + "*.exe;";
            sites += "bank" + n + ".example;";
            titles += "*secret project " + n + "*;";
        }
        registry.SetString(key, (std::string("Programs ") + level).c_str(), programs);
        registry.SetString(key, (std::string("Sites ") + level).c_str(), sites);
        registry.SetString(key, (std::string("Titles ") + level).c_str(), titles);
    }
}

// One check a second while the same window stays in front: the activity in
// progress is extended, nothing is stored. 50 000 checks stay within the day.
// `reports` says what the browser extension's host reported: 0 nothing;
// 1 a browser in the background has 32 windows (the editor in front); 2 the
// same, with one of the browser's windows in front. `patterns`: private
// patterns of each kind (ListPrivatePatterns).
void RunSteadyTick(benchmark::State& state, int64_t reports, int patterns) {
    CStartedCollector collector(0, 3);
    if (!collector.ok) {
        state.SkipWithError("the collector did not start");
        return;
    }
    if (patterns > 0) {
        ListPrivatePatterns(collector.registry, patterns);
        collector.tm.UpdateRules();  // reads the lists again
    }
    constexpr uint32_t kBrowser = 200;
    BrowserReports().Clear();
    if (reports > 0) {
        for (int window = 1; window <= CBrowserReports::kCapacity; ++window) {
            const std::string url = "https://site" + std::to_string(window) + ".example/";
            const std::string title = "Page " + std::to_string(window);
            CBrowserReport report;
            report.processId = kBrowser;
            report.windowId = window;
            report.url = url;
            report.title = title;
            BrowserReports().Apply(1, report);
        }
    }
    if (reports == 2) {
        collector.processes.AddProcess(kBrowser, "chrome.exe", "C:\\Chrome\\chrome.exe");
        collector.processes.SetAccount(kBrowser, "HOST", "alice");
        collector.desktop.Show(kEditorWindow + 1, kBrowser, "Page 17 - Google Chrome");
    }
    collector.tm.FindLastActivity(NowMoment());
    {
        CCountedRun counted(state);
        for (auto _ : state) {
            collector.clock.Advance(1000);
            collector.tm.OnEvent(EVENT_CHECK_ACTIVITY);
        }
    }
    CWinProcess browser(kBrowser, "Page 17 - Google Chrome");
    CBrowserBase address;
    if (reports == 2 && CBrowsersManager().FindURL(browser, address) != 1)
        state.SkipWithError("the browser's address is not found");
    // Nothing may have been saved: the tick must have stayed steady.
    if (collector.tm.StopAndSaveActivity() != 1) state.SkipWithError("the activity was not saved at the end");
    BrowserReports().Clear();
}
void SteadyTick(benchmark::State& state) { RunSteadyTick(state, state.range(0), 0); }
BENCHMARK(SteadyTick)->Arg(0)->Arg(1)->Arg(2)->Iterations(50000)->Unit(benchmark::kMicrosecond);

// The steady tick with a browser page in front (its address known), beside
// `range(0)` private patterns of each kind that all have to be tried.
void SteadyTickPrivateLists(benchmark::State& state) { RunSteadyTick(state, 2, static_cast<int>(state.range(0))); }
BENCHMARK(SteadyTickPrivateLists)->Arg(0)->Arg(100)->Iterations(50000)->Unit(benchmark::kMicrosecond);

// The private lists alone on that capture: every pattern of 100 of each kind tried.
void PrivateListsOnACapture(benchmark::State& state) {
    CTestRegistry registry;
    ListPrivatePatterns(registry, static_cast<int>(state.range(0)));
    CPrivacyRules rules;
    if (LoadPrivacySettings(rules) != 1) state.SkipWithError("the lists were not read");
    CWinProcess process(200, "Quarterly figures and the plan for next year - Google Chrome");
    process.SetFileName("chrome.exe");
    process.SetPath("C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe");
    CWinActivity capture(ActivityType::Active);
    capture.SetProcess(process);
    capture.SetURL("https://docs.example.com/spreadsheets/d/1x2y3z/edit#gid=0", 512);
    CCountedRun counted(state);
    for (auto _ : state) {
        CWinActivity sample = capture;
        benchmark::DoNotOptimize(rules.Apply(sample, false));
    }
}
BENCHMARK(PrivateListsOnACapture)->Arg(0)->Arg(100);

CWinActivity Typical(const char* fileName, const char* path, const char* title, const char* url, ActivityType type) {
    CWinProcess process(1, title);
    process.SetFileName(fileName);
    process.SetPath(path);
    CWinActivity activity(type);
    activity.SetProcess(process);
    activity.SetURL(url, 600);
    activity.SetStartAndFinish(20261207090000);
    activity.SetTask(0, 0);
    return activity;
}

// The 52 seeded rules tried against four typical activities per iteration:
// a program no rule names (every rule tried, the default task), a program
// rule, a browser on a social network and an idle activity. The information
// log is off, as it is without a log level in the registry; `range(0)` sets
// the level (1 writes "Rule accepted" lines).
void ApplySeededRules(benchmark::State& state) {
    CStartedCollector collector(1, static_cast<int>(state.range(0)));
    if (!collector.ok) {
        state.SkipWithError("the collector did not start");
        return;
    }
    CWinActivity activities[] = {
        Typical("editor.exe", "C:\\Apps\\Editor.exe", "Quarterly report.odt - Editor", "", ActivityType::Active),
        Typical("excel.exe", "C:\\Program Files\\Microsoft Office\\Office15\\EXCEL.EXE", "Budget 2027.xlsx - Excel", "",
                ActivityType::Active),
        Typical("firefox.exe", "C:\\Program Files\\Mozilla Firefox\\firefox.exe", "Facebook - Mozilla Firefox",
                "https://www.facebook.com/groups/team", ActivityType::Active),
        Typical("winword.exe", "C:\\Program Files\\Microsoft Office\\Office15\\WINWORD.EXE", "Letter.docx - Word", "",
                ActivityType::Idle),
    };
    {
        CCountedRun counted(state);
        for (auto _ : state)
            for (CWinActivity& activity : activities)
                benchmark::DoNotOptimize(collector.tm.ApplyRules(activity));
    }
    state.counters["rule tests/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 4 * 52, benchmark::Counter::kIsRate);
}
BENCHMARK(ApplySeededRules)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A checkpoint left by a crash after days of a database that could not be
// written: `count` finished activities of 10 seconds each and the one in
// progress.
void WriteBacklogCheckpoint(const std::string& path, int count) {
    const auto tenSecondsAfter = [](int64_t stamp) {
        return PackTimeStamp(MsToLocalTime(LocalTimeToMs(UnpackTimeStamp(stamp)) + 10000));
    };
    CCheckpointState state;
    int64_t stamp = 20261207000000;
    for (int i = 0; i < count; ++i) {
        CWinActivity activity =
            Typical("editor.exe", "C:\\Apps\\Editor.exe", ("Draft " + std::to_string(i % 50) + " - Editor").c_str(), "",
                    ActivityType::Active);
        activity.SetUser(CUser("HOST", "alice"));
        const int64_t finish = tenSecondsAfter(stamp);
        activity.SetStartMoment({stamp, 0});
        activity.SetFinishMoment({finish, 0});
        activity.UpdateDuration();
        state.pending.push_back(activity);
        stamp = finish;
    }
    state.hasCurrent = true;
    state.current = state.pending.back();
    state.current.SetStartMoment({stamp, 0});
    state.current.SetFinishMoment({stamp, 0});
    state.last = {tenSecondsAfter(stamp), 0};
    CDurableFile file;
    file.SetPath(path);
    file.Write(EncodeCheckpoint(state));
}

// Reports the pauses the clock service was asked for: the collector really
// waits them, the fake clock of the benchmark does not.
void CountSleeps(benchmark::State& state, int64_t sleptMs) {
    state.counters["slept ms/op"] = static_cast<double>(sleptMs) / static_cast<double>(state.iterations());
}

// The start after such a crash: the 2 001 activities of the checkpoint are
// stored before the tracking begins.
void StoreBacklogAtStart(benchmark::State& state) {
    int64_t slept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CStartedCollector collector(0, 0);
        WriteBacklogCheckpoint(collector.tm.CheckpointPath(), 2000);
        collector.clock.Set({2026, 12, 8, 9, 0, 0, 0});
        const int64_t before = collector.clock.SleptMilliseconds();
        state.ResumeTiming();
        collector.tm.FindLastActivity(NowMoment());
        state.PauseTiming();
        slept += collector.clock.SleptMilliseconds() - before;
        state.ResumeTiming();
    }
    CountSleeps(state, slept);
}
BENCHMARK(StoreBacklogAtStart)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// An orderly stop while those 2 001 activities wait (the activity file was
// held by another program at the start, and is free again).
void StopWithBacklog(benchmark::State& state) {
    int64_t slept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CStartedCollector collector(0, 0);
        WriteBacklogCheckpoint(collector.tm.CheckpointPath(), 2000);
        collector.clock.Set({2026, 12, 8, 9, 0, 0, 0});
        {
            const std::string folder = std::filesystem::path(collector.tm.CheckpointPath()).parent_path().string();
            CRawDatabase holder(folder + kPathSeparator + "act1226.db");
            holder.Exec("begin exclusive");
            collector.tm.FindLastActivity(NowMoment());
            holder.Exec("commit");
        }
        collector.clock.Set({2026, 12, 8, 9, 0, 10, 0});
        const int64_t before = collector.clock.SleptMilliseconds();
        state.ResumeTiming();
        collector.tm.StopAndSaveActivity();
        state.PauseTiming();
        slept += collector.clock.SleptMilliseconds() - before;
        state.ResumeTiming();
    }
    CountSleeps(state, slept);
}
BENCHMARK(StopWithBacklog)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace
