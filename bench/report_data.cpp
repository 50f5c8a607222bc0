// The data and the baseline of the report benchmarks (report_bench.sh):
//   report_data generate DIR YEAR MONTHS ROWS   a data folder as the collector leaves it: a catalogue
//                                               of 200 programs, 60 sites, 15 projects, 58 tasks,
//                                               and ROWS activities in each of MONTHS month files of YEAR
//   report_data raw DIR FROM TO                 the grouped SQL of the totals by task run raw over the
//                                               month files of [FROM, TO] (packed), summed per task
//   report_data reads DIR FROM TO               the longest read transaction of the reader's totals
//                                               by task and of its pass over the rows in time order
//   report_data catch DIR FROM TO WORD          the rows of [FROM, TO] whose title holds WORD, counted
//                                               and summed by plain SQL (a rule's preview run raw)
//   report_data assign DIR FROM TO WORD P T     those rows of type 1 and 2 set to project P, task T
//                                               by one update per month file (an apply run raw)
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "sensing/time_stamp.h"
#include "storage/activity_file_name.h"
#include "storage/activity_reader.h"
#include "support/activity_folder.h"

namespace {
int Generate(const std::string& folder, int year, int months, int rowsPerMonth) {
    CActivityFolder data(folder);
    for (int i = 1; i <= 200; ++i)
        data.AddApp("program" + std::to_string(i) + ".exe", "C:\\Programs\\Program" + std::to_string(i) + ".exe");
    data.AddUser("alice", "HOST");
    for (int i = 1; i <= 60; ++i)
        data.AddSite("https://site" + std::to_string(i) + ".example");
    for (int i = 1; i <= 15; ++i)
        data.AddProject("Project " + std::to_string(i));
    for (int i = 1; i <= 58; ++i)
        data.AddTask(1 + i % 15, "Task " + std::to_string(i), i == 1);
    std::mt19937 random(7);
    for (int month = 1; month <= months; ++month) {
        std::vector<CStoredRow> rows;
        rows.reserve(static_cast<size_t>(rowsPerMonth));
        const int64_t first = PackTimeStamp(CLocalTime{year, month, 1});
        // 40 days on is day d of the next month, so the month has 41 - d days.
        const int days = 41 - DayOf(AddDays(first, 40));
        // Rows follow each other through every day of the month.
        const int perDay = rowsPerMonth / days + 1;
        for (int i = 0; i < rowsPerMonth; ++i) {
            const int64_t day = AddDays(first, i / perDay);
            const int64_t second = static_cast<int64_t>(i % perDay) * 86399 / perDay;
            const int64_t length = std::max<int64_t>(1, 86399 / perDay);
            CStoredRow row;
            row.start = day + second / 3600 * 10000 + second / 60 % 60 * 100 + second % 60;
            const int64_t end = second + length;
            row.finish = day + end / 3600 * 10000 + end / 60 % 60 * 100 + end % 60;
            row.duration = length;
            const unsigned pick = random() % 20;
            row.type = pick < 14 ? 1 : pick < 17 ? 2 : pick < 19 ? 3 : 4;
            row.app = 1 + random() % 200;
            row.site = random() % 3 == 0 ? 1 + random() % 60 : 0;
            row.url = row.site ? "https://site" + std::to_string(row.site) + ".example/page/" + std::to_string(i) : "";
            row.title = "Window title " + std::to_string(random() % 5000) + " of a typical length - Program";
            row.task = 1 + random() % 58;
            row.project = 1 + row.task % 15;
            rows.push_back(row);
        }
        data.AddRows(rows);
    }
    return 0;
}

int SumRow(void* context, int, char** values, char**) {
    auto& sums = *static_cast<std::map<long long, long long>*>(context);
    sums[values[0] ? std::atoll(values[0]) : 0] += values[1] ? std::atoll(values[1]) : 0;
    return 0;
}

int Raw(const std::string& folder, long long from, long long to) {
    std::map<long long, long long> sums;
    for (int64_t month = DayStart(from) - (DayOf(from) - 1) * 1000000LL; month <= to;
         month = AddDays(month, 31) - (DayOf(AddDays(month, 31)) - 1) * 1000000LL) {
        char name[32];
        FormatActivityFileName(month, name);
        sqlite3* db = nullptr;
        if (sqlite3_open_v2((folder + "/" + name).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            continue;
        }
        char sql[512];
        std::snprintf(sql, sizeof sql,
                      "select Id_Task as Id_TOP, sum(Duration) as TOP_Duration from T_Activities where "
                      "(StartDate>=%lld AND StartDate<=%lld AND Id_Task is not NULL AND Id_Task <>0) group by "
                      "Id_Task order by TOP_Duration desc",
                      from, to);
        sqlite3_exec(db, sql, &SumRow, &sums, nullptr);
        sqlite3_close(db);
    }
    for (const auto& [task, seconds] : sums)
        std::printf("%lld %lld\n", task, seconds);
    return 0;
}
}  // namespace

// Runs `sql` (binding FROM, TO and WORD) on each month file of [from, to];
// prints the rows' first two columns summed.
int RawEach(const std::string& folder, long long from, long long to, const std::string& word, const std::string& sql) {
    long long count = 0, seconds = 0;
    for (int64_t month = DayStart(from) - (DayOf(from) - 1) * 1000000LL; month <= to;
         month = AddDays(month, 31) - (DayOf(AddDays(month, 31)) - 1) * 1000000LL) {
        char name[32];
        FormatActivityFileName(month, name);
        sqlite3* db = nullptr;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_open_v2((folder + "/" + name).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
            sqlite3_bind_int64(statement, 1, from);
            sqlite3_bind_int64(statement, 2, to);
            sqlite3_bind_text(statement, 3, ("%" + word + "%").c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(statement) == SQLITE_ROW) {
                count += sqlite3_column_int64(statement, 0);
                seconds += sqlite3_column_int64(statement, 1);
            }
            count += sqlite3_changes(db);
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
    }
    std::printf("%lld rows %lld s\n", count, seconds);
    return 0;
}

// How long the reader holds a month file at most, per kind of read.
int Reads(const std::string& folder, long long from, long long to) {
    CActivityReader totals(folder);
    if (totals.Open() != 1) return 1;
    CBaseStorage<CGroupItem> rows;
    totals.Totals(ReportGrouping::Task, from, to, rows);
    CActivityReader visit(folder);
    visit.Open();
    visit.VisitRows(from, to, [](const CDBActivity&) { return true; });
    std::printf("longest read transaction: totals by task %.1f ms, rows in time order %.1f ms (chunks of %d rows)\n",
                totals.GetLongestReadMicros() / 1000.0, visit.GetLongestReadMicros() / 1000.0,
                CActivityReader::kChunkRows);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 6 && !std::strcmp(argv[1], "generate"))
        return Generate(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (argc == 5 && !std::strcmp(argv[1], "raw")) return Raw(argv[2], std::atoll(argv[3]), std::atoll(argv[4]));
    if (argc == 5 && !std::strcmp(argv[1], "reads")) return Reads(argv[2], std::atoll(argv[3]), std::atoll(argv[4]));
    if (argc == 6 && !std::strcmp(argv[1], "catch"))
        return RawEach(argv[2], std::atoll(argv[3]), std::atoll(argv[4]), argv[5],
                       "select count(*), sum(Duration) from T_Activities where StartDate >= ?1 and StartDate <= ?2 "
                       "and lower(Title) like ?3");
    if (argc == 8 && !std::strcmp(argv[1], "assign"))
        return RawEach(argv[2], std::atoll(argv[3]), std::atoll(argv[4]), argv[5],
                       std::string("update T_Activities set Id_Project = ") + std::to_string(std::atoi(argv[6])) +
                           ", Id_Task = " + std::to_string(std::atoi(argv[7])) +
                           " where StartDate >= ?1 and StartDate <= ?2 and Id_ActivityType in (1, 2) and "
                           "lower(Title) like ?3");
    std::fputs("usage: report_data generate DIR YEAR MONTHS ROWS | raw DIR FROM TO | reads DIR FROM TO |\n"
               "       catch DIR FROM TO WORD | assign DIR FROM TO WORD PROJECT TASK\n",
               stderr);
    return 2;
}
