#include "qlosync/team_store_push.h"

#include <algorithm>
#include <set>
#include <vector>

#include "output/report_names.h"
#include "output/report_text.h"
#include "platform/console.h"
#include "platform/text.h"
#include "qlosync/sync_state.h"
#include "sensing/time_stamp.h"
#include "storage/activity_reader.h"
#include "teamstore/pg_connection.h"
#include "teamstore/push_notices.h"
#include "teamstore/team_store_schema.h"

namespace {
constexpr char kNamesTable[] =
    "create temp table if not exists qlo_names (kind \"char\", local_id integer, a text, b text) on commit delete "
    "rows";
constexpr char kRowsTable[] =
    "create temp table if not exists qlo_rows (month integer, local_id integer, start_date bigint, finish_date "
    "bigint, duration bigint, formated_duration bigint, activity_type integer, title text, user_id integer, app_id "
    "integer, project_id integer, task_id integer, description text, url text, site_id integer, logged integer) on "
    "commit delete rows";
// The names first (in a fixed order, so that two pushes adding the same
// names wait for each other instead of deadlocking), then what each local id
// names.
constexpr const char* kMergeNames[] = {
    "insert into orvanta.programs (file_name, path) select distinct a, b from qlo_names where kind = 'a' order by "
    "1, 2 on conflict do nothing",
    "insert into orvanta.sites (url) select distinct a from qlo_names where kind = 's' order by 1 on conflict do "
    "nothing",
    "insert into orvanta.users (domain, name) select distinct a, b from qlo_names where kind = 'u' order by 1, 2 on "
    "conflict do nothing",
    "insert into orvanta.projects (name) select distinct a from qlo_names where kind = 'p' order by 1 on conflict "
    "do nothing",
    "insert into orvanta.tasks (project, name) select distinct a, b from qlo_names where kind = 't' order by 1, 2 "
    "on conflict do nothing",
    "insert into orvanta.local_ids (machine_id, kind, local_id, global_id) select $1, n.kind, n.local_id, "
    "coalesce(p.id, s.id, u.id, j.id, t.id) from qlo_names n "
    "left join orvanta.programs p on n.kind = 'a' and p.file_name = n.a and p.path = n.b "
    "left join orvanta.sites s on n.kind = 's' and s.url = n.a "
    "left join orvanta.users u on n.kind = 'u' and u.domain = n.a and u.name = n.b "
    "left join orvanta.projects j on n.kind = 'p' and j.name = n.a "
    "left join orvanta.tasks t on n.kind = 't' and t.project = n.a and t.name = n.b "
    "order by 2, 3 on conflict (machine_id, kind, local_id) do update set global_id = excluded.global_id "
    "where orvanta.local_ids.global_id <> excluded.global_id",
};
constexpr char kInsertRows[] =
    "insert into orvanta.activities (machine_id, month, local_id, start_date, finish_date, duration, "
    "formated_duration, activity_type, title, user_id, app_id, project_id, task_id, description, url, site_id, "
    "logged) select $1, month, local_id, start_date, finish_date, duration, formated_duration, activity_type, "
    "title, user_id, app_id, project_id, task_id, description, url, site_id, logged from qlo_rows on conflict do "
    "nothing";

// `text` with every byte sequence that is not UTF-8 replaced by U+FFFD.
std::string WellFormedUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        bool valid = length > 0 && i + length <= text.size() && !(length == 2 && lead < 0xC2);
        for (size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (valid && length == 3) {
            const unsigned char next = static_cast<unsigned char>(text[i + 1]);
            valid = !(lead == 0xE0 && next < 0xA0) && !(lead == 0xED && next >= 0xA0);
        } else if (valid && length == 4) {
            const unsigned char next = static_cast<unsigned char>(text[i + 1]);
            valid = !(lead == 0xF0 && next < 0x90) && !(lead == 0xF4 && next >= 0x90) && lead <= 0xF4;
        }
        if (!valid) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        out.append(text, i, length);
        i += length;
    }
    return out;
}

std::string Stored(const char* narrow) { return WellFormedUtf8(NarrowToUtf8(narrow)); }

uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

