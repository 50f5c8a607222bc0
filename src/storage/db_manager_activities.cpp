// CDBManager: saving and loading activities, and finding or adding their
// user, application and site.

#include <cstdio>
#include <cstring>

#include "storage/activities_table.h"
#include "storage/apps_table.h"
#include "storage/db_manager.h"
#include "storage/retry.h"
#include "storage/sites_table.h"
#include "storage/sql_text.h"
#include "storage/users_table.h"

namespace {
constexpr int kInsertAttempts = 7;
constexpr uint32_t kInsertPauseMs = 200;

// Selects the newest row matching `clause`; inserts `record` when there is
// none and selects again. On 1 `record` is the stored row.
template <class Table, class Record>
int FindOrAdd(CDBSQLite* connection, Record& record, const char* clause) {
    Table table;
    CBaseStorage<Record> found;
    int result = table.Select(connection, found, clause);
    if (result != 1) return result;
    if (found.Count() == 0) {
        result = table.Insert(connection, record);
        if (result != 1) return result;
        result = table.Select(connection, found, clause);
        if (result != 1) return result;
        if (found.Count() == 0) return 0;
    }
    return found.Pop(0, record);
}
}  // namespace

int CDBManager::FindOrAddUser(CDBUser& user) {
    if (user.GetName()[0] == '\0') return -1;
    const CQuotedText name(user.GetName());
    const CQuotedText domain(user.GetDomain());
    CSqlText clause;
    const int built = FormatQuoted(clause, 64, {&name, &domain},
                                   "Name='%s' AND Domen='%s' ORDER BY Id_User DESC LIMIT 1", name.Get(), domain.Get());
    if (built != 1) return built;
    return FindOrAdd<CDBUserTable>(&m_sysDB, user, clause.Get());
}

int CDBManager::FindOrAddApp(CDBApp& app) {
    if (app.GetFileName()[0] == '\0') return -1;
    const CQuotedText fileName(app.GetFileName());
    const CQuotedText path(app.GetPath());
    CSqlText clause;
    const int built =
        FormatQuoted(clause, 96, {&fileName, &path},
                     "lower(FileName)=lower('%s') AND lower(Path)=lower('%s') ORDER BY Id_App DESC LIMIT 1",
                     fileName.Get(), path.Get());
    if (built != 1) return built;
    return FindOrAdd<CDBAppTable>(&m_sysDB, app, clause.Get());
}

int CDBManager::FindOrAddSite(CDBSite& site) {
    if (site.GetURL()[0] == '\0') return -1;
    const CQuotedText url(site.GetURL());
    CSqlText clause;
    const int built =
        FormatQuoted(clause, 64, {&url}, "lower(URL)=lower('%s') ORDER BY Id_Site DESC LIMIT 1", url.Get());
    if (built != 1) return built;
    return FindOrAdd<CDBSitesTable>(&m_sysDB, site, clause.Get());
}

int CDBManager::ResolveActivityIds(CWinActivity& activity) {
    CUser account;
    activity.GetUser(account);
    if (account.IsEmpty()) {
        Record("Get User", -1, "No User");
        return -1;
    }
    CDBUser user(0, account.GetName(), account.GetDomain(), nullptr);
    // Each lookup is retried like an insert: a busy sys.db (another writer,
    // or a reader's open transaction while a record must be added) must not
    // leave an id 0 for good.
    int result = Retry(kInsertAttempts, kInsertPauseMs, [&] { return FindOrAddUser(user); });
    if (result != 1) return RecordLookup("Find user", result);
    activity.SetUserId(user.GetId());

    if (activity.GetFileName()[0] == '\0') {
        Record("Get Process", -1, "No Process");
        return -1;
    }
    CDBApp app(0, activity.GetFileName(), activity.GetFullPath(), activity.GetFinishDate());
    result = Retry(kInsertAttempts, kInsertPauseMs, [&] { return FindOrAddApp(app); });
    if (result != 1) return RecordLookup("Find app", result);
    activity.SetAppId(app.GetId());

    CDBSite site(0, activity.GetURL());
    if (site.HasData()) {
        result = Retry(kInsertAttempts, kInsertPauseMs, [&] { return FindOrAddSite(site); });
        if (result == 1)
            activity.SetSiteId(site.GetId());
        else if (result == 0)
            return RecordLookup("Find site", result);  // busy: tried again later
        // Any other site failure is no error: the activity keeps its site id.
    }
    return 1;
}

