#include "storage/activity_reader.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

#include "platform/path.h"
#include "platform/path_exists.h"
#include "sensing/time_stamp.h"
#include "storage/activities_table.h"
#include "storage/activity_file_name.h"
#include "storage/column_value.h"
#include "storage/statement.h"

namespace {
constexpr char kActivities[] = "T_Activities";
// A clause of the chunked reads holds at most this many characters.
constexpr int kClauseSize = 256;

using ReportQuery = int (CDBActivitiesTable::*)(CDBSQLite*, CBaseStorage<CGroupItem>&, int64_t, int64_t, int32_t,
                                                int32_t);
// Indexed by ReportGrouping.
constexpr ReportQuery kReportQueries[] = {
    &CDBActivitiesTable::SelectTopByActivityType, &CDBActivitiesTable::SelectTopByApp,
    &CDBActivitiesTable::SelectTopByUser,         &CDBActivitiesTable::SelectTopBySite,
    &CDBActivitiesTable::SelectTopByProject,      &CDBActivitiesTable::SelectTopByTask};

long long AsLong(int64_t value) { return static_cast<long long>(value); }

int64_t MonthStart(int year, int month) { return PackTimeStamp(CLocalTime{year, month, 1, 0, 0, 0, 0}); }
// The last second any date of the month can have in its packed form (day 31).
int64_t MonthEnd(int64_t monthStart) { return monthStart + 30235959; }
int64_t NextMonth(int64_t monthStart) {
    const int month = MonthOf(monthStart);
    return month == 12 ? MonthStart(YearOf(monthStart) + 1, 1) : MonthStart(YearOf(monthStart), month + 1);
}
int64_t PreviousMonth(int64_t monthStart) {
    const int month = MonthOf(monthStart);
    return month == 1 ? MonthStart(YearOf(monthStart) - 1, 12) : MonthStart(YearOf(monthStart), month - 1);
}

// The columns of a row, in the order ReadRow takes them; all, or a timeline's.
constexpr char kRowColumns[] =
    "select Id_Activity, StartDate, FinishDate, Duration, FormatedDuration, Id_ActivityType, Title, Id_User, "
    "Id_App, Id_Project, Id_Task, Description, URL, Id_Site, Logged from T_Activities ";
constexpr char kRowTimeline[] =
    "select Id_Activity, StartDate, FinishDate, Duration, NULL, Id_ActivityType, NULL, NULL, "
    "NULL, Id_Project, Id_Task, NULL, NULL, NULL, NULL from T_Activities ";
// The next chunk when rows were stored in time order: a range of ids.
constexpr char kChunkById[] =
    "where Id_Activity>?1 AND Id_Activity<=?2 AND StartDate>=?3 AND StartDate<=?4 order by Id_Activity limit ?5";
// The next chunk otherwise: after the last row in (StartDate, Id_Activity) order.
constexpr char kChunkByTime[] =
    "where StartDate>=?3 AND StartDate<=?4 AND (StartDate>?6 OR (StartDate=?6 AND Id_Activity>?1)) order by "
    "StartDate, Id_Activity limit ?5";
constexpr char kOrderCheck[] =
    "select Id_Activity, StartDate from T_Activities where StartDate>=?1 AND StartDate<=?2 order by Id_Activity";

// One prepared statement; finalized with the object.
class CStatement {
public:
    CStatement(sqlite3* db, const std::string& sql) { sqlite3_prepare_v2(db, sql.c_str(), -1, &m_statement, nullptr); }
    ~CStatement() { sqlite3_finalize(m_statement); }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;
    sqlite3_stmt* Get() const { return m_statement; }
    void Bind(int index, int64_t value) { sqlite3_bind_int64(m_statement, index, value); }

private:
    sqlite3_stmt* m_statement = nullptr;
};

const char* Text(sqlite3_stmt* statement, int column) {
    return reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
}
int32_t Int32(sqlite3_stmt* statement, int column) { return ClampToInt32(sqlite3_column_int64(statement, column)); }

// Appends the current row of a kRowColumns or kRowTimeline statement,
// converted as the table's row callback converts it (NULL: 0 or empty;
// 32-bit columns limited to their range). A timeline's row reads only its
// own columns: every column read is a call into SQLite.
void ReadRow(sqlite3_stmt* s, RowColumns columns, std::vector<CDBActivity>& rows) {
    if (columns == RowColumns::Timeline)
        rows.emplace_back(Int32(s, 0), sqlite3_column_int64(s, 1), sqlite3_column_int64(s, 2),
                          sqlite3_column_int64(s, 3), 0, Int32(s, 5), nullptr, 0, 0, nullptr, Int32(s, 9), Int32(s, 10),
                          nullptr, 0, 0);
    else
        rows.emplace_back(Int32(s, 0), sqlite3_column_int64(s, 1), sqlite3_column_int64(s, 2),
                          sqlite3_column_int64(s, 3), sqlite3_column_int64(s, 4), Int32(s, 5), Text(s, 6), Int32(s, 7),
                          Int32(s, 8), Text(s, 11), Int32(s, 9), Int32(s, 10), Text(s, 12), Int32(s, 13), Int32(s, 14));
}

int CountTable(void* context, int, char** values, char**) {
    *static_cast<int*>(context) = values[0] ? std::atoi(values[0]) : 0;
    return 0;
}
}  // namespace