void AppendField(std::string& data, const std::string& value, char end = '\t') {
    AppendCopyField(data, value);
    data += end;
}

// The names of the catalogue as the local reports show them, as COPY rows of qlo_names.
std::string NamesData(const CCatalogue& catalogue) {
    std::string data;
    auto line = [&](char kind, int32_t id, const std::string& a, const std::string& b) {
        data += kind;
        data += '\t';
        AppendField(data, std::to_string(id));
        AppendField(data, WellFormedUtf8(a));
        AppendField(data, WellFormedUtf8(b), '\n');
    };
    // In id order, so that the same catalogue gives the same text.
    auto sorted = [](const auto& byId) {
        std::set<int32_t> ids;
        for (const auto& entry : byId)
            ids.insert(entry.first);
        return ids;
    };
    for (int32_t id : sorted(catalogue.Apps()))
        line('a', id, GroupName(catalogue, ReportGrouping::App, id), NarrowToUtf8(catalogue.FindApp(id)->GetPath()));
    for (int32_t id : sorted(catalogue.Sites()))
        line('s', id, GroupName(catalogue, ReportGrouping::Site, id), "");
    for (int32_t id : sorted(catalogue.Users()))
        line('u', id, NarrowToUtf8(catalogue.FindUser(id)->GetDomain()),
             NarrowToUtf8(catalogue.FindUser(id)->GetName()));
    for (int32_t id : sorted(catalogue.Projects()))
        line('p', id, GroupName(catalogue, ReportGrouping::Project, id), "");
    for (int32_t id : sorted(catalogue.TasksById()))
        line('t', id, GroupName(catalogue, ReportGrouping::Project, catalogue.FindTask(id)->GetProjectId()),
             TaskName(catalogue, id));
    return data;
}

// True when `row` names an id the catalogue does not hold (stored after the
// catalogue was read).
bool NamesUnknownId(const CCatalogue& catalogue, const CDBActivity& row) {
    return (row.GetAppId() > 0 && !catalogue.FindApp(row.GetAppId())) ||
           (row.GetSiteId() > 0 && !catalogue.FindSite(row.GetSiteId())) ||
           (row.GetUserId() > 0 && !catalogue.FindUser(row.GetUserId())) ||
           (row.GetProjectId() > 0 && !catalogue.FindProject(row.GetProjectId())) ||
           (row.GetTaskId() > 0 && !catalogue.FindTask(row.GetTaskId()));
}

void AppendRow(std::string& data, int month, const CDBActivity& row) {
    const int64_t numbers[] = {month,
                               row.GetId(),
                               row.GetStartDate(),
                               row.GetFinishDate(),
                               row.GetDuration(),
                               row.GetFormatedDuration(),
                               row.GetActivityType()};
    for (int64_t number : numbers)
        AppendField(data, std::to_string(number));
    AppendField(data, Stored(row.GetTitle()));
    for (int64_t number :
         {int64_t{row.GetUserId()}, int64_t{row.GetAppId()}, int64_t{row.GetProjectId()}, int64_t{row.GetTaskId()}})
        AppendField(data, std::to_string(number));
    AppendField(data, Stored(row.GetDescription()));
    AppendField(data, Stored(row.GetURL()));
    AppendField(data, std::to_string(row.GetSiteId()));
    AppendField(data, std::to_string(row.GetLogged()), '\n');
}

int Yyyymm(int64_t month) { return YearOf(month) * 100 + MonthOf(month); }

class CPush {
public:
    CPush(const CPushRequest& request, CPushOutcome& outcome)
        : m_request(request), m_outcome(outcome), m_files(request.folder), m_reader(request.folder) {}

