#pragma once
// Read-only access to the collector's data folder for the report tools: the
// activities of a range of days across the monthly activity files, the report
// queries' totals, and the names behind the ids.
//
// The folder holds "sys.db", "func.db" and one "actMMYY.db" per month (see
// activity_file_name.h). A range [from, to] of packed local date-times
// (both ends included, compared with StartDate as the report queries do)
// covers the file of every month it touches; each month is read with the
// range cut to that month.
//
// The collector keeps writing while a report runs, so the reader never
// creates, changes or holds a file: every file is opened read-only
// (CDBSQLite::ConnectReadOnly), and a file is locked only for the read
// transaction of one statement: one report query of a month, one check of a
// month's row order, or one chunk of at most kChunkRows rows. Rows are handed
// to the caller only after their chunk's statement has ended, so a slow
// consumer (a paused pipe) holds no lock. A statement that meets the
// collector's write lock waits for it (kBusyTimeoutMs). GetLongestReadMicros
// tells how long the longest read transaction lasted.
//
// Files are reported one by one (Files()): a month file that does not exist
// is noted and the rest of the range is read; a file that is not a database,
// lacks its table or cannot be read ends the operation, naming the file.
//
// Totals come from the report queries of CDBActivitiesTable, run on each
// month file; names from the table classes (Catalogue()). Rows are read in
// chunks through one prepared statement per month and converted as the
// table's row callback converts them (NULL gives 0 or empty, 32-bit columns
// are limited to their range). Texts are as stored: the collector's narrow
// text (the ANSI code page on Windows, UTF-8 on Linux).
//
// Usage:
//   CActivityReader reader(folder);
//   if (reader.Open() != 1) ... Files() names the problem
//   reader.Totals(ReportGrouping::Task, from, to, totals);
//   reader.VisitRows(from, to, [&](const CDBActivity& row) { ...; return true; });
//   reader.Catalogue().FindTask(id) ...
//
// Not thread-safe: one thread uses a reader. Readers of one process may run
// at the same time on threads of their own when at most one of them runs
// anything but VisitRows (Open, the totals and the row searches collect
// their results in the table classes' process-wide lists; VisitRows reads
// through statements of its own). Absorb then gathers what they met.

#include <cstdint>
#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "storage/base_storage.h"
#include "storage/catalogue.h"
#include "storage/db_activity.h"
#include "storage/db_sqlite.h"
#include "storage/group_item.h"

// What a visited row carries: every column, or only what a timeline needs
// (Id_Activity, StartDate, FinishDate, Duration, Id_ActivityType, Id_Project
// and Id_Task; the rest 0 or empty), which is cheaper to read.
enum class RowColumns { All, Timeline };
// The order rows are visited in within a month: by time (StartDate, then
// Id_Activity), or as stored (Id_Activity), which is time order unless the
// clock was set back and spares a pass over the month. Months come in order.
enum class RowOrder { Time, Stored };

// The six report queries of CDBActivitiesTable: what the time is summed by.
enum class ReportGrouping { ActivityType, App, User, Site, Project, Task };

// What became of one file of the data folder.
enum class FileState {
    Read,         // opened and read
    Missing,      // does not exist
    NotDatabase,  // exists but is not an SQLite database
    NoTable,      // a database without the table it must hold
    Unreadable,   // could not be opened or read (rights, I/O, locked too long)
};

struct CFileReport {
    std::string path;   // full path, UTF-8
    int64_t month = 0;  // packed first second of the month of an activity file; 0 for sys.db and func.db
    FileState state = FileState::Read;
    std::string detail;  // SQLite's text for NotDatabase and Unreadable, else empty
};

class CActivityReader {
public:
    static constexpr int kChunkRows = 1000;
    static constexpr int kBusyTimeoutMs = 2000;
    // Results besides 1 (done), 0 (a file could not be read) and -8 (no folder):
    static constexpr int kNoData = -52;   // no activity file of the range exists
    static constexpr int kBadFile = -60;  // a file is not a database or lacks its table

    // `folderUtf8`: the folder holding sys.db, func.db and the activity files.
    explicit CActivityReader(std::string folderUtf8);

    // Opens sys.db and func.db and loads the catalogue (both are closed again
    // afterwards). 1; -8 the folder does not exist; kNoData sys.db or func.db
    // is missing; kBadFile; 0.
    int Open();
    const CCatalogue& Catalogue() const { return m_catalogue; }

