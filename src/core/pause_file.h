#pragma once
// The pause of the capture in force, kept beside the databases so that it
// outlasts a restart of the collector and of the computer: the copies
// "QLOCollector.pause.0" and ".1" of a CDurableFile in the database folder,
// holding one line, "pause SINCE UNTIL" (packed local times) or "none".
//
// The collector writes it when a pause begins or ends and reads it at the
// start; the review page reads it to show the state.
// Not thread-safe: one owner calls it.

#include <cstdint>
#include <string>

#include "platform/durable_file.h"

struct CPauseState {
    int64_t since = 0;  // when the pause began
    int64_t until = 0;  // when it ends; 0: no pause
};

class CPauseFile {
public:
    void SetFolder(const std::string& folder, char separator);
    // Before SetFolder there is no file: Read gives 0, Write 0.
    // 1 `state` read (until 0: none); 0 there is no file; -1 no copy is whole
    // or its line is not one of the above (`state` then holds no pause).
    int Read(CPauseState& state);
    // 1 written and flushed; 0 failed.
    int Write(const CPauseState& state);

private:
    CDurableFile m_file;
};

// The end of a pause of `seconds` that begins at the packed local time
// `now`: that many seconds of wall-clock time later, or with 0 seconds the
// start of the next day.
int64_t PauseEndOf(int64_t now, int64_t seconds);