    int Run() {
        if (!m_files.Lock()) return Fail(kPushBusy, "another qlosync is pushing from " + m_request.folder);
        if (m_files.LoadState(m_state) < 0) m_state = CSyncState();
        std::string error;
        if (m_files.Identity(m_state, m_state.identity, error) != 1) return Fail(0, error);
        int result = Steps();
        Record(result);
        return result;
    }

private:
    int Steps() {
        if (m_reader.Open() != 1) return Fail(0, FolderProblem());
        if (m_connection.Connect(m_request.target.conninfo, m_request.target.password) != 1)
            return Fail(0, "cannot connect to the team store: " + m_connection.ErrorText());
        std::string storeId;
        int version = 0;
        const int schema = CheckTeamStoreSchema(m_connection, storeId, version);
        if (schema == kSchemaMissing)
            return Fail(schema,
                        "the team store has no tables yet: run \"qlosync init\" once (with a role that may "
                        "create them)");
        if (schema == kSchemaNewer)
            return Fail(schema, "the team store's tables are of version " + std::to_string(version) +
                                    ", newer than this qlosync knows (" + std::to_string(kTeamStoreSchemaVersion) +
                                    "): update qlosync");
        if (schema == kSchemaOlder) return Fail(schema, SchemaProblem(m_connection, schema, version, "qlosync"));
        if (schema != 1) return ServerFailed("reading the team store's version");
        if (storeId != m_state.storeId) {
            // Another store, or this one made anew: what it holds is unknown.
            m_state.marks.clear();
            m_state.namesHash = 0;
            m_state.storeId = storeId;
        }
        if (m_connection.Exec(kNamesTable) != 1 || m_connection.Exec(kRowsTable) != 1)
            return ServerFailed("preparing the push");
        if (RegisterMachine() != 1) return ServerFailed("registering this computer");
        if (SendNames() != 1) return ServerFailed("sending the names");

        std::vector<int64_t> months;
        if (m_reader.ListMonths(months) != 1) return Fail(0, m_request.folder + " cannot be listed");
        for (int64_t month : months) {
            const int result = PushMonth(month);
            if (result != 1) return result;
        }
        if (m_connection.Exec("update orvanta.machines set last_push = now() where id = $1", {m_machineId}) != 1)
            return ServerFailed("recording the push");
        m_outcome.message =
            std::to_string(m_outcome.rowsAdded) + " rows added (" + std::to_string(m_outcome.rowsSent) + " sent)";
        ReadPushNotices(m_connection, m_machineId, m_request.person, NowTimeStamp(), m_outcome.notices);
        return 1;
    }

    int RegisterMachine() {
        CPgResult rows;
        if (m_connection.Exec("insert into orvanta.people (name) values ($1) on conflict (name) do nothing",
                              {m_request.person}) != 1 ||
            m_connection.Exec("insert into orvanta.machines (identity, person_id, host) select $1, id, $3 from "
                              "orvanta.people where name = $2 on conflict (identity) do update set person_id = "
                              "excluded.person_id, host = excluded.host returning id",
                              {m_state.identity, m_request.person, m_request.host}, &rows) != 1 ||
            rows.Rows() != 1)
            return 0;
        m_machineId = rows.Text(0, 0);
        return 1;
    }

    int SendNames() {
        const std::string data = NamesData(m_reader.Catalogue());
        const uint64_t hash = Fnv1a(data);
        if (hash == m_state.namesHash) return 1;
        int result = m_connection.Exec("begin") == 1 && m_connection.CopyIn("copy qlo_names from stdin", data) == 1;
        for (const char* statement : kMergeNames)
            if (result == 1)
                result = m_connection.Exec(statement, statement == kMergeNames[std::size(kMergeNames) - 1]
                                                          ? std::vector<std::string>{m_machineId}
                                                          : std::vector<std::string>{});
        if (result == 1) result = m_connection.Exec("commit");
        if (result != 1) {
            m_connection.Exec("rollback");
            return 0;
        }
        m_state.namesHash = hash;
        m_files.SaveState(m_state);
        return 1;
    }