CActivityReader::CActivityReader(std::string folderUtf8) : m_folder(std::move(folderUtf8)) {}

template <class Work>
int CActivityReader::Timed(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    const int result = work();
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
    if (micros > m_longestReadMicros) m_longestReadMicros = micros;
    return result;
}

void CActivityReader::Record(const std::string& path, int64_t month, FileState state, const std::string& detail) {
    for (CFileReport& file : m_files)
        if (file.path == path) {
            // A file read before may fail later; a failure stays.
            if (file.state == FileState::Read) file = {path, month, state, detail};
            return;
        }
    m_files.push_back({path, month, state, detail});
}

void CActivityReader::Absorb(const CActivityReader& other) {
    for (const CFileReport& file : other.m_files)
        Record(file.path, file.month, file.state, file.detail);
    m_longestReadMicros = std::max(m_longestReadMicros, other.m_longestReadMicros);
}

int CActivityReader::StatementFailed(CDBSQLite& connection, const std::string& path, int64_t month, const char* table) {
    sqlite3* db = connection.GetHandle();
    const int code = db ? sqlite3_errcode(db) : SQLITE_CANTOPEN;
    const std::string text = db ? sqlite3_errmsg(db) : "not open";
    if (code == SQLITE_NOTADB) {
        Record(path, month, FileState::NotDatabase, text);
        return kBadFile;
    }
    int tables = -1;
    char sql[128];
    std::snprintf(sql, sizeof sql, "select count(*) from sqlite_master where type='table' and name='%s'", table);
    if (code == SQLITE_ERROR && Timed([&] { return ExecuteQuery(connection, sql, &CountTable, &tables); }) == 1 &&
        tables == 0) {
        Record(path, month, FileState::NoTable, table);
        return kBadFile;
    }
    Record(path, month, FileState::Unreadable, text);
    return 0;
}

int CActivityReader::OpenFile(CDBSQLite& connection, const std::string& path, int64_t month, const char* table) {
    if (connection.ConnectReadOnly(path.c_str(), kBusyTimeoutMs) != 1) {
        const bool missing = !Utf8PathExists(path);
        Record(path, month, missing ? FileState::Missing : FileState::Unreadable,
               missing ? "" : connection.GetErrorText());
        return missing ? kNoData : 0;
    }
    // A file that is not a database fails its first statement; a database
    // without the table gives no row.
    int tables = -1;
    char sql[128];
    std::snprintf(sql, sizeof sql, "select count(*) from sqlite_master where type='table' and name='%s'", table);
    if (Timed([&] { return ExecuteQuery(connection, sql, &CountTable, &tables); }) != 1)
        return StatementFailed(connection, path, month, table);
    if (tables != 1) {
        Record(path, month, FileState::NoTable, table);
        return kBadFile;
    }
    Record(path, month, FileState::Read, "");
    return 1;
}

int CActivityReader::Open() {
    std::error_code error;
    if (!std::filesystem::is_directory(Utf8Path(m_folder), error)) {
        Record(m_folder, 0, FileState::Missing, "");
        return -8;
    }
    const std::string sysPath = m_folder + kPathSeparator + "sys.db";
    const std::string funcPath = m_folder + kPathSeparator + "func.db";
    CDBSQLite sys, func;
    int result = OpenFile(sys, sysPath, 0, "T_Apps");
    if (result == 1) result = OpenFile(func, funcPath, 0, "T_Rules");
    if (result != 1) return result;
    CCatalogue catalogue;
    result = Timed([&] { return catalogue.Load(sys, func); });
    if (result != 1)
        return sqlite3_errcode(sys.GetHandle()) != SQLITE_OK ? StatementFailed(sys, sysPath, 0, "T_Apps")
                                                             : StatementFailed(func, funcPath, 0, "T_Rules");
    m_catalogue = std::move(catalogue);
    return 1;
}

