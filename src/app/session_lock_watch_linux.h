#pragma once
// Locking and unlocking of the user's session, as logind publishes it: the
// "LockedHint" property of the session's object on the system bus, which the
// screen locker sets while the screen is locked. The watch reads it once and
// then follows its PropertiesChanged signals.
//
// The session: $XDG_SESSION_ID, else the login session of this process,
// else the user's graphical session (the one a service started by the
// user's service manager belongs to, as it runs outside any session).
// The system bus: sd_bus_open_system, which honours $DBUS_SYSTEM_BUS_ADDRESS.
//
// Use: Open, then poll Fd() for Events() with TimeoutMs() and call Process
// after every wake-up; it reports each change of the hint to the listener.
//
// Once open, the watch outlives the loss of the bus (the bus daemon or
// logind restarted): the session then counts as unlocked (reported as an
// unlock when it was locked, so that no Locked row runs on unseen), and the
// watch reopens itself after 1 s, then after twice as long each time it
// fails, at most kMaxRetryMs apart; the hint it finds then is reported as
// a change like any other. Every call to the bus waits at most
// kCallTimeoutMs for its answer.
// Not thread-safe: one thread opens, polls and processes it.

#include <systemd/sd-bus.h>

#include <cstdint>
#include <string>

class CSessionLockListener {
public:
    // The session was locked (true) or unlocked (false).
    virtual void OnSessionLocked(bool locked) = 0;

protected:
    ~CSessionLockListener() = default;
};

class CSessionLockWatch {
public:
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kMaxRetryMs = 60000;
    static constexpr int kCallTimeoutMs = 2000;

    CSessionLockWatch() = default;
    ~CSessionLockWatch();
    CSessionLockWatch(const CSessionLockWatch&) = delete;
    CSessionLockWatch& operator=(const CSessionLockWatch&) = delete;

    // Connects to the system bus, finds the session and reads its hint.
    // Results: 1 watching; -7 already open; -8 no system bus; -52 no session
    // known, or logind does not answer for it. On failure the watch stays
    // closed (and is not retried) and FailureText() says what went wrong.
    int Open();
    // Closes the connection; the watch is not reopened.
    void Close();
    bool IsOpen() const { return m_bus != nullptr; }
    // Open, or waiting to reopen after the bus was lost.
    bool IsWatching() const { return m_bus != nullptr || m_reopening; }
    const std::string& FailureText() const { return m_failure; }
    // The object path of the session watched ("" when closed).
    const std::string& SessionPath() const { return m_sessionPath; }
    // The hint as last seen.
    bool IsLocked() const { return m_locked; }

    // What to poll: the connection's descriptor (-1 when closed), the poll
    // events it waits for, and the milliseconds until the connection (or the
    // next attempt to reopen it) needs Process even without traffic (-1: no
    // limit).
    int Fd() const;
    short Events() const;
    int TimeoutMs() const;

    // Handles everything that arrived, or reopens the watch when that is
    // due; calls the listener once per change of the hint, in order.
    // Results: 1 fine; -8 the connection broke just now (FailureText() says
    // why; a locked session was reported unlocked), or the watch is closed;
    // 2 the watch was reopened.
    int Process(CSessionLockListener& listener);

private:
    static int OnPropertiesChanged(sd_bus_message* message, void* self, sd_bus_error* error);
    // The connection, the session and its hint; on failure closed again.
    int Connect(bool& locked);
    void Disconnect();
    bool ReadHint(bool& locked);
    void Fail(const std::string& text, int error);
    void Apply(bool locked);
    // The next attempt to reopen, and the pause after that one.
    void ScheduleReopen();

    sd_bus* m_bus = nullptr;
    sd_bus_slot* m_match = nullptr;
    std::string m_sessionPath;
    std::string m_failure;
    bool m_locked = false;
    CSessionLockListener* m_listener = nullptr;  // set while Process runs
    bool m_reopening = false;
    int m_retryMs = kFirstRetryMs;
    int64_t m_reopenAtMs = 0;  // on the monotonic clock
};
