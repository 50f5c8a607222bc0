#pragma once
// A clock that tests set and advance. Sleeping advances it instead of waiting,
// so retry pauses cost no real time. Installs itself as the process-wide clock
// for its lifetime and restores the previous one when destroyed.
//
// Its local time is UTC unless UseBerlinTime() gives it the rules of the
// zone Europe/Berlin (CET, UTC+1; CEST, UTC+2 from 01:00 UTC on the last
// Sunday of March to 01:00 UTC on the last Sunday of October), so that tests
// cross the changes of daylight saving time without touching the machine's
// time zone. Underneath, the clock runs on UTC: Advance and Sleep move it on
// in elapsed time.
// Thread-safe: the worker thread may read it while the test advances it.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/clock.h"

class CFakeClock : public CClockService {
public:
    explicit CFakeClock(const CLocalTime& start = {2026, 12, 7, 9, 0, 0, 0});
    ~CFakeClock() override;
    CFakeClock(const CFakeClock&) = delete;
    CFakeClock& operator=(const CFakeClock&) = delete;

    // Sets the wall time (the tick count keeps running unchanged, as when a
    // user changes the system clock). A local time that occurs twice (the
    // autumn change) is taken the first time; one that does not occur (the
    // spring change) an hour later.
    void Set(const CLocalTime& time);
    // Local time follows Europe/Berlin from now on; the local time shown stays.
    void UseBerlinTime();
    // Sets the tick count (the wall time stays).
    void SetTickCount(uint32_t tick);
    // Moves wall time and tick count forward.
    void Advance(int64_t milliseconds);
    // Total milliseconds passed to Sleep so far.
    int64_t SleptMilliseconds() const;
    // The next Sleep call of another thread than the caller's is held there
    // (a worker held in the middle of its work) until ReleaseSleep.
    // WaitForHeldSleep: true once one is held (at most `limitMs` of real time).
    void HoldSleep();
    bool WaitForHeldSleep(int limitMs);
    void ReleaseSleep();

    CLocalTime LocalTime() override;
    uint32_t TickCount() override;
    void Sleep(uint32_t milliseconds) override;

private:
    // The offset of local time from UTC at `utcMs`, in seconds.
    int OffsetAt(int64_t utcMs) const;
    int64_t UtcFromLocal(int64_t localMs) const;

    mutable std::mutex m_mutex;
    int64_t m_utcMs = 0;  // milliseconds since 1970-01-01 00:00 UTC
    bool m_berlin = false;
    uint32_t m_tick = 1000000;
    int64_t m_slept = 0;
    std::condition_variable m_holdChanged;
    std::thread::id m_holdSetter;
    bool m_holdArmed = false, m_held = false;
    CClockService* m_previous = nullptr;
};

// Packed-calendar helpers for tests: milliseconds since 1970-01-01 local.
int64_t LocalTimeToMs(const CLocalTime& time);
CLocalTime MsToLocalTime(int64_t milliseconds);
