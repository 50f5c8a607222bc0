#pragma once
// What a report reads, from wherever the rows are: the totals of the report
// queries with the names of their groups, the stored rows, and the names
// behind a row's ids. The collector's own files (CLocalReportSource) and the
// team store (CServerReportSource) are both sources; every report is written
// by the same code from either, so that their figures and texts agree.
//
// Results: 1; CActivityReader::kNoData nothing recorded in the range; other
// values a failure, which the source's Problems() (or the reader's files)
// describe. Names are UTF-8. Not thread-safe.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/activity_reader.h"

struct CTotalsGroup {
    int32_t id = 0;
    std::string name;  // UTF-8
    int64_t seconds = 0;
};

class CReportSource {
public:
    virtual ~CReportSource() = default;

    // The groups of `by` over [from, to] with their names, as the report
    // queries sum them: largest first (ties by id); by activity type the
    // types in ascending order, 1 to 4 always present.
    virtual int Totals(ReportGrouping by, int64_t from, int64_t to, std::vector<CTotalsGroup>& groups) = 0;
    // Every row with StartDate in [from, to], as CActivityReader::VisitRows
    // hands them (months in order). Its ids are the source's: the functions
    // below name them.
    virtual int VisitRows(int64_t from, int64_t to, const std::function<bool(const CDBActivity&)>& visit,
                          RowColumns columns = RowColumns::All, RowOrder order = RowOrder::Time) = 0;

    // The name of a group, as Totals names it.
    virtual std::string GroupName(ReportGrouping by, int32_t id) = 0;
    // A row's program (its file name) and site (its address): empty when
    // the id is unknown (or, for a site, 0 or less).
    virtual std::string ProgramName(int32_t appId) = 0;
    virtual std::string SiteName(int32_t siteId) = 0;
    // A task's own name, without its project: empty for 0, "#<id>" unknown.
    virtual std::string TaskName(int32_t taskId) = 0;
    // A row's stored text (title, address).
    virtual std::string RowText(const char* text) = 0;
    // True when the rows are of more than one person: a row's user id then
    // names its person (GroupName of ReportGrouping::User).
    virtual bool ManyPeople() const { return false; }
    // The names of the month files of the range that do not exist (the
    // collector's files only), for the notes.
    virtual std::vector<std::string> MissingMonths() const { return {}; }
    // A source of its own for one VisitRows on another thread while this
    // one goes on reading (its own connections): null when the source cannot
    // read on two threads at once. Absorb takes back what that source met
    // (the files and their states, the longest read) once its thread ended.
    virtual std::unique_ptr<CReportSource> ForAnotherThread() { return nullptr; }
    virtual void Absorb(CReportSource& /*other*/) {}
};
