#pragma once
// Keeps a failure that comes back at every check (no window in front, no X
// display, a disk that stays full) from writing an error line a second.
//
// The first occurrence of a run is logged as usual; while the same failure
// (the same line) goes on, at most one line an hour says how often it came
// since the last line; when it ends, or another code takes its place, one
// line says how often it came since the last line. Times are the clock
// service's tick counts (milliseconds, wrapping).
// Not thread-safe: one instance per place that reports, used by one thread
// at a time.

#include <cstdint>
#include <string>

class CRepeatedFailure {
public:
    enum class Verdict {
        First,    // the first of a run: log the failure's own line
        Quiet,    // counted, nothing to log
        StillOn,  // an hour since the last line: log the count
    };

    // The failure `line` came at `tickMs`. Call EndRun first when it is
    // another line than the run's (see InRun, Line).
    Verdict Occurred(const std::string& line, uint32_t tickMs);
    // Ends the run: the occurrences since its last line (0: nothing to log).
    int EndRun();
    // Occurrences since the last line; reset by the StillOn line's taking it.
    int TakeCount();

    bool InRun() const { return m_inRun; }
    const std::string& Line() const { return m_line; }

private:
    bool m_inRun = false;
    std::string m_line;
    int m_count = 0;
    uint32_t m_lastLineTick = 0;
};
