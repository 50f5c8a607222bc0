#include "qlopms/pms_commands.h"

#include <vector>

#include "output/output_text.h"
#include "pms/jira_session.h"
#include "qlopms/catalogue_sync.h"
#include "qlopms/jira_connection.h"
#include "qlopms/jira_fetch.h"
#include "storage/db_manager.h"

namespace {
const char* OrEmpty(const char* text) { return text ? text : ""; }

int OpenCatalogue(const CPmsRun& run, CDBManager& db, std::string& failure) {
    if (db.SetPath(run.settings.dbFolderUtf8.c_str(), 0) != 1) {
        failure = "no database folder";
        return -8;
    }
    const int opened = db.Initialization();
    if (opened != 1)
        failure = "the databases in " + run.settings.dbFolderUtf8 + " cannot be opened (result " +
                  std::to_string(opened) + ": " + OrEmpty(db.GetErrorName()) + " " + OrEmpty(db.GetErrorText()) + ")";
    return opened;
}
}  // namespace

int ReportFailure(CPmsRun& run, const char* command, const std::string& failure) {
    *run.err << "qlopms: " << command << ": " << TerminalText(failure) << "\n";
    return 1;
}

int RunCheck(CPmsRun& run) {
    CJiraConnection connection(run.settings, run.password);
    if (connection.Login() != 1) return ReportFailure(run, "check", connection.Failure());
    CJIRACheckAuth session;
    if (connection.Run(session, "the session check") != 1) return ReportFailure(run, "check", connection.Failure());
    *run.out << "the session works: logged in to " << run.settings.serverUrl << " as " << run.settings.userName << "\n";
    return 0;
}

int RunSync(CPmsRun& run) {
    CJiraConnection connection(run.settings, run.password);
    if (connection.Login() != 1) return ReportFailure(run, "sync", connection.Failure());
    CBaseStorage<CDBProject> projects;
    CBaseStorage<CDBTask> tasks;
    std::string failure;
    if (FetchJiraCatalogue(connection, projects, tasks, failure) != 1) return ReportFailure(run, "sync", failure);

    CDBManager db;
    if (OpenCatalogue(run, db, failure) != 1) return ReportFailure(run, "sync", failure);
    std::vector<CSyncChange> changes;
    const int synced = SyncCatalogue(db, projects, tasks, run.now, changes, failure);
    int added = 0, changed = 0;
    for (const CSyncChange& change : changes) {
        *run.out << NarrowTerminalText(DescribeChange(change).c_str()) << "\n";
        if (change.kind == CSyncChange::Kind::RenamedTask || change.kind == CSyncChange::Kind::UpdatedTask)
            ++changed;
        else if (change.kind != CSyncChange::Kind::SkippedTask)
            ++added;
    }
    if (added + changed > 0 && run.reloadRules) {
        std::string message;
        if (run.reloadRules(message) == 0) *run.out << "the running collector reloads its rules\n";
    }
    if (synced != 1) return ReportFailure(run, "sync", failure);
    *run.out << "sync: " << projects.Count() << " projects and " << tasks.Count() << " issues read; " << added
             << " added, " << changed << " changed\n";
    return 0;
}