int CDBManager::RecordLookup(const char* name, int result) {
    Record(name, result, "Lookup in sys.db failed with %i", result);
    return result;
}

int CDBManager::IsActivityStored(const CActivity& activity) {
    const int64_t start = activity.GetStartDate();
    const int checked = CheckADB(start);
    if (checked != 1 && checked != 2) return checked < 0 ? checked : -2;
    char where[96];
    std::snprintf(where, sizeof where, "StartDate=%lld AND Id_ActivityType=%d", static_cast<long long>(start),
                  static_cast<int>(activity.GetType()));
    CDBActivitiesTable table;
    CBaseStorage<CDBActivity> found;
    // A failed look-up says nothing about the row: never "not stored".
    const int selected = table.Select(&m_actDB, found, where);
    if (selected != 1) {
        Record("Find act", selected == 0 ? -2 : selected, "Lookup in the activity file failed with %i", selected);
        return selected == 0 ? -2 : selected;
    }
    for (int i = 0; i < found.Count(); ++i) {
        CDBActivity row;
        if (found.Pop(i, row) != 1) return -2;
        // A stored title may have been cut: it is the beginning of the activity's.
        if (std::strncmp(activity.GetTitle(), row.GetTitle(), std::strlen(row.GetTitle())) == 0) return 1;
    }
    return 0;
}

int CDBManager::AddActivity(const CWinActivity& activity) {
    if (!m_actDB.GetHandle()) {
        Record("Check DB handle", -100, "Act DB was not opened");
        return -100;
    }
    const CDBActivity row(0, activity.GetStartDate(), activity.GetFinishDate(), activity.GetDuration(),
                          activity.GetFormatedDuration(), static_cast<int32_t>(activity.GetType()), activity.GetTitle(),
                          activity.GetUserId(), activity.GetAppId(), nullptr, activity.GetProjectId(),
                          activity.GetTaskId(), activity.GetURL(), activity.GetSiteId(), 0);
    CDBActivitiesTable table;
    // Within a batch whose transaction SQLite rolled back, another try would
    // store this row alone while the rows before it are gone.
    const bool inBatch = m_actDB.InTransaction();
    const int result = Retry(kInsertAttempts, kInsertPauseMs,
                             [&] { return inBatch && !m_actDB.InTransaction() ? -2 : table.Insert(&m_actDB, row); });
    if (result != 1) {
        char name[80];
        std::snprintf(name, sizeof name, "Add act|%s", OrEmpty(table.GetErrorName()));
        Record(name, result, "Ret: %i (%i) %s", result, table.GetErrorCode(), OrEmpty(table.GetErrorText()));
    }
    return result;
}

int CDBManager::BeginActivities() {
    if (m_actDB.Execute("begin immediate") == 1) return 1;
    RecordInner("Begin act", m_actDB);
    return 0;
}

int CDBManager::EndActivities() {
    // SQLite ends a transaction by itself after some failures (a full disk,
    // an I/O error): then nothing of it was stored.
    if (!m_actDB.InTransaction()) {
        Record("Commit act", -2, "The transaction was rolled back by a failure");
        return 0;
    }
    if (m_actDB.Execute("commit") == 1) return 1;
    RecordInner("Commit act", m_actDB);
    if (m_actDB.InTransaction()) m_actDB.Execute("rollback");
    return 0;
}

int CDBManager::GetLastActivity(CActivity& activity) {
    CDBActivitiesTable table;
    CDBActivity last;
    const int result = table.SelectLast(&m_actDB, last);
    if (result != 1) return result;
    activity.SetType(last.GetActivityType());
    activity.SetDates(last.GetStartDate(), last.GetFinishDate());
    activity.SetDuration(last.GetDuration());
    activity.SetFormatedDuration(last.GetFormatedDuration());
    activity.SetTitle(last.GetTitle(), 0);
    return 1;
}
