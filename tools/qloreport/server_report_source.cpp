#include "qloreport/server_report_source.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "output/report_names.h"
#include "sensing/time_stamp.h"
#include "teamstore/team_store_schema.h"

namespace {
constexpr int kFetchRows = 1000;

// The named kinds: how a grouping's ids are kept on the store.
struct CNamedKind {
    char kind;
    const char* column;     // of orvanta.activities
    const char* condition;  // the local report query's own
    const char* table;      // of the names
    const char* name;       // its name column
};
const CNamedKind* NamedKind(ReportGrouping by) {
    static const CNamedKind kKinds[] = {
        {'a', "app_id", "a.activity_type in (1, 2)", "programs", "n.file_name"},
        {'s', "site_id", "a.site_id > 0", "sites", "n.url"},
        {'p', "project_id", "a.project_id <> 0", "projects", "n.name"},
        {'t', "task_id", "a.task_id <> 0", "tasks", "n.name"},
    };
    switch (by) {
        case ReportGrouping::App:
            return &kKinds[0];
        case ReportGrouping::Site:
            return &kKinds[1];
        case ReportGrouping::Project:
            return &kKinds[2];
        case ReportGrouping::Task:
            return &kKinds[3];
        default:
            return nullptr;
    }
}

int Yyyymm(int64_t stamp) { return static_cast<int>(stamp / 100000000); }
int NextYyyymm(int month) { return month % 100 == 12 ? (month / 100 + 1) * 100 + 1 : month + 1; }

// The rows of [from, to] of the month files `first` to `last`, as the local
// reports cut a range into months.
std::string RowsOf(int first, int last, int64_t from, int64_t to, const std::string& machines) {
    char where[256];
    std::snprintf(where, sizeof where,
                  "a.month between %d and %d and a.start_date between %lld and %lld and a.start_date / 100000000 = "
                  "a.month",
                  first, last, static_cast<long long>(from), static_cast<long long>(to));
    return machines.empty() ? where : std::string(where) + " and " + machines;
}

// `text` cut to at most `maxBytes` bytes without splitting a UTF-8 character.
std::string CutUtf8(std::string text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
    return text;
}

std::string IdArray(const std::vector<int32_t>& ids) {
    std::string array = "{";
    for (size_t i = 0; i < ids.size(); ++i)
        array += (i ? "," : "") + std::to_string(ids[i]);
    return array + "}";
}
}  // namespace

namespace {
int NextMonth(int yyyymm) { return yyyymm % 100 == 12 ? (yyyymm / 100 + 1) * 100 + 1 : yyyymm + 1; }
int PreviousMonth(int yyyymm) { return yyyymm % 100 == 1 ? (yyyymm / 100 - 1) * 100 + 12 : yyyymm - 1; }

// The summaries of the days of [from, to] as a table "a" (machine_id,
// project_id, task_id, app_id, activity_type, seconds): the months the
// range covers whole from month_totals, the days before and after them
// from day_totals.
std::string SummariesOf(int64_t from, int64_t to) {
    const int firstDay = static_cast<int>(from / 1000000), lastDay = static_cast<int>(to / 1000000);
    const int firstMonth = firstDay % 100 == 1 ? firstDay / 100 : NextMonth(firstDay / 100);
    // The last day is the month's last when the day after it opens the next month.
    const int lastMonth = DayOf(AddDays(to, 1)) == 1 ? lastDay / 100 : PreviousMonth(lastDay / 100);
    const std::string columns = "machine_id, project_id, task_id, app_id, activity_type, seconds";
    const std::string months = std::to_string(firstMonth) + " and " + std::to_string(lastMonth);
    return "(select " + columns + " from orvanta.month_totals where month between " + months + " union all select " +
           columns + " from orvanta.day_totals where day between " + std::to_string(firstDay) + " and " +
           std::to_string(lastDay) + " and not (day / 100 between " + months + ")) a";
}

// Whether `by` is summed from day_totals (everything but sites, which only
// the rows hold).
bool FromSummaries(ReportGrouping by) { return by != ReportGrouping::Site; }
}  // namespace

