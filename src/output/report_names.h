#pragma once
// The names behind the ids of a report, as UTF-8: projects and tasks by
// name, programs by file name, sites by address, users as domain\name and
// activity types by their names. An id the catalogue does not know shows as
// "#<id>"; id 0 as "(none)".

#include <cstdint>
#include <string>

#include "storage/activity_reader.h"

// "project", "task", "app", "site", "user", "type": the word of --by.
const char* GroupingWord(ReportGrouping by);
// "Project", "Task", "Program", "Site", "User", "Type": a column heading.
const char* GroupingHeading(ReportGrouping by);
// "None", "Active", "Idle", "Locked", "Offline"; "Type <n>" for others.
std::string ActivityTypeName(int32_t type);
// The name of a group of a report query.
std::string GroupName(const CCatalogue& catalogue, ReportGrouping by, int32_t id);
// The task's own name (without its project); "#<id>" when unknown or unnamed.
std::string TaskName(const CCatalogue& catalogue, int32_t taskId);
// "Project / Task", or the project alone when the task is 0.
std::string ProjectTaskName(const CCatalogue& catalogue, int32_t projectId, int32_t taskId);
