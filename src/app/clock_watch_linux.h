#pragma once
// Notice of changes of the system clock: a timerfd on the real-time clock,
// armed for the end of time with TFD_TIMER_CANCEL_ON_SET, so that it never
// expires and becomes readable exactly when the clock is set (by the user,
// an administrator or a time service stepping it), not when it runs on
// normally or is slewed.
//
// Use: poll Fd() for reading; when it is readable call TakeChange(), which
// says whether the clock was set and arms the watch again.
// Not thread-safe: one thread polls it.

class CClockWatch {
public:
    CClockWatch() = default;
    ~CClockWatch();
    CClockWatch(const CClockWatch&) = delete;
    CClockWatch& operator=(const CClockWatch&) = delete;

    // Creates and arms the timer. 1 armed; -8 the timer could not be made
    // (errno tells why); -7 already open.
    int Open();
    // The descriptor to poll, -1 before Open.
    int Fd() const { return m_fd; }
    // Reads the timer without waiting: true when the clock was set since the
    // last call (the watch is then armed again); false when nothing happened.
    bool TakeChange();

private:
    bool Arm();

    int m_fd = -1;
};