std::string ServerTotalsSql(ReportGrouping by, int64_t from, int64_t to, const std::string& machines) {
    const std::string table = FromSummaries(by) ? SummariesOf(from, to) : "orvanta.activities a";
    const std::string seconds = FromSummaries(by) ? "a.seconds" : "a.duration";
    const std::string where = FromSummaries(by) ? (machines.empty() ? "true" : machines)
                                                : RowsOf(Yyyymm(from), Yyyymm(to), from, to, machines);
    if (by == ReportGrouping::ActivityType)
        return "select a.activity_type, null, null, null, sum(" + seconds + ")::bigint from " + table + " where " +
               where + " group by 1";
    if (by == ReportGrouping::User)
        return "select m.person_id, null, null, null, sum(" + seconds + ")::bigint from " + table +
               " join orvanta.machines m on m.id = a.machine_id where " + where + " group by 1";
    const CNamedKind& kind = *NamedKind(by);
    return std::string("select g.global_id, g.local_id, ") + kind.name + ", " +
           (kind.kind == 't' ? "n.project" : "null") +
           ", g.seconds from (select l.global_id, case when l.global_id is null then a." + kind.column +
           " end as local_id, sum(" + seconds + ")::bigint as seconds from " + table +
           " left join orvanta.local_ids l on l.machine_id = a.machine_id and l.kind = '" + kind.kind +
           "' and l.local_id = a." + kind.column + " where " + where + " and " + kind.condition +
           " group by 1, 2) g left join orvanta." + kind.table + " n on n.id = g.global_id";
}

CServerReportSource::CServerReportSource(CPgConnection& connection, std::string person)
    : m_connection(connection), m_person(std::move(person)) {}

CServerReportSource::~CServerReportSource() {
    if (m_inTransaction) m_connection.Exec("rollback");
}

int CServerReportSource::Failed(const char* doing) {
    m_problem = std::string("the team store could not be read (") + doing + "): " + m_connection.ErrorText();
    if (!m_connection.SqlState().empty()) m_problem += " [" + m_connection.SqlState() + "]";
    return 0;
}

int CServerReportSource::Open() {
    std::string storeId;
    int version = 0;
    const int schema = CheckTeamStoreSchema(m_connection, storeId, version);
    if (schema == kSchemaMissing || schema == kSchemaNewer || schema == kSchemaOlder) {
        m_problem = SchemaProblem(m_connection, schema, version, "qloreport");
        return schema;
    }
    if (schema != 1) return Failed("its version");
    if (m_connection.Exec("begin isolation level repeatable read read only") != 1) return Failed("beginning");
    m_inTransaction = true;
    CPgResult people;
    if (m_connection.Exec("select id, name from orvanta.people order by name", {}, &people) != 1)
        return Failed("its people");
    int64_t personId = 0;
    std::string names;
    for (int i = 0; i < people.Rows(); ++i) {
        m_people[static_cast<int32_t>(people.Int64(i, 0))] = people.Text(i, 1);
        if (people.Text(i, 1) == m_person) personId = people.Int64(i, 0);
        if (i < 20) names += (i ? ", " : "") + people.Text(i, 1);
    }
    if (m_person.empty()) return 1;
    if (personId == 0) {
        m_problem =
            "no one called \"" + m_person + "\" pushed to the team store" +
            (names.empty() ? std::string() : " (its people: " + names + (people.Rows() > 20 ? ", ..." : "") + ")");
        return kNoPerson;
    }
    CPgResult machines;
    if (m_connection.Exec("select id from orvanta.machines where person_id = $1", {std::to_string(personId)},
                          &machines) != 1)
        return Failed("the person's computers");
    std::vector<int32_t> ids;
    for (int i = 0; i < machines.Rows(); ++i)
        ids.push_back(static_cast<int32_t>(machines.Int64(i, 0)));
    m_machines = "a.machine_id = any('" + IdArray(ids) + "'::integer[])";
    return 1;
}

int32_t CServerReportSource::UnnamedId(char kind, int64_t localId) {
    if (localId == 0) return 0;
    const auto found = m_unnamed.find({kind, localId});
    if (found != m_unnamed.end()) return found->second;
    const int32_t id = -static_cast<int32_t>(m_unnamed.size()) - 1;
    m_unnamed[{kind, localId}] = id;
    NamesOf(kind)[id] = "#" + std::to_string(localId);
    return id;
}

