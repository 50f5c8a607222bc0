#pragma once
// What the parts of CCuration share: the folder, the clock, the edit log,
// and the helpers that read the catalogue and open the activity files.
// Internal to the curation library.

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "curation/curation.h"
#include "curation/edit_log.h"
#include "curation/sql_file.h"
#include "storage/activity_reader.h"
#include "storage/db_activity.h"

class CCuration::CImpl {
public:
    CImpl(CCuration& owner, std::string folder, std::function<int64_t()> now)
        : m_owner(owner), m_folder(std::move(folder)), m_now(std::move(now)) {}

    // Records `message` as the last error; returns `result`.
    int Fail(int result, const std::string& message);
    // Records the failure of `file`.
    int Fail(int result, const CSqlFile& file) { return Fail(result, file.Error()); }

    // Loads sys.db and func.db into `reader`'s catalogue.
    int Load(CActivityReader& reader);
    int OpenFunc(CSqlFile& file);
    // Opens the activity file of `month`; kNothing when it does not exist.
    int OpenMonth(CSqlFile& file, int64_t month);
    // The month (packed first second) of each activity file [from, to] touches.
    static std::vector<int64_t> Months(int64_t from, int64_t to);
    static std::string MonthFileName(int64_t month);
    // Refuses a range starting after the present or ending before it starts;
    // cuts its end to the present.
    int CheckRange(int64_t from, int64_t& to);
    // Refuses a project and task that cannot take rows.
    int CheckTarget(const CCatalogue& catalogue, int32_t projectId, int32_t taskId);
    // A stored row for the views.
    static CRowInfo Describe(const CCatalogue& catalogue, const CDBActivity& row, int64_t month);
    static std::string ProjectName(const CCatalogue& catalogue, int32_t id);
    static std::string TaskName(const CCatalogue& catalogue, int32_t id);

    // One catalogue change in a transaction of func.db, kept in the log.
    // `write` changes the row of `table` and sets `row` (given for a change,
    // 0 for an add, which gives the new row's id back). kNothing when the row
    // came out as it was.
    int ChangeCatalogue(const std::string& kind, const std::string& summary, const char* table, int64_t& row,
                        const std::function<int(CSqlFile&, int64_t&)>& write);
    // Row changes of one activity file in its transaction, logged under
    // `edit` (begun on first use with `kind` and `summary`). `plan` reads
    // the file's rows inside the transaction and gives the changes.
    int ChangeRows(CSqlFile& file, const std::string& kind, const std::string& summary, int64_t& edit,
                   const std::function<int(std::vector<CRowChange>&)>& plan);
    // Ends a row edit: done, or removed when it changed nothing.
    int FinishRows(int64_t edit);
    // Writes the values after (or before, `undo`) of `changes`; `span`
    // gets the first and last start time of those rows.
    static int WriteRows(CSqlFile& file, const std::vector<CRowChange>& changes, bool undo,
                         std::pair<int64_t, int64_t>& span);
    // Records a span WriteRows gave in changes.db, once its transaction is
    // committed, so that copies elsewhere send those rows again. A failure
    // is left in LastError; the change stands.
    void RecordSpan(const std::pair<int64_t, int64_t>& span);
    // The whole catalogue row as JSON text; empty when there is none.
    static int RowJson(CSqlFile& file, const std::string& table, int64_t row, std::string& json);
    static int RestoreRow(CSqlFile& file, const std::string& table, int64_t row, const std::string& json);
    // What still names the project or task `row` of `table` added by an
    // edit made at `made` (tasks, rules, logged edits, stored rows since
    // then), in words; empty when nothing does (always for a rule).
    std::string UsersOf(CSqlFile& func, const std::string& table, int64_t row, int64_t made);
    // Clears the address of each of `sites` that no stored row and no rule
    // names any more (the row stays: its id may be named elsewhere).
    int ClearUnusedSites(const std::set<int64_t>& sites, int64_t& cleared);
    // Settles the entries left pending or undoing by a crash.
    int Settle();
    void AskReload();

    CCuration& m_owner;
    std::string m_folder;
    std::function<int64_t()> m_now;
    CEditLog m_log;
};

// The current project and task of rows of one activity file, read through
// one prepared statement.
class CRowTargets {
public:
    explicit CRowTargets(CSqlFile& file);
    // 1; kNothing no such row; otherwise the file's failure result.
    int Read(int64_t row, int64_t& project, int64_t& task);

private:
    CSqlStatement m_select;
};

// The id column of a catalogue table.
const char* IdColumn(const std::string& table);
