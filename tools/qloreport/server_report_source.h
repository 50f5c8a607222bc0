#pragma once
// The team store as a report source: the rows every collector pushed there
// (tools/qlosync), one person's or everyone's, read through one connection
// inside one read-only transaction, so that every figure of a report comes
// from the same moment of the store.
//
// The totals are the local report queries' sums, written in SQL over the
// store's daily summaries (day_totals) with the same conditions (the program
// grouping counts Active and Idle time only, the project and task groupings
// leave out rows without one, a row counts for the month of its file);
// sites, which the summaries do not hold, are summed from the rows. They are
// grouped by the team's names: a project is one group for everyone whose
// catalogue calls it so. One person's figures are therefore those of the
// local files, and the team's are their sums. By user the groups are the
// people.
//
// What the source reads is what the account may read (see
// teamstore/team_store_schema.h): a member's own rows and totals; a lead's
// totals of everyone, and the rows (the day, sites, titles) of the people
// who share details.
//
// Ids handed out (in totals and in visited rows) are the store's ids of the
// team's names; an id a collector used without a name in its catalogue gets
// a negative id of its own, named "#<local id>" as the local reports name
// it; 0 stays 0. A visited row's user id is its person's id; its Id_Activity
// the collector's own.

#include <map>
#include <string>
#include <utility>

#include "qloreport/report_source.h"
#include "teamstore/pg_connection.h"

class CServerReportSource : public CReportSource {
public:
    static constexpr int kNoPerson = -74;

    // `connection` open; `person` empty for everyone.
    CServerReportSource(CPgConnection& connection, std::string person);
    ~CServerReportSource() override;

    // Checks the store's tables, finds the person and begins the read-only
    // transaction. 1; kSchemaMissing; kSchemaNewer; kSchemaOlder; kNoPerson; 0. Problem()
    // says what went wrong.
    int Open();
    const std::string& Problem() const { return m_problem; }

    int Totals(ReportGrouping by, int64_t from, int64_t to, std::vector<CTotalsGroup>& groups) override;
    int VisitRows(int64_t from, int64_t to, const std::function<bool(const CDBActivity&)>& visit, RowColumns columns,
                  RowOrder order) override;
    std::string GroupName(ReportGrouping by, int32_t id) override;
    std::string ProgramName(int32_t appId) override;
    std::string SiteName(int32_t siteId) override;
    std::string TaskName(int32_t taskId) override;
    std::string RowText(const char* text) override { return text; }
    bool ManyPeople() const override { return m_person.empty() && m_people.size() > 1; }

private:
    // Names of one kind of the team's names ('a' programs, 's' sites, 'p'
    // projects, 't' tasks), by the store's id; fetched as ids are met.
    std::map<int32_t, std::string>& NamesOf(char kind) { return m_names[kind]; }
    int FetchNames(char kind, const std::vector<int32_t>& ids);
    // The id of a local id without a name: 0, or a negative id of its own.
    int32_t UnnamedId(char kind, int64_t localId);
    std::string NameOf(char kind, int32_t id);
    int Failed(const char* doing);

    CPgConnection& m_connection;
    std::string m_person;
    std::string m_machines;  // the person's machines, as an SQL condition; empty for everyone
    std::map<int32_t, std::string> m_people;
    std::map<char, std::map<int32_t, std::string>> m_names;
    std::map<int32_t, std::string> m_taskProjects;  // a task's project name, by the task's id
    std::map<std::pair<char, int64_t>, int32_t> m_unnamed;
    std::string m_problem;
    bool m_inTransaction = false;
};

// The statement of the totals of `by` over [from, to] (whole days) for the
// machines `machines` (an SQL condition on a.machine_id; empty: all),
// complete with its values: columns id, local id (of a local id without a
// name), name, task's project, seconds. For comparing it with the same
// statement run on its own.
std::string ServerTotalsSql(ReportGrouping by, int64_t from, int64_t to, const std::string& machines);