int CServerReportSource::FetchNames(char kind, const std::vector<int32_t>& ids) {
    std::vector<int32_t> missing;
    for (int32_t id : ids)
        if (id > 0 && !NamesOf(kind).count(id)) missing.push_back(id);
    if (missing.empty()) return 1;
    std::sort(missing.begin(), missing.end());
    missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
    const CNamedKind* named = nullptr;
    for (ReportGrouping by : {ReportGrouping::App, ReportGrouping::Site, ReportGrouping::Project, ReportGrouping::Task})
        if (NamedKind(by)->kind == kind) named = NamedKind(by);
    CPgResult rows;
    if (m_connection.Exec(std::string("select n.id, ") + named->name + (kind == 't' ? ", n.project" : ", null") +
                              " from orvanta." + named->table + " n where n.id = any($1::integer[])",
                          {IdArray(missing)}, &rows) != 1)
        return Failed("names");
    for (int i = 0; i < rows.Rows(); ++i) {
        const int32_t id = static_cast<int32_t>(rows.Int64(i, 0));
        NamesOf(kind)[id] = rows.Text(i, 1);
        if (kind == 't') m_taskProjects[id] = rows.Text(i, 2);
    }
    return 1;
}

std::string CServerReportSource::NameOf(char kind, int32_t id) {
    if (id == 0) return "(none)";
    if (id > 0 && !NamesOf(kind).count(id)) FetchNames(kind, {id});
    const auto found = NamesOf(kind).find(id);
    return found == NamesOf(kind).end() ? "#" + std::to_string(id) : found->second;
}

int CServerReportSource::Totals(ReportGrouping by, int64_t from, int64_t to, std::vector<CTotalsGroup>& groups) {
    groups.clear();
    CPgResult rows;
    if (m_connection.Exec(ServerTotalsSql(by, from, to, m_machines), {}, &rows) != 1) return Failed("totals");
    const CNamedKind* named = NamedKind(by);
    std::map<int32_t, int64_t> sums;
    for (int i = 0; i < rows.Rows(); ++i) {
        int32_t id = static_cast<int32_t>(rows.Int64(i, 0));
        if (named && rows.IsNull(i, 0)) {
            id = UnnamedId(named->kind, rows.Int64(i, 1));
        } else if (named) {
            NamesOf(named->kind)[id] = rows.Text(i, 2);
            if (named->kind == 't') m_taskProjects[id] = rows.Text(i, 3);
        }
        sums[id] += rows.Int64(i, 4);
    }
    if (rows.Rows() == 0) {
        CPgResult any;
        const std::string rows =
            FromSummaries(by) ? SummariesOf(from, to) + " where " + (m_machines.empty() ? "true" : m_machines)
                              : "orvanta.activities a where " + RowsOf(Yyyymm(from), Yyyymm(to), from, to, m_machines);
        if (m_connection.Exec("select exists (select 1 from " + rows + ")", {}, &any) != 1) return Failed("totals");
        if (any.Text(0, 0) != "t") return CActivityReader::kNoData;
    }
    if (by == ReportGrouping::ActivityType)
        for (int32_t type = 1; type <= 4; ++type)
            sums[type] += 0;
    for (const auto& [id, seconds] : sums)
        groups.push_back({id, GroupName(by, id), seconds});
    if (by != ReportGrouping::ActivityType)
        std::stable_sort(groups.begin(), groups.end(),
                         [](const CTotalsGroup& a, const CTotalsGroup& b) { return a.seconds > b.seconds; });
    return 1;
}

