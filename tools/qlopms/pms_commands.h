#pragma once
// The commands of qlopms, each run with everything it needs handed in, so
// that tests run them in-process against a local server and temporary
// folders. Each returns the program's exit status (0 done; 1 a failure, or
// nothing to do where that is an answer) and writes its results to `out`
// and its failures, one line each and prefixed "qlopms: ", to `err`, as
// UTF-8 with the texts of JIRA and the databases escaped for a terminal.
//
// The password is used for the login only and never written anywhere.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "qlopms/pms_settings.h"

struct CPmsRun {
    CPmsSettings settings;
    std::string password;
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    // Asks a running collector to reload its rules: 0 done; 1 none runs or it
    // could not be asked; `message` says which.
    std::function<int(std::string& message)> reloadRules;
    int64_t now = 0;  // packed local time
};

// Writes "qlopms: <command>: <failure>" to run.err, control characters
// escaped (a failure may quote a JIRA answer); 1, the exit status of a failure.
int ReportFailure(CPmsRun& run, const char* command, const std::string& failure);

// Logs in and checks the session; says whether it works, or why not.
int RunCheck(CPmsRun& run);
// Logs in, reads the projects and every page of the issue search, and brings
// them into the catalogue (catalogue_sync.h); prints each change and a
// summary; when something changed, asks a running collector to reload.
int RunSync(CPmsRun& run);
// The drafts of `day` (packed 00:00:00) as a table to review, with what was
// posted already; 1 when the day has no time on JIRA issues. With `post`,
// logs in and posts what is not posted yet (worklog_post.h).
int RunWorklog(CPmsRun& run, int64_t day, bool post);
// 0 when the worklog reminder is due: switched on, its time of day passed
// (run.now) and today's drafts hold time not posted yet; else 1.
int RunWorklogDue(CPmsRun& run);
