#pragma once
// Details that expire: the stored rows that started before a cut-off lose
// their titles, addresses, descriptions and sites; time, type, program,
// project and task stay. The collector runs it at most once a day
// (time_manager_expiry.cpp); the work is done in slices so that it never
// holds a file longer than a report query does.
//
// Each transaction (BEGIN IMMEDIATE, waiting for a busy file up to the busy
// limit) rewrites at most kBatchRows rows of one month file, oldest file
// first and in stored order, with SQLite's secure_delete on so the text is
// not left in freed space; the file is released between two. The span of
// start times of each transaction is recorded in changes.db. Rows already
// without details are passed over, so a run that is cut short (a stop, a
// busy file) and started again does nothing twice. The activity in progress
// is no stored row and is never touched.
//
// The state file "QLOCollector.expiry" beside the databases remembers the
// day (packed, 00:00:00) of the last run that went to its end.
// Paths: the database folder, narrow (the ANSI code page on Windows, UTF-8
// on Linux). Not thread-safe: one owner.

#include <cstdint>
#include <string>
#include <vector>

class CDetailsExpiry {
public:
    static constexpr int kBatchRows = 500;

    void SetFolder(const std::string& folder, char separator);

    // Starts a run over the rows started before `cutoff` (packed).
    void Begin(int64_t cutoff);
    bool Running() const { return m_running; }
    // Does at most `transactions` transactions of the run. 1 the run is
    // done; 0 rows are left for the next call; -1 a file failed or stayed
    // busy (`error` says which; the run stays where it was).
    int Step(int transactions, std::string& error);
    // The rows the run has rewritten so far.
    int64_t RowsChanged() const { return m_rowsChanged; }

    // The day of the last run that ended; 0 none.
    int64_t LastRunDay() const;
    // 1 written; 0 not.
    int SetLastRunDay(int64_t day) const;

private:
    // One transaction in the file of m_months[m_month]; 1 the file is done,
    // 0 rows are left in it, -1 failed.
    int Batch(std::string& error);

    std::string m_folder;
    std::string m_separator;
    std::string m_stateFile;
    int64_t m_cutoff = 0;
    bool m_running = false;
    std::vector<int64_t> m_months;
    size_t m_month = 0;
    int64_t m_afterId = 0;
    int64_t m_rowsChanged = 0;
    int m_busyLimitMs = 10000;
};
