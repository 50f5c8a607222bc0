#pragma once
// Brings JIRA's projects and issues into the collector's catalogue, through
// the database manager only.
//
// A JIRA project or issue is known by its JIRA id (ExternalPMSType 1 and
// ExternalId), never by its name, so that renaming it in JIRA renames the
// row instead of adding another, and the ids that recorded activities and
// rules refer to stay. Rules:
//   - a project not in the catalogue is added;
//   - an issue not in the catalogue is added as a task of its project;
//   - an issue whose summary, description, key, status or project changed has
//     its task rewritten (renamed when the summary changed);
//   - nothing is ever removed: an issue that left the search keeps its task
//     (its recorded time stays valid), and a task the user deleted stays
//     deleted;
//   - an issue whose project is not in the catalogue is skipped and reported.
// Running it again with the same answers changes nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "storage/base_storage.h"
#include "storage/db_manager.h"
#include "storage/db_project.h"
#include "storage/db_task.h"

struct CSyncChange {
    enum class Kind { AddedProject, AddedTask, RenamedTask, UpdatedTask, SkippedTask };
    Kind kind;
    std::string key;           // the JIRA key
    std::string name;          // the project's name or the summary
    std::string previousName;  // RenamedTask: the task's name before
};

// Applies the rules above with `now` (packed) as the creation date of new
// rows, and lists in `changes` what it did, in the order done. `db` is
// initialised. 1 (also with skipped issues); else the failing storage
// operation's result, with `failure` naming it (what was done before stays).
int SyncCatalogue(CDBManager& db, const CBaseStorage<CDBProject>& jiraProjects, const CBaseStorage<CDBTask>& jiraTasks,
                  int64_t now, std::vector<CSyncChange>& changes, std::string& failure);

// One line for a change: "added task QLO-1: Fix the login".
std::string DescribeChange(const CSyncChange& change);
