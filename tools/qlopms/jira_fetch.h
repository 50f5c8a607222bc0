#pragma once
// Reads from JIRA what the catalogue links to: the projects the user can see
// and every page of the issues assigned to the user.

#include <string>

#include "qlopms/jira_connection.h"
#include "storage/base_storage.h"
#include "storage/db_project.h"
#include "storage/db_task.h"

// Runs the project list and the issue search page after page (each from the
// issue after the last one received, until the search's total is reached or
// a page comes back empty) and appends what the parsers make of them. Needs
// an open session. 1; else the failing request's or parser's result, with
// `failure` saying which.
int FetchJiraCatalogue(CJiraConnection& connection, CBaseStorage<CDBProject>& projects, CBaseStorage<CDBTask>& tasks,
                       std::string& failure);
