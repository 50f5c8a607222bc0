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
#include "storage/changed_ranges.h"
#include "teamstore/pg_connection.h"
#include "teamstore/push_notices.h"
#include "teamstore/team_store_schema.h"

namespace {
// The names, each statement a transaction of its own taking the same arrays
// (kind, local id, first and second part of the name): the names first (in a
// fixed order, so that two pushes adding the same names wait for each other
// instead of deadlocking), then what each local id names, once they are
// committed.
constexpr char kNames[] = "unnest($1::text[], $2::integer[], $3::text[], $4::text[]) as n(kind, local_id, a, b)";
const std::string kMergeNames[] = {
    std::string("insert into orvanta.programs (file_name, path) select distinct a, b from ") + kNames +
        " where kind = 'a' order by 1, 2 on conflict do nothing",
    std::string("insert into orvanta.sites (url) select distinct a from ") + kNames +
        " where kind = 's' order by 1 on conflict do nothing",
    std::string("insert into orvanta.users (domain, name) select distinct a, b from ") + kNames +
        " where kind = 'u' order by 1, 2 on conflict do nothing",
    std::string("insert into orvanta.projects (name) select distinct a from ") + kNames +
        " where kind = 'p' order by 1 on conflict do nothing",
    std::string("insert into orvanta.tasks (project, name) select distinct a, b from ") + kNames +
        " where kind = 't' order by 1, 2 on conflict do nothing",
    std::string("insert into orvanta.local_ids (machine_id, kind, local_id, global_id) select $5, n.kind::\"char\", "
                "n.local_id, coalesce(p.id, s.id, u.id, j.id, t.id) from ") +
        kNames +
        " left join orvanta.programs p on n.kind = 'a' and p.file_name = n.a and p.path = n.b "
        "left join orvanta.sites s on n.kind = 's' and s.url = n.a "
        "left join orvanta.users u on n.kind = 'u' and u.domain = n.a and u.name = n.b "
        "left join orvanta.projects j on n.kind = 'p' and j.name = n.a "
        "left join orvanta.tasks t on n.kind = 't' and t.project = n.a and t.name = n.b "
        "order by 2, 3 on conflict (machine_id, kind, local_id) do update set global_id = excluded.global_id "
        "where orvanta.local_ids.global_id <> excluded.global_id",
};
constexpr char kStoreRows[] =
    "select orvanta.store_rows($1, $2::integer[], $3::integer[], $4::bigint[], $5::bigint[], $6::bigint[], "
    "$7::bigint[], $8::integer[], $9::text[], $10::integer[], $11::integer[], $12::integer[], $13::integer[], "
    "$14::text[], $15::text[], $16::integer[], $17::integer[])";

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

// The names of the catalogue as the local reports show them, of the kinds
// `shared` lets go (projects and tasks always), as the arrays of kNames.
std::vector<std::string> NamesArrays(const CCatalogue& catalogue, unsigned shared) {
    CPgArray kinds, ids, first, second;
    auto add = [&](char kind, int32_t id, const std::string& a, const std::string& b) {
        kinds.Add(std::string(1, kind));
        ids.Add(int64_t{id});
        first.Add(WellFormedUtf8(a));
        second.Add(WellFormedUtf8(b));
    };
    // In id order, so that the same catalogue gives the same arrays.
    auto sorted = [](const auto& byId) {
        std::set<int32_t> ids;
        for (const auto& entry : byId)
            ids.insert(entry.first);
        return ids;
    };
    if (shared & kSharePrograms)
        for (int32_t id : sorted(catalogue.Apps()))
            add('a', id, GroupName(catalogue, ReportGrouping::App, id), NarrowToUtf8(catalogue.FindApp(id)->GetPath()));
    if (shared & kShareSites)
        for (int32_t id : sorted(catalogue.Sites()))
            add('s', id, GroupName(catalogue, ReportGrouping::Site, id), "");
    if (shared & kShareAccounts)
        for (int32_t id : sorted(catalogue.Users()))
            add('u', id, NarrowToUtf8(catalogue.FindUser(id)->GetDomain()),
                NarrowToUtf8(catalogue.FindUser(id)->GetName()));
    for (int32_t id : sorted(catalogue.Projects()))
        add('p', id, GroupName(catalogue, ReportGrouping::Project, id), "");
    for (int32_t id : sorted(catalogue.TasksById()))
        add('t', id, GroupName(catalogue, ReportGrouping::Project, catalogue.FindTask(id)->GetProjectId()),
            TaskName(catalogue, id));
    return {kinds.Text(), ids.Text(), first.Text(), second.Text()};
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

// A batch of rows as the arrays of orvanta.store_rows, the details that are
// not shared left empty or 0.
class CRowArrays {
public:
    explicit CRowArrays(unsigned shared) : m_shared(shared) {}

    void Add(int month, const CDBActivity& row) {
        const bool titles = m_shared & kShareTitles;
        size_t column = 0;
        auto number = [&](int64_t value) { m_columns[column++].Add(value); };
        auto text = [&](const std::string& value) { m_columns[column++].Add(value); };
        // In the order of orvanta.store_rows's arrays.
        number(month);
        number(row.GetId());
        number(row.GetStartDate());
        number(row.GetFinishDate());
        number(row.GetDuration());
        number(row.GetFormatedDuration());
        number(row.GetActivityType());
        text(titles ? Stored(row.GetTitle()) : "");
        number(m_shared & kShareAccounts ? row.GetUserId() : 0);
        number(m_shared & kSharePrograms ? row.GetAppId() : 0);
        number(row.GetProjectId());
        number(row.GetTaskId());
        text(titles ? Stored(row.GetDescription()) : "");
        text(m_shared & kShareAddresses ? Stored(row.GetURL()) : "");
        number(m_shared & kShareSites ? row.GetSiteId() : 0);
        number(row.GetLogged());
    }

    // The parameters of kStoreRows: the machine's id, then the arrays.
    std::vector<std::string> Params(const std::string& machineId) const {
        std::vector<std::string> params{machineId};
        for (const CPgArray& column : m_columns)
            params.push_back(column.Text());
        return params;
    }

private:
    unsigned m_shared;
    CPgArray m_columns[16];
};

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
        if (schema == kSchemaNewer || schema == kSchemaOlder)
            return Fail(schema, SchemaProblem(m_connection, schema, version, "qlosync"));
        if (schema != 1) return ServerFailed("reading the team store's version");
        if (storeId != m_state.storeId) {
            // Another store, or this one made anew: what it holds is unknown,
            // so every row goes again, as it is now (the journal's entries
            // so far included).
            m_state.marks.clear();
            m_state.namesHash = 0;
            m_state.storeId = storeId;
            if (LastChange(m_state.changesSeen) != 1) return Fail(0, m_journalError);
            m_state.changesStore = storeId;
        } else if (m_state.changesStore != storeId) {
            // A state of before the journal: follow all of it.
            m_state.changesStore = storeId;
            m_state.changesSeen = 0;
        }
        if (RegisterMachine() != 1) return ServerFailed("registering this computer");
        if (ShareAsAsked() != 1) return ServerFailed("taking back the details no longer shared");
        if (SendNames() != 1) return ServerFailed("sending the names");

        std::vector<int64_t> months;
        if (m_reader.ListMonths(months) != 1) return Fail(0, m_request.folder + " cannot be listed");
        for (int64_t month : months) {
            const int result = PushMonth(month);
            if (result != 1) return result;
        }
        const int followed = FollowRewrites(months);
        if (followed != 1) return followed;
        if (m_connection.Exec("update orvanta.machines set last_push = now() where id = $1", {m_machineId}) != 1)
            return ServerFailed("recording the push");
        m_outcome.message =
            std::to_string(m_outcome.rowsAdded) + " rows added (" + std::to_string(m_outcome.rowsSent) + " sent)";
        ReadPushNotices(m_connection, m_machineId, m_request.person, NowTimeStamp(), m_outcome.notices);
        return 1;
    }

