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
// Not thread-safe: one thread opens, polls and processes it.

#include <systemd/sd-bus.h>

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
    CSessionLockWatch() = default;
    ~CSessionLockWatch();
    CSessionLockWatch(const CSessionLockWatch&) = delete;
    CSessionLockWatch& operator=(const CSessionLockWatch&) = delete;

    // Connects to the system bus, finds the session and reads its hint.
    // Results: 1 watching; -7 already open; -8 no system bus; -52 no session
    // known, or logind does not answer for it. On failure the watch stays
    // closed and FailureText() says what went wrong.
    int Open();
    void Close();
    bool IsOpen() const { return m_bus != nullptr; }
    const std::string& FailureText() const { return m_failure; }
    // The object path of the session watched ("" when closed).
    const std::string& SessionPath() const { return m_sessionPath; }
    // The hint as last seen.
    bool IsLocked() const { return m_locked; }

    // What to poll: the connection's descriptor (-1 when closed), the poll
    // events it waits for, and the milliseconds until the connection needs
    // Process even without traffic (-1: no limit).
    int Fd() const;
    short Events() const;
    int TimeoutMs() const;

    // Handles everything that arrived; calls the listener once per change of
    // the hint, in order. 1 fine; -8 the connection broke: the watch closes
    // itself and FailureText() says why.
    int Process(CSessionLockListener& listener);

private:
    static int OnPropertiesChanged(sd_bus_message* message, void* self, sd_bus_error* error);
    bool ReadHint(bool& locked);
    void Fail(const std::string& text, int error);
    void Apply(bool locked);

    sd_bus* m_bus = nullptr;
    sd_bus_slot* m_match = nullptr;
    std::string m_sessionPath;
    std::string m_failure;
    bool m_locked = false;
    CSessionLockListener* m_listener = nullptr;  // set while Process runs
};
