#pragma once
// The review page's JSON answers. Each request is turned into calls of the
// curation library (the same calls the rules command line makes) and its
// result into JSON; the page's script renders it. Nothing here knows HTTP:
// the server hands over the path, the query parameters and the body.
//
// Reads (GET):
//   /api/day?date=YYYY-MM-DD  the stored rows of that day (Rows), the
//                             activity in progress from the collector's
//                             checkpoint when it started that day, the
//                             projects and tasks, and "version"
//   /api/status               {"version"}: changes whenever the day view may
//                             have (a row stored, the activity in progress
//                             moved on, an edit made or undone)
//   /api/catalogue            projects, tasks and rules
//   /api/uncategorized?from=D&to=D
//   /api/edits                the edit log, newest first
//   /api/pause                the collector's pause (page_pause.h)
// Changes and previews (POST, a JSON object as body):
//   /api/preview   {rule, from, to}            what the rule would catch
//   /api/apply     {from, to, dryRun}          re-categorise with the rules
//   /api/assign    {rows:[{month,id}], projectId, taskId}
//   /api/rule      {rule} (id 0 adds, else changes); /api/rule/remove {id}
//   /api/project   {name}; /api/task {projectId, name}
//   /api/undo      {id} (0: the newest edit)
//   /api/pause     {duration} ("30m", "1h30m"; "" to the end of the day);
//   /api/resume    {}: sent to the running collector (page_pause.h)
// Values are those of curation/curation_json.h (a rule is a CRuleSpec; its
// program and site may also be named: "programName", "siteName"). Dates are
// "YYYY-MM-DD"; a range ends with the end of its last day, or now when that
// is later; a range starting after now is refused.
// Status: 200 done (a "nothing" member when nothing was to do), 400 bad input
// or refused by the library ({"error"}), 404 unknown path, 503 a file stayed
// busy or the collector did not take a pause or resume, 500 a file could not be read or written. Texts are UTF-8,
// bounded by the collector's fields; invalid bytes are replaced.
//
// Thread-safe: one request at a time runs (the library is used by one
// thread); the server's threads wait for each other here.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "curation/curation.h"

struct CPageAnswer {
    int status = 200;
    std::string body;  // JSON
};

class CPageApi {
public:
    // `folder`: the collector's database folder (UTF-8). `now`: the packed
    // present; by default the clock service.
    explicit CPageApi(std::string folder, std::function<int64_t()> now = nullptr);
    // Opens the curation library on the folder. 1; 0 with the reason in `error`.
    int Open(std::string& error);

    CPageAnswer Get(const std::string& path, const std::map<std::string, std::string>& params);
    CPageAnswer Post(const std::string& path, const std::string& body);

private:
    std::string m_folder;
    std::function<int64_t()> m_now;
    std::mutex m_lock;
    CCuration m_curation;
};
