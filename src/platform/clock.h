#pragma once
// The clock service: local wall time with milliseconds, a millisecond tick
// count, and sleeping. Every time stamp and every pause of the collector goes
// through it, so that tests drive the system across midnight, month ends and
// clock changes with a fake clock instead of waiting.

#include <cstdint>

// A local wall-clock time, as the operating system reports it.
struct CLocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
    // How far this local time is ahead of UTC, in seconds (3600 for CET,
    // 7200 for CEST); it changes at the changes of daylight saving time.
    int utcOffsetSeconds = 0;
};

class CClockService {
public:
    virtual ~CClockService() = default;
    // The local time now, with its offset from UTC.
    virtual CLocalTime LocalTime() = 0;
    // Milliseconds since an arbitrary origin (system start on Windows); wraps at 2^32.
    virtual uint32_t TickCount() = 0;
    // Suspends the calling thread for at least `milliseconds`.
    virtual void Sleep(uint32_t milliseconds) = 0;
};

// The process-wide clock (the operating system's unless a test replaced it).
CClockService& Clock();
// Installs `clock` (nullptr: the operating system's) and returns the previous one.
CClockService* SetClock(CClockService* clock);
