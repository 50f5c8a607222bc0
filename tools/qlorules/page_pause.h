#pragma once
// The review page's pause control: the collector's pause as its pause file
// (core/pause_file.h) in the database folder says, and pause and resume
// requests sent to the running collector (control/collector_control.h).
//
// A request is answered once the collector has taken it, which it shows by
// writing the pause file: the answer is then the state the file holds, as
// for PauseState. The wait for it is bounded (10 s).
//
// State: {"paused": bool, "since": stamp, "until": stamp} (packed local
// times; 0 when not paused). A pause whose end has passed counts as none.
// Answers: 200 the state; 400 a length that cannot be read
// (control/pause_duration.h); 503 no collector runs, or it did not take the
// request in time ({"error"}).
// Not thread-safe: the page API calls it under its lock.

#include <cstdint>
#include <string>

#include "qlorules/page_api.h"

CPageAnswer PauseState(const std::string& folder, int64_t now);
// `duration` "" pauses until the end of the day.
CPageAnswer PauseRequest(const std::string& folder, const std::string& duration, int64_t now);
CPageAnswer ResumeRequest(const std::string& folder, int64_t now);