    // The report query of `by` over [from, to], run on each month file of the
    // range and summed per id (64-bit): the groups largest first (ties by
    // id), except by activity type, which lists the types in ascending order
    // (1 to 4 always present, as the query gives them). Over one month the
    // groups are the query's own. Replaces `out`. 1; kNoData; kBadFile; 0.
    int Totals(ReportGrouping by, int64_t from, int64_t to, CBaseStorage<CGroupItem>& out);
    // The same query per month: `onMonth` gets each read month's first
    // second and the query's rows for the part of the range in that month.
    int VisitMonthTotals(ReportGrouping by, int64_t from, int64_t to,
                         const std::function<void(int64_t month, const CBaseStorage<CGroupItem>&)>& onMonth);

    // Hands every stored row with StartDate in [from, to] to `visit` in
    // `order` (by time: oldest first, ties by Id_Activity); `visit` returns
    // false to stop. Rows the collector stores meanwhile may or may not be
    // seen. Memory does not grow with the number of rows. 1 (also when
    // stopped); kNoData; kBadFile; 0.
    int VisitRows(int64_t from, int64_t to, const std::function<bool(const CDBActivity&)>& visit,
                  RowColumns columns = RowColumns::All, RowOrder order = RowOrder::Time);

    // The stored row whose interval holds `at` (StartDate <= at <= FinishDate;
    // the later row at a shared boundary). 1; kNoData no such row or no file
    // of that month; kBadFile; 0.
    int FindRowAt(int64_t at, CDBActivity& out);
    // The row with the greatest StartDate in the newest activity file from
    // the month of `now` back to kSearchMonths months before. 1; kNoData; kBadFile; 0.
    static constexpr int kSearchMonths = 120;
    int FindLastRow(int64_t now, CDBActivity& out);

    // The months (packed first second) of the activity files the folder
    // holds ("actMMYY.db", years 2000 to 2099), oldest first. 1; -8 the
    // folder cannot be listed.
    int ListMonths(std::vector<int64_t>& months);
    // Hands every row of the activity file of `month` whose Id_Activity is
    // above `afterId` to `visit`, all columns, in the order stored, whatever
    // its StartDate: what was stored after a row already seen. Read in
    // chunks as VisitRows reads. 1 (also when stopped); kNoData no such
    // file; kBadFile; 0.
    int VisitRowsAfter(int64_t month, int64_t afterId, const std::function<bool(const CDBActivity&)>& visit);

    // Every file met so far, each once, in the order met.
    const std::vector<CFileReport>& Files() const { return m_files; }
    // Takes in the files `other` met (after those met here; a failure stays)
    // and its longest read.
    void Absorb(const CActivityReader& other);
    const std::string& Folder() const { return m_folder; }
    // Called after each month file of a range: months done and in the range.
    void SetProgress(std::function<void(int done, int total)> progress) { m_progress = std::move(progress); }
    int64_t GetLongestReadMicros() const { return m_longestReadMicros; }

private:
    // Opens `path` read-only and checks that it is a database holding
    // `table`; records its state. 1; kNoData missing; kBadFile; 0.
    int OpenFile(CDBSQLite& connection, const std::string& path, int64_t month, const char* table);
    // Records the state behind a failed statement on `connection`: kBadFile or 0.
    int StatementFailed(CDBSQLite& connection, const std::string& path, int64_t month, const char* table);
    void Record(const std::string& path, int64_t month, FileState state, const std::string& detail);
    // Opens each month file of [from, to] and calls `read` with it and the
    // range cut to its month. Missing months are skipped; `read` returning
    // anything but 1 ends the walk with that result.
    int ForEachMonth(int64_t from, int64_t to,
                     const std::function<int(CDBSQLite&, const std::string&, int64_t, int64_t, int64_t)>& read);
    // In stored order the rows start after `afterId`.
    int VisitMonthRows(CDBSQLite& connection, int64_t from, int64_t to,
                       const std::function<bool(const CDBActivity&)>& visit, RowColumns columns, RowOrder order,
                       bool& stopped, int64_t afterId = INT64_MIN);
    // Runs one statement's worth of work and keeps the longest duration.
    template <class Work>
    int Timed(Work&& work);

    std::string m_folder;
    CCatalogue m_catalogue;
    std::vector<CFileReport> m_files;
    std::function<void(int, int)> m_progress;
    int64_t m_longestReadMicros = 0;
};
