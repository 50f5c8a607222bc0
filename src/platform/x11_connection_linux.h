#pragma once
// The desktop service's one connection to an X display.
//
// Opened on first use and opened again when it was lost (the X server went
// away) or could not be opened (no DISPLAY, server unreachable); a new
// attempt is made at most every kReopenIntervalMs, so a collector started
// before the display, or one that outlives an X server restart, finds it
// again without paying for a connect attempt on every tick.
//
// X errors never end the process: a request about a window that vanished in
// the meantime draws an X error (BadWindow), which the process-wide error
// handler records for the session that made the request; a broken connection
// is recorded the same way and closed when the session ends. Errors of other
// displays of the process go to the handlers that were installed before.
//
// Thread safety: Xlib's own locking is switched on (XInitThreads) before the
// first display is opened. On top of it every sequence of requests runs in a
// CX11Session, which holds the connection's mutex: one connection is shared
// by every thread that captures (no connection per thread to open, leak or
// reopen), and an X error is always attributed to the request that caused it.
// Requests that wait for a reply report their own errors; requests sent
// without waiting (selecting a window's events, creating idle alarms) may draw
// an error later, which is dropped: it belongs to no request that is waiting.
//
// Events: the server's events for this connection (the desktop service asks
// for some) are taken without waiting, inside a session (NextEvent). A
// connection opened again gets a new Generation(), so that what was asked of
// the previous server is asked again.

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/extensions/sync.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The atoms the desktop service reads, interned once per connection.
struct CX11Atoms {
    Atom netActiveWindow = None;
    Atom netWmName = None;
    Atom netWmPid = None;
    Atom netClientListStacking = None;
    Atom utf8String = None;
};

// The SYNC extension's IDLETIME counter (milliseconds since the last user
// input) of a connection; counter None when the server has none.
struct CX11IdleCounter {
    XSyncCounter counter = None;
    int eventBase = 0;  // XSyncAlarmNotify arrives as eventBase + XSyncAlarmNotify
};

// The value of one window property as Xlib returns it (freed with it).
struct CX11Property {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;       // items of `format` bits
    unsigned long bytesAfter = 0;  // bytes left unread: the value was cut
    unsigned char* data = nullptr;

    CX11Property() = default;
    CX11Property(const CX11Property&) = delete;
    CX11Property& operator=(const CX11Property&) = delete;
    ~CX11Property();
};

class CX11Connection {
public:
    static constexpr uint32_t kReopenIntervalMs = 10000;

    // `displayName`: the display to open; none means $DISPLAY as it is at
    // each attempt.
    explicit CX11Connection(std::optional<std::string> displayName);
    ~CX11Connection();
    CX11Connection(const CX11Connection&) = delete;
    CX11Connection& operator=(const CX11Connection&) = delete;

private:
    friend class CX11Session;

    bool Open();
    void Close();
    static CX11IdleCounter FindIdleCounter(Display* display);
    // The process-wide Xlib error handlers: they record errors of the
    // connection that the calling thread is using, and pass on the rest.
    static int OnError(Display* display, XErrorEvent* event);
    static int OnIoError(Display* display);
    // The connection the calling thread is making a request on, if any.
    static thread_local CX11Connection* s_active;

    std::mutex m_mutex;
    const std::optional<std::string> m_displayName;
    Display* m_display = nullptr;
    Window m_root = None;
    CX11Atoms m_atoms;
    CX11IdleCounter m_idleCounter;
    uint32_t m_generation = 0;  // successful opens so far
    XScreenSaverInfo* m_idleInfo = nullptr;  // null: no screen-saver extension
    bool m_attempted = false;
    uint32_t m_lastAttemptTick = 0;
    // Set by the error handlers while a session runs, for errors of requests
    // from m_firstSerial on (earlier ones were sent without waiting).
    unsigned long m_firstSerial = 0;
    bool m_requestFailed = false;
    bool m_lost = false;
};

// One sequence of requests on the connection: holds its mutex, opens the
// display when an attempt is due, and closes it at the end when it broke.
// Every read reports failure (false) for a window that does not exist, a
// property that is absent or of another kind, or a broken connection.
class CX11Session {
public:
    explicit CX11Session(CX11Connection& connection);
    ~CX11Session();
    CX11Session(const CX11Session&) = delete;
    CX11Session& operator=(const CX11Session&) = delete;

    // True when a display is open and its connection has not broken.
    explicit operator bool() const { return m_connection.m_display != nullptr && !m_connection.m_lost; }
    Window Root() const { return m_connection.m_root; }
    const CX11Atoms& Atoms() const { return m_connection.m_atoms; }
    const CX11IdleCounter& IdleCounter() const { return m_connection.m_idleCounter; }
    // Changes each time the display is opened again (0: never opened).
    uint32_t Generation() const { return m_connection.m_generation; }

    // Reads at most `maxBytes` of the property (any type) into `out`.
    bool ReadProperty(Window window, Atom property, long maxBytes, CX11Property& out);
    // The first 32-bit item of a property of type `type` (CARDINAL, WINDOW).
    bool ReadCardinal(Window window, Atom property, Atom type, unsigned long& value);
    // A WINDOW list property, in its own order.
    bool ReadWindowList(Window window, Atom property, std::vector<Window>& windows);
    // The child windows in stacking order, bottom first.
    bool Children(Window window, std::vector<Window>& children);
    bool Attributes(Window window, XWindowAttributes& attributes);
    // Milliseconds since the last user input (screen-saver extension).
    bool IdleMilliseconds(unsigned long& idle);

    // The next event the server sent, without waiting for one: false when
    // none is there (or the connection broke).
    bool NextEvent(XEvent& event);
    // The connection's socket, readable when the server sends something;
    // -1 when Xlib holds events already read from it (or the connection
    // broke).
    int EventNotice();
    // Sent without waiting: the window's events of `mask` for this connection
    // (replacing what it asked before; NoEventMask: none).
    void SelectEvents(Window window, long mask);
    // Sent without waiting: an alarm on the IDLETIME counter that sends an
    // event whenever the test against `milliseconds` passes. None without
    // the counter.
    XSyncAlarm CreateIdleAlarm(XSyncTestType test, uint32_t milliseconds);

private:
    // Starts requests: false when the connection is gone; clears the error.
    bool Begin();
    // Ends a request: true when Xlib reported success and no X error came.
    bool End(bool xlibSucceeded);

    CX11Connection& m_connection;
    std::lock_guard<std::mutex> m_hold;
};
