#pragma once
// A clock that tests set and advance. Sleeping advances it instead of waiting,
// so retry pauses cost no real time. Installs itself as the process-wide clock
// for its lifetime and restores the previous one when destroyed.
// Thread-safe: the worker thread may read it while the test advances it.

#include <cstdint>
#include <mutex>

#include "platform/clock.h"

class CFakeClock : public CClockService {
public:
    explicit CFakeClock(const CLocalTime& start = {2026, 12, 7, 9, 0, 0, 0});
    ~CFakeClock() override;
    CFakeClock(const CFakeClock&) = delete;
    CFakeClock& operator=(const CFakeClock&) = delete;

    // Sets the wall time (the tick count keeps running unchanged, as when a
    // user changes the system clock).
    void Set(const CLocalTime& time);
    // Moves wall time and tick count forward.
    void Advance(int64_t milliseconds);
    // Total milliseconds passed to Sleep so far.
    int64_t SleptMilliseconds() const;

    CLocalTime LocalTime() override;
    uint32_t TickCount() override;
    void Sleep(uint32_t milliseconds) override;

private:
    mutable std::mutex m_mutex;
    int64_t m_wallMs = 0;  // milliseconds since 1970-01-01 00:00 of the local calendar
    uint32_t m_tick = 1000000;
    int64_t m_slept = 0;
    CClockService* m_previous = nullptr;
};

// Packed-calendar helpers for tests: milliseconds since 1970-01-01 local.
int64_t LocalTimeToMs(const CLocalTime& time);
CLocalTime MsToLocalTime(int64_t milliseconds);
