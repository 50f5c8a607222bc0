#pragma once
// The values the curation library takes and gives: plain structs of numbers
// and UTF-8 strings, so that the command line prints them and the review
// page serialises them without knowing the collector's record classes.
//
// Dates are packed local time stamps (YYYYMMDDhhmmss, see
// sensing/time_stamp.h); durations are seconds. A stored row is named by its
// month (the packed first second of the month of its activity file) and its
// Id_Activity in that file.

#include <cstdint>
#include <string>
#include <vector>

// Results of every operation of CCuration.
namespace curation {
inline constexpr int kDone = 1;
inline constexpr int kNothing = 0;   // nothing to do or nothing found (no row, no edit)
inline constexpr int kRefused = -2;  // the input was refused; LastError names what and why
inline constexpr int kBusy = -3;     // a file stayed busy longer than the busy limit
inline constexpr int kFailed = -1;   // a file could not be read or written; LastError names it
}  // namespace curation

struct CProjectInfo {
    int32_t id = 0;
    std::string name;
    bool hidden = false;  // Deleted set: kept for the rows that name it, offered no more
};

struct CTaskInfo {
    int32_t id = 0;
    int32_t projectId = 0;
    std::string name;
    bool hidden = false;
    bool isDefault = false;  // the task given to what no rule accepts
};

// A categorisation rule as a person writes it. Every condition left empty or
// 0 takes no part; a rule needs at least one.
struct CRuleSpec {
    int32_t id = 0;  // 0 for a new rule
    int32_t projectId = 0;
    int32_t taskId = 0;       // must belong to projectId
    int32_t programId = 0;    // the recorded program (sys.db T_Apps) that must be in front
    std::string path;         // words that must all occur in the program's path or file name
    std::string title;        // words that must all occur in the window title
    int32_t siteId = 0;       // the recorded site (sys.db T_Sites)
    std::string address;      // words that must all occur in the web address
    std::string type;         // "" any, or one of "active", "idle", "locked", "offline"
    int32_t periodStart = 0;  // the engine's raw period bounds; both non-zero to count
    int32_t periodFinish = 0;
    int priority = 0;  // 0 to 31; a higher priority wins over more matched conditions
    bool inForce = true;
};

// A stored rule with the names behind its ids (filled when listed).
struct CRuleInfo {
    CRuleSpec rule;
    std::string project, task, program, site;
};

// One stored row as the curation views show it.
struct CRowInfo {
    int64_t month = 0;
    int64_t id = 0;
    int64_t start = 0, finish = 0, seconds = 0;
    int32_t type = 0;  // 1 active, 2 idle, 3 locked, 4 offline
    std::string title, program, address;
    int32_t projectId = 0, taskId = 0;  // as stored now
    std::string project, task;
};

// Time per project and task, before and after a change.
struct CTotalChange {
    int32_t projectId = 0, taskId = 0;
    std::string project, task;
    int64_t before = 0, after = 0;  // seconds
};

// What a rule would catch in a range: every row it accepts (the engine's
// own test of that rule alone), with what each is now and what the whole
// rule set with this rule would make of it.
struct CPreviewRow {
    CRowInfo row;
    int32_t newProjectId = 0, newTaskId = 0;
    std::string newProject, newTask;
    bool changes = false;  // an apply would change it (Active and Idle rows only)
};
struct CPreview {
    std::vector<CPreviewRow> rows;  // oldest first, at most the limit asked for
    int64_t caughtRows = 0;         // all caught rows, also those beyond the limit
    int64_t caughtSeconds = 0;
    int64_t changingRows = 0;
    int64_t changingSeconds = 0;
};

// A program, title or site holding Uncategorized time.
struct CUncategorizedItem {
    std::string kind;  // "program", "title" or "site"
    int32_t id = 0;    // program or site id; 0 for a title
    std::string text;  // file name, title or address
    int64_t seconds = 0;
    int64_t rows = 0;
};

// An apply (or its dry run): the rows of the range it re-categorises.
struct CApplyResult {
    int64_t editId = 0;  // 0 for a dry run or when nothing changed
    int64_t checkedRows = 0, changedRows = 0, changedSeconds = 0;
    std::vector<CTotalChange> totals;  // per project and task, largest first
};

// One entry of the edit log.
struct CEditInfo {
    int64_t id = 0;
    int64_t made = 0;     // when it was made (packed)
    std::string kind;     // "assign", "apply", "project", "task", "rule"
    std::string summary;  // one line saying what it did
    std::string state;    // "done", "undone", "forgotten" (its rows were forgotten whole)
    int64_t rows = 0;     // activity rows it changed
    int64_t undoneAt = 0;
};

// What a forget did.
struct CForgetResult {
    int64_t rows = 0;  // stored rows rewritten
    // Activities the collector held (in progress, waiting) that changed; -1
    // when the running collector did it (its log says how many).
    int64_t held = 0;
    std::string collector;        // one line: how those were reached
    int64_t sitesCleared = 0;     // site addresses no row or rule uses any more, cleared
    int64_t editRowsCleared = 0;  // row entries taken out of the edit log
};

// A stored row by its file and id.
struct CRowRef {
    int64_t month = 0;
    int64_t id = 0;
};