int CActivityReader::ForEachMonth(
    int64_t from, int64_t to,
    const std::function<int(CDBSQLite&, const std::string&, int64_t, int64_t, int64_t)>& read) {
    const int64_t first = MonthStart(YearOf(from), MonthOf(from));
    int total = 0;
    for (int64_t month = first; month <= to; month = NextMonth(month))
        ++total;
    int done = 0, found = 0;
    for (int64_t month = first; month <= to; month = NextMonth(month)) {
        char name[32];
        FormatActivityFileName(month, name);
        const std::string path = m_folder + kPathSeparator + name;
        CDBSQLite connection;
        const int opened = OpenFile(connection, path, month, kActivities);
        if (opened == 1) {
            ++found;
            const int64_t end = MonthEnd(month);
            const int result = read(connection, path, month, from > month ? from : month, to < end ? to : end);
            if (result != 1) return result;
        } else if (opened != kNoData) {
            return opened;
        }
        if (m_progress) m_progress(++done, total);
    }
    return found > 0 ? 1 : kNoData;
}

int CActivityReader::VisitMonthTotals(
    ReportGrouping by, int64_t from, int64_t to,
    const std::function<void(int64_t month, const CBaseStorage<CGroupItem>&)>& onMonth) {
    const ReportQuery query = kReportQueries[static_cast<int>(by)];
    return ForEachMonth(from, to,
                        [&](CDBSQLite& connection, const std::string& path, int64_t month, int64_t start, int64_t end) {
                            CBaseStorage<CGroupItem> rows;
                            CDBActivitiesTable table;
                            if (Timed([&] { return (table.*query)(&connection, rows, start, end, 0, 0); }) != 1)
                                return StatementFailed(connection, path, month, kActivities);
                            onMonth(month, rows);
                            return 1;
                        });
}