    int RegisterMachine() {
        CPgResult rows;
        // Whether the person shares any details decides whether a lead may
        // read their rows (the store's policies); the last push says.
        if (m_connection.Exec("insert into orvanta.people (name, shares) values ($1, $2) on conflict (name) do "
                              "update set shares = excluded.shares where orvanta.people.shares <> excluded.shares",
                              {m_request.person, m_request.shared != 0 ? "true" : "false"}) != 1 ||
            m_connection.Exec("insert into orvanta.machines (identity, person_id, host) select $1, id, $3 from "
                              "orvanta.people where name = $2 on conflict (identity) do update set person_id = "
                              "excluded.person_id, host = excluded.host returning id",
                              {m_state.identity, m_request.person, m_request.host}, &rows) != 1 ||
            rows.Rows() != 1)
            return 0;
        m_machineId = rows.Text(0, 0);
        return 1;
    }

    // Brings the store's details of this machine to what the settings share:
    // kinds no longer shared are emptied in its rows there; kinds shared
    // anew need every row sent again (replacing what the store holds).
    int ShareAsAsked() {
        const unsigned withheld = m_state.shared & ~m_request.shared;
        if (withheld != 0) {
            auto flag = [&](unsigned kind) { return std::string(withheld & kind ? "true" : "false"); };
            if (m_connection.Exec("select orvanta.withhold_details($1, $2, $3, $4, $5, $6)",
                                  {m_machineId, flag(kSharePrograms), flag(kShareSites), flag(kShareTitles),
                                   flag(kShareAddresses), flag(kShareAccounts)}) != 1)
                return 0;
        }
        if (m_request.shared & ~m_state.shared) m_state.marks.clear();
        if (m_state.shared != m_request.shared) {
            m_state.shared = m_request.shared;
            m_state.namesHash = 0;
            m_files.SaveState(m_state);
        }
        return 1;
    }