    int PushMonth(int64_t month) {
        const int yyyymm = Yyyymm(month);
        bool partitionReady = false;
        for (;;) {
            if (StopRequested())
                return Fail(kPushStopped, "stopped after " + std::to_string(m_outcome.rowsAdded) +
                                              " rows added; the next push resumes");
            const auto mark = m_state.marks.find(yyyymm);
            std::vector<CDBActivity> rows;
            const int read = m_reader.VisitRowsAfter(month, mark == m_state.marks.end() ? INT64_MIN : mark->second,
                                                     [&](const CDBActivity& row) {
                                                         rows.push_back(row);
                                                         return rows.size() < static_cast<size_t>(m_request.batchRows);
                                                     });
            // A file gone since the listing has nothing more to send.
            if (read == CActivityReader::kNoData || (read == 1 && rows.empty())) return 1;
            if (read != 1) return Fail(0, FolderProblem());
            for (const CDBActivity& row : rows)
                if (NamesUnknownId(m_reader.Catalogue(), row)) {
                    // Rows stored after the catalogue was read: read it again.
                    if (m_reader.Open() != 1) return Fail(0, FolderProblem());
                    if (SendNames() != 1) return ServerFailed("sending the names");
                    break;
                }
            if (!partitionReady && EnsureMonthPartition(m_connection, yyyymm) != 1)
                return ServerFailed("making the month's partition");
            partitionReady = true;
            std::string data;
            for (const CDBActivity& row : rows)
                AppendRow(data, yyyymm, row);
            int64_t firstStart = rows.front().GetStartDate(), lastStart = firstStart;
            for (const CDBActivity& row : rows) {
                firstStart = std::min(firstStart, row.GetStartDate());
                lastStart = std::max(lastStart, row.GetStartDate());
            }
            CPgResult inserted;
            const bool sent =
                m_connection.Exec("begin") == 1 && m_connection.CopyIn("copy qlo_rows from stdin", data) == 1 &&
                m_connection.Exec(kInsertRows, {m_machineId}, &inserted) == 1 &&
                m_connection.Exec(
                    "select orvanta.refresh_day_totals($1, $2, $3)",
                    {m_machineId, std::to_string(firstStart / 1000000), std::to_string(lastStart / 1000000)}) == 1 &&
                m_connection.Exec(
                    "update orvanta.machines set rows_added = rows_added + $2 where id "
                    "= $1",
                    {m_machineId, std::to_string(inserted.Affected())}) == 1 &&
                m_connection.Exec("commit") == 1;
            if (!sent) {
                m_connection.Exec("rollback");
                return ServerFailed("sending rows");
            }
            m_outcome.rowsSent += static_cast<int64_t>(rows.size());
            m_outcome.rowsAdded += inserted.Affected();
            m_state.marks[yyyymm] = rows.back().GetId();
            m_files.SaveState(m_state);
        }
    }

    std::string FolderProblem() const {
        for (const CFileReport& file : m_reader.Files()) {
            const std::string text = FileReportText(file);
            if (!text.empty() && text.rfind("note:", 0) != 0) return text;
        }
        return m_request.folder + " cannot be read";
    }

    // A statement or the connection failed while `doing`.
    int ServerFailed(const char* doing) {
        std::string message = m_connection.ConnectionLost() ? "the connection to the team store was lost while "
                                                            : "the team store refused ";
        message += doing;
        if (m_connection.SqlState() == "53100")
            message = "the team store's disk is full (while " + std::string(doing) + ")";
        message += ": " + m_connection.ErrorText();
        if (!m_connection.SqlState().empty()) message += " [" + m_connection.SqlState() + "]";
        return Fail(0, message + "; nothing is lost here, the next push resumes");
    }

    int Fail(int result, const std::string& message) {
        m_outcome.message = message;
        return result;
    }

    void Record(int result) {
        m_outcome.result = result;
        m_state.lastAttempt = NowTimeStamp();
        m_state.lastResult = result;
        m_state.lastRows = m_outcome.rowsAdded;
        m_state.lastMessage = m_outcome.message;
        if (result == 1) {
            m_state.lastSuccess = m_state.lastAttempt;
            m_state.lastSuccessRows = m_outcome.rowsAdded;
        }
        m_files.SaveState(m_state);
    }

    const CPushRequest& m_request;
    CPushOutcome& m_outcome;
    CSyncFiles m_files;
    CSyncState m_state;
    CActivityReader m_reader;
    CPgConnection m_connection;
    std::string m_machineId;
};
}  // namespace

int PushFolder(const CPushRequest& request, CPushOutcome& outcome) {
    outcome = CPushOutcome();
    CPush push(request, outcome);
    outcome.result = push.Run();
    return outcome.result;
}
