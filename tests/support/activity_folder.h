#pragma once
// A data folder written directly, as the collector leaves it, for the report
// tests and benchmarks: sys.db and func.db with the collector's tables
// (created by the table classes), catalogue rows, and monthly activity files
// filled with given rows through one prepared statement and one transaction
// per call. Texts are given in UTF-8 and stored as the collector stores them
// (narrow text: the ANSI code page on Windows). Failures end the test with a
// GoogleTest failure.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "storage/activity_reader.h"

// An id column written as NULL.
inline constexpr int64_t kNullId = INT64_MIN;

struct CStoredRow {
    int64_t start = 0;
    int64_t finish = 0;
    int64_t duration = 0;
    int32_t type = 1;
    std::string title;
    int64_t user = 1, app = 1, project = 0, task = 0, site = 0;
    std::string url;
};

class CActivityFolder {
public:
    // Creates sys.db and func.db with their tables in `folder` (which must exist).
    explicit CActivityFolder(std::string folder);

    // Catalogue rows; each returns the new id.
    int32_t AddApp(const std::string& fileName, const std::string& path);
    int32_t AddUser(const std::string& name, const std::string& domain);
    int32_t AddSite(const std::string& url);
    int32_t AddProject(const std::string& name);
    int32_t AddTask(int32_t project, const std::string& name, bool isDefault = false);
    // A rule in force with the given conditions (empty texts: NULL).
    int32_t AddRule(int32_t project, int32_t task, int32_t appType, const std::string& path,
                    const std::string& title = "", const std::string& url = "", int32_t site = 0);

    // Appends `rows` to the activity file of each row's month (created with
    // T_Activities when missing). Returns the number of rows written.
    int64_t AddRows(const std::vector<CStoredRow>& rows);
    // The full path of the activity file of the month of `date`.
    std::string MonthFile(int64_t date) const;
    const std::string& Folder() const { return m_folder; }

private:
    int32_t Insert(const std::string& file, const std::string& sql);
    std::string m_folder;
};

// A sample folder for the report tests: a catalogue whose names hold quotes,
// commas and non-ASCII letters, and rows in January, March and April 2026
// (no February file) of every type (0 to 5), with NULL and 0 ids, two rows
// of 3 000 000 000 seconds (so sums pass 2^32), and in April one row stored
// after later ones (the clock was set back).
struct CSampleFolder {
    static constexpr int64_t kFrom = 20260115000000;  // cuts January
    static constexpr int64_t kTo = 20260415235959;    // cuts April
    explicit CSampleFolder(const std::string& folder);
    CActivityFolder data;
    std::vector<CStoredRow> rows;  // as written, in the order stored
};

// What the report query of `by` sums per id over [from, to] of `rows`,
// worked out here on its own: by type every row (types 1 to 4 always
// present); by program Active and Idle rows; by user every row; by site,
// project and task only ids above 0 / other than 0. NULL counts as id 0.
std::map<int32_t, int64_t> ExpectedTotals(const std::vector<CStoredRow>& rows, ReportGrouping by, int64_t from,
                                          int64_t to);
