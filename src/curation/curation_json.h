#pragma once
// The curation values as JSON (nlohmann/json), one form for the command
// line's --format json and the review page: every struct becomes an object
// with its field names; a rule is also read back from one (missing fields
// keep their defaults). Texts are UTF-8; a dump of them must replace bytes
// that are not (error_handler_t::replace), as stored titles may hold any.

#include <nlohmann/json.hpp>

#include "curation/curation_types.h"

NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CProjectInfo, id, name, hidden)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CTaskInfo, id, projectId, name, hidden, isDefault)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(CRuleSpec, id, projectId, taskId, programId, path, title, siteId,
                                                address, type, periodStart, periodFinish, priority, inForce)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CRuleInfo, rule, project, task, program, site)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CRowInfo, month, id, start, finish, seconds, type, title, program, address,
                                   projectId, taskId, project, task)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CTotalChange, projectId, taskId, project, task, before, after)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CPreviewRow, row, newProjectId, newTaskId, newProject, newTask, changes)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CPreview, rows, caughtRows, caughtSeconds, changingRows, changingSeconds)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CUncategorizedItem, kind, id, text, seconds, rows)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CApplyResult, editId, checkedRows, changedRows, changedSeconds, totals)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CEditInfo, id, made, kind, summary, state, rows, undoneAt)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CRowRef, month, id)
