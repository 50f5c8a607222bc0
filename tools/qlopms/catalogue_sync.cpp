#include "qlopms/catalogue_sync.h"

#include <cstring>
#include <map>

#include "pms/pms_response_parser.h"

namespace {
template <class T>
std::vector<T> Records(const CBaseStorage<T>& list) {
    std::vector<T> out(static_cast<size_t>(list.Count()));
    for (int32_t i = 0; i < list.Count(); ++i)
        list.Pop(i, out[static_cast<size_t>(i)]);
    return out;
}

// The catalogue's rows linked to JIRA by JIRA id; a live row wins over a
// deleted one, an older row over a newer one.
template <class T>
std::map<int32_t, T> LinkedRows(const std::vector<T>& rows) {
    std::map<int32_t, T> linked;
    for (const T& row : rows) {
        if (row.GetExternalPMSType() != kJiraPMSType) continue;
        const auto [found, added] = linked.emplace(row.GetExternalId(), row);
        if (!added && found->second.GetDeleted() > 0 && row.GetDeleted() == 0) found->second = row;
    }
    return linked;
}

bool SameText(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

int StorageFailure(const char* what, const std::string& name, int result, std::string& failure) {
    failure = std::string(what) + " \"" + name + "\" could not be stored (result " + std::to_string(result) + ")";
    return result;
}

// The local project ids of the JIRA projects, adding those that are missing.
int SyncProjects(CDBManager& db, const std::vector<CDBProject>& jira, int64_t now, std::map<int32_t, int32_t>& localIds,
                 std::vector<CSyncChange>& changes, std::string& failure) {
    CBaseStorage<CDBProject> stored;
    int result = db.GetProjects(stored);
    if (result != 1) return StorageFailure("the catalogue's projects", "", result, failure);
    const std::map<int32_t, CDBProject> linked = LinkedRows(Records(stored));
    bool added = false;
    for (CDBProject project : jira) {
        if (linked.count(project.GetExternalId())) continue;
        project.SetCreateDate(now);
        result = db.AddProject(project);
        if (result != 1) return StorageFailure("the project", project.GetName(), result, failure);
        changes.push_back({CSyncChange::Kind::AddedProject, project.GetExternalKey(), project.GetName(), ""});
        added = true;
    }
    if (added) {
        // New projects get their ids only in the table.
        stored.Clear();
        result = db.GetProjects(stored);
        if (result != 1) return StorageFailure("the catalogue's projects", "", result, failure);
    }
    for (const auto& [externalId, project] : LinkedRows(Records(stored)))
        localIds[externalId] = project.GetId();
    return 1;
}
}  // namespace

int SyncCatalogue(CDBManager& db, const CBaseStorage<CDBProject>& jiraProjects, const CBaseStorage<CDBTask>& jiraTasks,
                  int64_t now, std::vector<CSyncChange>& changes, std::string& failure) {
    std::map<int32_t, int32_t> projectIds;
    int result = SyncProjects(db, Records(jiraProjects), now, projectIds, changes, failure);
    if (result != 1) return result;

    CBaseStorage<CDBTask> stored;
    result = db.GetTasks(stored);
    if (result != 1) return StorageFailure("the catalogue's tasks", "", result, failure);
    const std::map<int32_t, CDBTask> linked = LinkedRows(Records(stored));
    for (CDBTask issue : Records(jiraTasks)) {
        const auto project = projectIds.find(issue.GetExternalProjectId());
        if (project == projectIds.end()) {
            changes.push_back({CSyncChange::Kind::SkippedTask, issue.GetExternalKey(), issue.GetName(), ""});
            continue;
        }
        issue.SetProjectId(project->second);
        const auto known = linked.find(issue.GetExternalId());
        if (known == linked.end()) {
            issue.SetCreateDate(now);
            result = db.AddTask(issue);
            if (result != 1) return StorageFailure("the task", issue.GetExternalKey(), result, failure);
            changes.push_back({CSyncChange::Kind::AddedTask, issue.GetExternalKey(), issue.GetName(), ""});
            continue;
        }
        const CDBTask& task = known->second;
        if (task.GetDeleted() > 0) continue;
        const bool renamed = !SameText(task.GetName(), issue.GetName());
        const bool changed = renamed || !SameText(task.GetDescription(), issue.GetDescription()) ||
                             !SameText(task.GetExternalKey(), issue.GetExternalKey()) ||
                             !SameText(task.GetExternalStatusName(), issue.GetExternalStatusName()) ||
                             task.GetExternalStatus() != issue.GetExternalStatus() ||
                             task.GetProjectId() != issue.GetProjectId();
        if (!changed) continue;
        issue.SetId(task.GetId());
        result = db.UpdateTask(issue);
        if (result != 1) return StorageFailure("the task", issue.GetExternalKey(), result, failure);
        changes.push_back({renamed ? CSyncChange::Kind::RenamedTask : CSyncChange::Kind::UpdatedTask,
                           issue.GetExternalKey(), issue.GetName(), task.GetName()});
    }
    return 1;
}

std::string DescribeChange(const CSyncChange& change) {
    switch (change.kind) {
        case CSyncChange::Kind::AddedProject:
            return "added project " + change.key + ": " + change.name;
        case CSyncChange::Kind::AddedTask:
            return "added task " + change.key + ": " + change.name;
        case CSyncChange::Kind::RenamedTask:
            return "renamed task " + change.key + ": \"" + change.previousName + "\" is now \"" + change.name + "\"";
        case CSyncChange::Kind::UpdatedTask:
            return "updated task " + change.key + ": " + change.name;
        case CSyncChange::Kind::SkippedTask:
            return "skipped " + change.key + ": its project is not among the projects JIRA lists";
    }
    return {};
}