int CActivityReader::Totals(ReportGrouping by, int64_t from, int64_t to, CBaseStorage<CGroupItem>& out) {
    std::map<int32_t, int64_t> sums;
    const int result = VisitMonthTotals(by, from, to, [&](int64_t, const CBaseStorage<CGroupItem>& rows) {
        CGroupItem row;
        for (int32_t i = 0; i < rows.Count(); ++i)
            if (rows.Pop(i, row) == 1) sums[row.GetId()] += row.GetDuration();
    });
    out.Clear();
    if (result != 1) return result;
    std::vector<std::pair<int32_t, int64_t>> groups(sums.begin(), sums.end());
    if (by != ReportGrouping::ActivityType)
        std::stable_sort(groups.begin(), groups.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
    for (const auto& [id, seconds] : groups)
        out.Push(CGroupItem(id, seconds, seconds != 0 ? PackTimeStamp(SplitDuration(seconds)) : 0));
    return 1;
}

int CActivityReader::VisitMonthRows(CDBSQLite& connection, int64_t from, int64_t to,
                                    const std::function<bool(const CDBActivity&)>& visit, RowColumns columns,
                                    RowOrder order, bool& stopped, int64_t afterId) {
    // Rows are stored in time order unless the clock was set back. For time
    // order one pass over the ids and start dates tells; in order (or when
    // the stored order is asked for), each chunk is a range of ids, otherwise
    // each chunk is sorted by time (a scan of the month).
    sqlite3* db = connection.GetHandle();
    bool inOrder = true;
    int64_t firstId = INT64_MIN + 1, lastId = INT64_MAX, rows = 0;
    const int checked = order == RowOrder::Stored ? 1 : Timed([&] {
        CStatement check(db, kOrderCheck);
        check.Bind(1, from);
        check.Bind(2, to);
        int64_t lastStart = INT64_MIN;
        int step;
        while ((step = sqlite3_step(check.Get())) == SQLITE_ROW) {
            const int64_t start = sqlite3_column_int64(check.Get(), 1);
            if (start < lastStart) {
                inOrder = false;
                return 1;
            }
            lastStart = start;
            lastId = sqlite3_column_int64(check.Get(), 0);
            if (rows++ == 0) firstId = lastId;
        }
        return step == SQLITE_DONE ? 1 : 0;
    });
    if (checked != 1) return 0;
    if (order == RowOrder::Time && inOrder && rows == 0) return 1;

    CStatement chunk(db, std::string(columns == RowColumns::All ? kRowColumns : kRowTimeline) +
                             (inOrder ? kChunkById : kChunkByTime));
    std::vector<CDBActivity> rowsRead;
    rowsRead.reserve(kChunkRows);
    afterId = inOrder ? std::max(afterId, firstId - 1) : INT64_MIN;
    int64_t afterStart = from;
    for (;;) {
        chunk.Bind(1, afterId);
        chunk.Bind(2, lastId);
        chunk.Bind(3, from);
        chunk.Bind(4, to);
        chunk.Bind(5, kChunkRows);
        chunk.Bind(6, afterStart);
        rowsRead.clear();
        // The statement ends (reset) before any row is handed on.
        const int read = Timed([&] {
            int step;
            while ((step = sqlite3_step(chunk.Get())) == SQLITE_ROW)
                ReadRow(chunk.Get(), columns, rowsRead);
            sqlite3_reset(chunk.Get());
            return step == SQLITE_DONE ? 1 : 0;
        });
        if (read != 1) return 0;
        for (const CDBActivity& row : rowsRead) {
            afterStart = row.GetStartDate();
            afterId = row.GetId();
            if (!visit(row)) {
                stopped = true;
                return 1;
            }
        }
        if (rowsRead.size() < static_cast<size_t>(kChunkRows)) return 1;
    }
}

int CActivityReader::VisitRows(int64_t from, int64_t to, const std::function<bool(const CDBActivity&)>& visit,
                               RowColumns columns, RowOrder order) {
    bool stopped = false;
    return ForEachMonth(from, to,
                        [&](CDBSQLite& connection, const std::string& path, int64_t month, int64_t start, int64_t end) {
                            if (stopped) return 1;
                            return VisitMonthRows(connection, start, end, visit, columns, order, stopped) == 1
                                       ? 1
                                       : StatementFailed(connection, path, month, kActivities);
                        });
}

int CActivityReader::FindRowAt(int64_t at, CDBActivity& out) {
    out = CDBActivity();
    bool found = false;
    const int result =
        ForEachMonth(at, at, [&](CDBSQLite& connection, const std::string& path, int64_t month, int64_t, int64_t) {
            char clause[kClauseSize];
            std::snprintf(clause, sizeof clause, "StartDate<=%lld order by StartDate desc, Id_Activity desc limit 1",
                          AsLong(at));
            CBaseStorage<CDBActivity> rows;
            if (Timed([&] { return CDBActivitiesTable().Select(&connection, rows, clause); }) != 1)
                return StatementFailed(connection, path, month, kActivities);
            found = rows.Pop(0, out) == 1 && out.GetFinishDate() >= at;
            return 1;
        });
    if (result != 1) return result;
    return found ? 1 : kNoData;
}

int CActivityReader::FindLastRow(int64_t now, CDBActivity& out) {
    out = CDBActivity();
    int64_t month = MonthStart(YearOf(now), MonthOf(now));
    for (int i = 0; i <= kSearchMonths; ++i, month = PreviousMonth(month)) {
        char name[32];
        FormatActivityFileName(month, name);
        const std::string path = m_folder + kPathSeparator + name;
        if (!Utf8PathExists(path)) continue;
        CDBSQLite connection;
        const int opened = OpenFile(connection, path, month, kActivities);
        if (opened != 1) return opened;
        CDBActivitiesTable table;
        const int last = Timed([&] { return table.SelectLast(&connection, out); });
        if (last == 1) return 1;
        // SelectLast gives 0 for an empty table and for a failed statement.
        if (sqlite3_errcode(connection.GetHandle()) != SQLITE_OK)
            return StatementFailed(connection, path, month, kActivities);
    }
    return kNoData;
}

int CActivityReader::ListMonths(std::vector<int64_t>& months) {
    months.clear();
    std::error_code error;
    std::filesystem::directory_iterator entries(Utf8Path(m_folder), error);
    if (error) return -8;
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        auto digits = [&](size_t at) {
            const bool both = std::isdigit(static_cast<unsigned char>(name[at])) &&
                              std::isdigit(static_cast<unsigned char>(name[at + 1]));
            return both ? (name[at] - '0') * 10 + (name[at + 1] - '0') : -1;
        };
        if (name.size() != 10 || name.compare(0, 3, "act") != 0 || name.compare(7, 3, ".db") != 0) continue;
        const int month = digits(3), year = digits(5);
        if (month >= 1 && month <= 12 && year >= 0) months.push_back(MonthStart(2000 + year, month));
    }
    std::sort(months.begin(), months.end());
    return 1;
}

int CActivityReader::VisitRowsAfter(int64_t month, int64_t afterId,
                                    const std::function<bool(const CDBActivity&)>& visit) {
    month = MonthStart(YearOf(month), MonthOf(month));
    char name[32];
    FormatActivityFileName(month, name);
    const std::string path = m_folder + kPathSeparator + name;
    CDBSQLite connection;
    const int opened = OpenFile(connection, path, month, kActivities);
    if (opened != 1) return opened;
    bool stopped = false;
    return VisitMonthRows(connection, INT64_MIN, INT64_MAX, visit, RowColumns::All, RowOrder::Stored, stopped,
                          afterId) == 1
               ? 1
               : StatementFailed(connection, path, month, kActivities);
}