    int SendNames() {
        const std::vector<std::string> arrays = NamesArrays(m_reader.Catalogue(), m_request.shared);
        const uint64_t hash = Fnv1a(arrays[0] + arrays[1] + arrays[2] + arrays[3]);
        if (hash == m_state.namesHash) return 1;
        std::vector<std::string> params = arrays;
        for (const std::string& statement : kMergeNames) {
            if (&statement == &kMergeNames[std::size(kMergeNames) - 1]) params.push_back(m_machineId);
            if (m_connection.Exec(statement, params) != 1) return 0;
        }
        m_state.namesHash = hash;
        m_files.SaveState(m_state);
        return 1;
    }

    int PushMonth(int64_t month) {
        const int yyyymm = Yyyymm(month);
        for (;;) {
            if (StopRequested()) return Stopped();
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
            const int sent = SendRows(rows, yyyymm);
            if (sent != 1) return sent;
            m_state.marks[yyyymm] = rows.back().GetId();
            m_files.SaveState(m_state);
        }
    }

    // Sends the rows of the journal's entries the store has not followed yet
    // (rewritten in place since they were sent), each month file read once
    // for all of them: the store replaces what differs. The entries count as
    // followed once all their rows are committed.
    int FollowRewrites(const std::vector<int64_t>& months) {
        std::vector<CChangedRange> ranges;
        if (VisitChangedRanges(
                m_request.folder, m_state.changesSeen, [&](const CChangedRange& range) { ranges.push_back(range); },
                m_journalError) != 1)
            return Fail(0, m_journalError);
        if (ranges.empty()) return 1;
        auto rewritten = [&](int64_t start) {
            for (const CChangedRange& range : ranges)
                if (start >= range.from && start <= range.to) return true;
            return false;
        };
        for (int64_t month : months) {
            const int yyyymm = Yyyymm(month);
            bool touched = false;
            for (const CChangedRange& range : ranges)
                touched = touched || (Yyyymm(range.from) <= yyyymm && yyyymm <= Yyyymm(range.to));
            for (int64_t after = INT64_MIN; touched;) {
                std::vector<CDBActivity> rows;
                const int read = m_reader.VisitRowsAfter(month, after, [&](const CDBActivity& row) {
                    after = row.GetId();
                    if (rewritten(row.GetStartDate())) rows.push_back(row);
                    return rows.size() < static_cast<size_t>(m_request.batchRows);
                });
                if (read == CActivityReader::kNoData) break;
                if (read != 1) return Fail(0, FolderProblem());
                if (!rows.empty()) {
                    const int sent = SendRows(rows, yyyymm);
                    if (sent != 1) return sent;
                }
                touched = rows.size() == static_cast<size_t>(m_request.batchRows);
            }
        }
        m_state.changesSeen = ranges.back().sequence;
        m_files.SaveState(m_state);
        return 1;
    }

    // One batch of rows of the month file `yyyymm`, in one transaction: the
    // store adds those it lacks and replaces those that differ.
    int SendRows(const std::vector<CDBActivity>& rows, int yyyymm) {
        if (StopRequested()) return Stopped();
        for (const CDBActivity& row : rows)
            if (NamesUnknownId(m_reader.Catalogue(), row)) {
                // Rows stored after the catalogue was read: read it again.
                if (m_reader.Open() != 1) return Fail(0, FolderProblem());
                if (SendNames() != 1) return ServerFailed("sending the names");
                break;
            }
        if (m_partitions.insert(yyyymm).second && EnsureMonthPartition(m_connection, yyyymm) != 1) {
            m_partitions.erase(yyyymm);
            return ServerFailed("making the month's partition");
        }
        CRowArrays arrays(m_request.shared);
        for (const CDBActivity& row : rows)
            arrays.Add(yyyymm, row);
        CPgResult added;
        if (m_connection.Exec(kStoreRows, arrays.Params(m_machineId), &added) != 1) return ServerFailed("sending rows");
        m_outcome.rowsSent += static_cast<int64_t>(rows.size());
        m_outcome.rowsAdded += added.Int64(0, 0);
        return 1;
    }

    // The sequence of the journal's last entry (0: none).
    int LastChange(int64_t& sequence) {
        sequence = 0;
        return VisitChangedRanges(
            m_request.folder, 0, [&](const CChangedRange& range) { sequence = range.sequence; }, m_journalError);
    }

    int Stopped() {
        return Fail(kPushStopped,
                    "stopped after " + std::to_string(m_outcome.rowsAdded) + " rows added; the next push resumes");
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
    std::set<int> m_partitions;  // months whose partition this push made sure of
    std::string m_journalError;
};
}  // namespace

int PushFolder(const CPushRequest& request, CPushOutcome& outcome) {
    outcome = CPushOutcome();
    CPush push(request, outcome);
    outcome.result = push.Run();
    return outcome.result;
}
