// Storage benchmarks: each measures a storage operation beside the same SQL
// statements issued raw through sqlite3_exec in the same run, so the ratio
// between the two is the cost of the storage layer itself.
//
//   BM_SaveActivity / BM_SaveActivityRaw: saving one activity whose user,
//     application and site already exist (ResolveActivityIds + AddActivity:
//     three lookups and one insert). Pauses go to a clock that does not sleep.
//   BM_TopByTask, BM_TopByApp / ..Raw: the report queries over a month file
//     of 100 000 activities.
//
// Run: build/linux-release/bin/storage_bench (CPU time is the measure). The
// files go to the temporary folder (TMPDIR): TMPDIR=/dev/shm keeps disk
// latency out of the figures, and --benchmark_enable_random_interleaving=true
// with repetitions evens out a busy machine.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "platform/clock.h"
#include "sensing/activity.h"
#include "storage/activities_table.h"
#include "storage/db_manager.h"

namespace {
// Pauses cost nothing: only the database work is measured.
class CNoPauseClock : public CClockService {
public:
    CLocalTime LocalTime() override { return {2026, 12, 7, 9, 0, 0, 0}; }
    uint32_t TickCount() override { return 0; }
    void Sleep(uint32_t) override {}
};

// A fresh folder under the temporary folder, removed afterwards.
class CBenchFolder {
public:
    explicit CBenchFolder(const char* name)
        : m_path(std::filesystem::temp_directory_path() / (std::string("qlo-bench-") + name)) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~CBenchFolder() { std::filesystem::remove_all(m_path); }
    std::string File(const char* name) const { return (m_path / name).string(); }
    std::string Str() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

CWinActivity SampleActivity() {
    CWinProcess process(4242, "Quarterly report.docx - Word");
    process.SetFileName("winword.exe");
    process.SetPath("C:\\Program Files\\Microsoft Office\\root\\Office16\\WINWORD.EXE");
    CWinActivity activity(ActivityType::Active);
    activity.SetProcess(process);
    activity.SetUser(CUser("CORP", "alice"));
    activity.SetURL("https://intranet.example.com/reports/q3?view=full", 512);
    activity.SetDates(20261207090000, 20261207090125);
    activity.UpdateDuration();
    activity.SetTask(12, 5);
    return activity;
}

// The statements the manager issues for SampleActivity once its user,
// application and site exist (ids 1).
const char* const kLookups[] = {
    "select Id_User, Name, Domen, Description from T_Users where Name='alice' AND Domen='CORP' ORDER BY Id_User "
    "DESC LIMIT 1",
    "select Id_App, FileName, Path, CreateDate from T_Apps where lower(FileName)=lower('winword.exe') AND "
    "lower(Path)=lower('C:\\Program Files\\Microsoft Office\\root\\Office16\\WINWORD.EXE') ORDER BY Id_App DESC "
    "LIMIT 1",
    "select Id_Site, URL from T_Sites where lower(URL)=lower('https://intranet.example.com') ORDER BY Id_Site DESC "
    "LIMIT 1",
};
const char kInsert[] =
    "insert into T_Activities (StartDate, FinishDate, Duration, FormatedDuration, Id_ActivityType, Title, Id_User, "
    "Id_App, Id_Site, Id_Project, Id_Task, URL, Logged) values (20261207090000, 20261207090125, 85, 125, 1, "
    "'Quarterly report.docx - Word', 1, 1, 1, 5, 12, 'https://intranet.example.com/reports/q3?view=full', 0)";

int CountRow(void* rows, int, char**, char**) {
    ++*static_cast<int*>(rows);
    return 0;
}

void BM_SaveActivity(benchmark::State& state) {
    CNoPauseClock clock;
    CClockService* previous = SetClock(&clock);
    CBenchFolder folder("save");
    {
        CDBManager manager;
        manager.SetPath(folder.Str().c_str(), 0);
        if (manager.Initialization() != 1) state.SkipWithError("Initialization failed");
        const CWinActivity sample = SampleActivity();
        CWinActivity first = sample;
        manager.ResolveActivityIds(first);  // adds user, application and site
        for (auto _ : state) {
            CWinActivity activity = sample;
            if (manager.ResolveActivityIds(activity) != 1 || manager.AddActivity(activity) != 1)
                state.SkipWithError("save failed");
        }
    }
    SetClock(previous);
}
BENCHMARK(BM_SaveActivity);

void BM_SaveActivityRaw(benchmark::State& state) {
    CNoPauseClock clock;
    CClockService* previous = SetClock(&clock);
    CBenchFolder folder("save-raw");
    {
        // The same files and tables, made by the manager.
        CDBManager manager;
        manager.SetPath(folder.Str().c_str(), 0);
        manager.Initialization();
        CWinActivity first = SampleActivity();
        manager.ResolveActivityIds(first);
        manager.CloseDatabases();
    }
    sqlite3* sys = nullptr;
    sqlite3* act = nullptr;
    sqlite3_open(folder.File("sys.db").c_str(), &sys);
    sqlite3_open(folder.File("act1226.db").c_str(), &act);
    for (auto _ : state) {
        int rows = 0;
        for (const char* lookup : kLookups)
            sqlite3_exec(sys, lookup, CountRow, &rows, nullptr);
        if (rows != 3 || sqlite3_exec(act, kInsert, nullptr, nullptr, nullptr) != SQLITE_OK)
            state.SkipWithError("raw save failed");
    }
    sqlite3_close(act);
    sqlite3_close(sys);
    SetClock(previous);
}
BENCHMARK(BM_SaveActivityRaw);

// One month file of 100 000 activities, made once for the report benchmarks.
class CMonthFile {
public:
    static const CMonthFile& Get() {
        static CMonthFile file;
        return file;
    }
    const std::string& Path() const { return m_path; }

private:
    CMonthFile() : m_folder("month"), m_path(m_folder.File("act1226.db")) {
        CDBSQLite connection;
        connection.Connect(m_path.c_str());
        CDBActivitiesTable().CreateTable(&connection);
        connection.Disconnect();

        sqlite3* db = nullptr;
        sqlite3_open(m_path.c_str(), &db);
        sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db,
                           "insert into T_Activities (StartDate, FinishDate, Duration, FormatedDuration, "
                           "Id_ActivityType, Title, Id_User, Id_App, Id_Site, Id_Project, Id_Task, Logged) values "
                           "(?, ?, ?, ?, ?, 'Some window title of typical length - Application', 1, ?, ?, ?, ?, 0)",
                           -1, &insert, nullptr);
        std::mt19937 random(7);
        for (int i = 0; i < 100000; ++i) {
            const int day = 1 + i * 31 / 100000;
            const int second = i % 86400;
            const long long start = 20261200000000LL + day * 1000000LL + (second / 3600) * 10000LL +
                                    (second / 60 % 60) * 100LL + second % 60;
            const int duration = 1 + static_cast<int>(random() % 600);
            sqlite3_bind_int64(insert, 1, start);
            sqlite3_bind_int64(insert, 2, start + duration);
            sqlite3_bind_int(insert, 3, duration);
            sqlite3_bind_int(insert, 4, duration);
            sqlite3_bind_int(insert, 5, 1 + static_cast<int>(random() % 4));
            sqlite3_bind_int(insert, 6, 1 + static_cast<int>(random() % 200));
            sqlite3_bind_int(insert, 7, static_cast<int>(random() % 60));
            sqlite3_bind_int(insert, 8, static_cast<int>(random() % 16));
            sqlite3_bind_int(insert, 9, static_cast<int>(random() % 59));
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    CBenchFolder m_folder;
    std::string m_path;
};

constexpr int64_t kMonthStart = 20261201000000;
constexpr int64_t kMonthEnd = 20261231235959;

using Report = int (CDBActivitiesTable::*)(CDBSQLite*, CBaseStorage<CGroupItem>&, int64_t, int64_t, int32_t, int32_t);

void RunReport(benchmark::State& state, Report report) {
    CDBSQLite connection;
    connection.Connect(CMonthFile::Get().Path().c_str());
    CDBActivitiesTable table;
    CBaseStorage<CGroupItem> groups;
    for (auto _ : state) {
        if ((table.*report)(&connection, groups, kMonthStart, kMonthEnd, 0, 0) != 1 || groups.Count() == 0)
            state.SkipWithError("report failed");
    }
    connection.Disconnect();
}

// The raw side converts each row as little as a caller needs: id and total.
int ReadGroup(void* total, int, char** values, char**) {
    *static_cast<long long*>(total) += std::atoll(values[0]) + std::atoll(values[1]);
    return 0;
}

void RunRaw(benchmark::State& state, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(CMonthFile::Get().Path().c_str(), &db);
    for (auto _ : state) {
        long long total = 0;
        if (sqlite3_exec(db, sql, ReadGroup, &total, nullptr) != SQLITE_OK || total == 0)
            state.SkipWithError("raw report failed");
        benchmark::DoNotOptimize(total);
    }
    sqlite3_close(db);
}

void BM_TopByTask(benchmark::State& state) { RunReport(state, &CDBActivitiesTable::SelectTopByTask); }
void BM_TopByTaskRaw(benchmark::State& state) {
    RunRaw(state,
           "select Id_Task as Id_TOP, sum(Duration) as TOP_Duration from T_Activities where "
           "(StartDate>=20261201000000 AND StartDate<=20261231235959 AND Id_Task is not NULL AND Id_Task <>0) group "
           "by Id_Task order by TOP_Duration desc");
}
void BM_TopByApp(benchmark::State& state) { RunReport(state, &CDBActivitiesTable::SelectTopByApp); }
void BM_TopByAppRaw(benchmark::State& state) {
    RunRaw(state,
           "select Id_App as Id_TOP, sum(Duration) as TOP_Duration from T_Activities where "
           "(StartDate>=20261201000000 AND StartDate<=20261231235959 AND (Id_ActivityType = 1 OR Id_ActivityType = "
           "2)) group by Id_App order by TOP_Duration desc");
}
BENCHMARK(BM_TopByTask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TopByTaskRaw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TopByApp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TopByAppRaw)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