int CServerReportSource::VisitRows(int64_t from, int64_t to, const std::function<bool(const CDBActivity&)>& visit,
                                   RowColumns columns, RowOrder order) {
    const bool all = columns == RowColumns::All;
    const std::string select =
        std::string(
            "select a.local_id, a.start_date, a.finish_date, a.duration, a.formated_duration, "
            "a.activity_type, m.person_id, a.project_id, lp.global_id, a.task_id, lt.global_id, ") +
        (all ? "a.app_id, la.global_id, a.site_id, ls.global_id, a.title, a.description, a.url, a.logged"
             : "0, null, 0, null, '', '', '', 0") +
        " from orvanta.activities a join orvanta.machines m on m.id = a.machine_id "
        "left join orvanta.local_ids lp on lp.machine_id = a.machine_id and lp.kind = 'p' and lp.local_id = "
        "a.project_id left join orvanta.local_ids lt on lt.machine_id = a.machine_id and lt.kind = 't' and "
        "lt.local_id = a.task_id " +
        (all ? "left join orvanta.local_ids la on la.machine_id = a.machine_id and la.kind = 'a' and la.local_id = "
               "a.app_id left join orvanta.local_ids ls on ls.machine_id = a.machine_id and ls.kind = 's' and "
               "ls.local_id = a.site_id "
             : "");
    // Month by month, as the local files are read.
    for (int month = Yyyymm(from); month <= Yyyymm(to); month = NextYyyymm(month)) {
        const std::string sql = "declare qlo_rows no scroll cursor for " + select + "where " +
                                RowsOf(month, month, from, to, m_machines) +
                                (order == RowOrder::Time ? " order by a.start_date, a.machine_id, a.local_id" : "");
        if (m_connection.Exec(sql) != 1) return Failed("rows");
        bool stopped = false;
        for (;;) {
            CPgResult rows;
            if (m_connection.Exec("fetch " + std::to_string(kFetchRows) + " from qlo_rows", {}, &rows) != 1)
                return Failed("rows");
            // The ids of the chunk, named before any row is handed on.
            auto id = [&](int row, int local, int global, char kind) {
                return rows.IsNull(row, global) ? UnnamedId(kind, rows.Int64(row, local))
                                                : static_cast<int32_t>(rows.Int64(row, global));
            };
            std::map<char, std::vector<int32_t>> ids;
            for (int i = 0; i < rows.Rows(); ++i) {
                ids['p'].push_back(id(i, 7, 8, 'p'));
                ids['t'].push_back(id(i, 9, 10, 't'));
                if (all) {
                    ids['a'].push_back(id(i, 11, 12, 'a'));
                    ids['s'].push_back(id(i, 13, 14, 's'));
                }
            }
            for (const auto& [kind, list] : ids)
                if (FetchNames(kind, list) != 1) return 0;
            for (int i = 0; i < rows.Rows() && !stopped; ++i) {
                const CDBActivity row(static_cast<int32_t>(rows.Int64(i, 0)), rows.Int64(i, 1), rows.Int64(i, 2),
                                      rows.Int64(i, 3), rows.Int64(i, 4), static_cast<int32_t>(rows.Int64(i, 5)),
                                      CutUtf8(rows.Text(i, 15), CDBActivity::kTitleSize - 1).c_str(),
                                      static_cast<int32_t>(rows.Int64(i, 6)), all ? id(i, 11, 12, 'a') : 0,
                                      CutUtf8(rows.Text(i, 16), CDBActivity::kDescriptionSize - 1).c_str(),
                                      id(i, 7, 8, 'p'), id(i, 9, 10, 't'),
                                      CutUtf8(rows.Text(i, 17), CDBActivity::kUrlSize - 1).c_str(),
                                      all ? id(i, 13, 14, 's') : 0, static_cast<int32_t>(rows.Int64(i, 18)));
                stopped = !visit(row);
            }
            if (stopped || rows.Rows() < kFetchRows) break;
        }
        if (m_connection.Exec("close qlo_rows") != 1) return Failed("rows");
        if (stopped) break;
    }
    return 1;
}

std::string CServerReportSource::GroupName(ReportGrouping by, int32_t id) {
    switch (by) {
        case ReportGrouping::ActivityType:
            return ActivityTypeName(id);
        case ReportGrouping::User: {
            const auto found = m_people.find(id);
            return found == m_people.end() ? "#" + std::to_string(id) : found->second;
        }
        case ReportGrouping::Task:
            if (id == 0) return "(none)";
            if (id < 0) return "(none) / " + NameOf('t', id);
            NameOf('t', id);
            return m_taskProjects[id] + " / " + NameOf('t', id);
        default:
            return NameOf(NamedKind(by)->kind, id);
    }
}

std::string CServerReportSource::ProgramName(int32_t appId) { return appId > 0 ? NameOf('a', appId) : ""; }

std::string CServerReportSource::SiteName(int32_t siteId) { return siteId > 0 ? NameOf('s', siteId) : ""; }

std::string CServerReportSource::TaskName(int32_t taskId) { return taskId == 0 ? "" : NameOf('t', taskId); }
