#include "platform/x11_connection_linux.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <cstring>
#include <iterator>

#include "platform/clock.h"

namespace {
XErrorHandler g_previousErrorHandler = nullptr;
XIOErrorHandler g_previousIoErrorHandler = nullptr;

// Xlib's default ends the process after a broken connection; returning from
// this one lets the failed request report failure instead.
void KeepRunning(Display*, void*) {}

// Room for the window lists read at once (a desktop has far fewer windows).
constexpr long kMaxListedWindows = 4096;
}  // namespace

thread_local CX11Connection* CX11Connection::s_active = nullptr;

CX11Property::~CX11Property() {
    if (data) XFree(data);
}

CX11Connection::CX11Connection(std::optional<std::string> displayName) : m_displayName(std::move(displayName)) {}

CX11Connection::~CX11Connection() {
    std::lock_guard<std::mutex> hold(m_mutex);
    Close();
}

int CX11Connection::OnError(Display* display, XErrorEvent* event) {
    CX11Connection* active = s_active;
    if (active && active->m_display == display) {
        if (event->serial >= active->m_firstSerial) active->m_requestFailed = true;
        return 0;
    }
    return g_previousErrorHandler ? g_previousErrorHandler(display, event) : 0;
}

int CX11Connection::OnIoError(Display* display) {
    CX11Connection* active = s_active;
    if (active && active->m_display == display) {
        active->m_lost = true;
        return 0;
    }
    return g_previousIoErrorHandler ? g_previousIoErrorHandler(display) : 0;
}

bool CX11Connection::Open() {
    static std::once_flag handlersInstalled;
    std::call_once(handlersInstalled, [] {
        // Must come before any other Xlib call of the process; libX11 1.8
        // already does it when it is loaded, older versions need it here.
        XInitThreads();
        g_previousErrorHandler = XSetErrorHandler(OnError);
        g_previousIoErrorHandler = XSetIOErrorHandler(OnIoError);
    });

    Display* display = XOpenDisplay(m_displayName ? m_displayName->c_str() : nullptr);
    if (!display) return false;
    XSetIOErrorExitHandler(display, KeepRunning, nullptr);
    m_display = display;
    m_root = DefaultRootWindow(display);
    m_lost = false;

    const char* names[] = {"_NET_ACTIVE_WINDOW", "_NET_WM_NAME", "_NET_WM_PID", "_NET_CLIENT_LIST_STACKING",
                           "UTF8_STRING"};
    Atom atoms[std::size(names)] = {};
    s_active = this;
    m_firstSerial = NextRequest(display);
    m_requestFailed = false;
    const bool interned =
        XInternAtoms(display, const_cast<char**>(names), static_cast<int>(std::size(names)), False, atoms) != 0;
    int eventBase = 0, errorBase = 0;
    const bool idleKnown = interned && XScreenSaverQueryExtension(display, &eventBase, &errorBase);
    const CX11IdleCounter idleCounter = interned ? FindIdleCounter(display) : CX11IdleCounter{};
    s_active = nullptr;
    if (!interned || m_requestFailed || m_lost) {
        Close();
        return false;
    }
    m_atoms = {atoms[0], atoms[1], atoms[2], atoms[3], atoms[4]};
    m_idleCounter = idleCounter;
    if (idleKnown) m_idleInfo = XScreenSaverAllocInfo();
    ++m_generation;
    return true;
}

CX11IdleCounter CX11Connection::FindIdleCounter(Display* display) {
    CX11IdleCounter found;
    int errorBase = 0, major = 0, minor = 0;
    if (!XSyncQueryExtension(display, &found.eventBase, &errorBase) || !XSyncInitialize(display, &major, &minor))
        return {};
    int count = 0;
    XSyncSystemCounter* counters = XSyncListSystemCounters(display, &count);
    for (int i = 0; i < count; ++i)
        if (std::strcmp(counters[i].name, "IDLETIME") == 0) found.counter = counters[i].counter;
    if (counters) XSyncFreeSystemCounterList(counters);
    return found.counter != None ? found : CX11IdleCounter{};
}

void CX11Connection::Close() {
    if (m_idleInfo) XFree(m_idleInfo);
    m_idleInfo = nullptr;
    if (m_display) {
        // Closing a healthy connection makes a round trip, which can itself
        // find the server gone: keep that in this connection's handlers.
        s_active = this;
        XCloseDisplay(m_display);
        s_active = nullptr;
        m_display = nullptr;
    }
    m_root = None;
    m_atoms = {};
    m_idleCounter = {};
    m_lost = false;
}

CX11Session::CX11Session(CX11Connection& connection) : m_connection(connection), m_hold(connection.m_mutex) {
    if (m_connection.m_display) return;
    const uint32_t now = Clock().TickCount();
    if (m_connection.m_attempted && now - m_connection.m_lastAttemptTick < CX11Connection::kReopenIntervalMs) return;
    m_connection.m_attempted = true;
    m_connection.m_lastAttemptTick = now;
    m_connection.Open();
}

CX11Session::~CX11Session() {
    if (!m_connection.m_lost) return;
    m_connection.Close();
    // The next attempt waits a full interval from the loss.
    m_connection.m_attempted = true;
    m_connection.m_lastAttemptTick = Clock().TickCount();
}

bool CX11Session::Begin() {
    if (!m_connection.m_display || m_connection.m_lost) return false;
    m_connection.m_firstSerial = NextRequest(m_connection.m_display);
    m_connection.m_requestFailed = false;
    CX11Connection::s_active = &m_connection;
    return true;
}

bool CX11Session::End(bool xlibSucceeded) {
    CX11Connection::s_active = nullptr;
    return xlibSucceeded && !m_connection.m_requestFailed && !m_connection.m_lost;
}

bool CX11Session::ReadProperty(Window window, Atom property, long maxBytes, CX11Property& out) {
    if (out.data) XFree(out.data);
    out.data = nullptr;
    out.type = None;
    out.format = 0;
    out.count = out.bytesAfter = 0;
    if (window == None || !Begin()) return false;
    const int status =
        XGetWindowProperty(m_connection.m_display, window, property, 0, (maxBytes + 3) / 4, False, AnyPropertyType,
                           &out.type, &out.format, &out.count, &out.bytesAfter, &out.data);
    return End(status == Success) && out.type != None;
}

bool CX11Session::ReadCardinal(Window window, Atom property, Atom type, unsigned long& value) {
    CX11Property read;
    if (!ReadProperty(window, property, 4, read) || read.type != type || read.format != 32 || read.count < 1)
        return false;
    // Xlib hands 32-bit items over as longs.
    value = reinterpret_cast<const unsigned long*>(read.data)[0] & 0xFFFFFFFFul;
    return true;
}

bool CX11Session::ReadWindowList(Window window, Atom property, std::vector<Window>& windows) {
    windows.clear();
    CX11Property read;
    if (!ReadProperty(window, property, kMaxListedWindows * 4, read) || read.type != XA_WINDOW || read.format != 32)
        return false;
    const auto* items = reinterpret_cast<const unsigned long*>(read.data);
    windows.assign(items, items + read.count);
    return true;
}

bool CX11Session::Children(Window window, std::vector<Window>& children) {
    children.clear();
    if (window == None || !Begin()) return false;
    Window root = None, parent = None;
    Window* list = nullptr;
    unsigned count = 0;
    const bool ok = End(XQueryTree(m_connection.m_display, window, &root, &parent, &list, &count) != 0);
    if (list) {
        if (ok) children.assign(list, list + count);
        XFree(list);
    }
    return ok;
}

bool CX11Session::Attributes(Window window, XWindowAttributes& attributes) {
    if (window == None || !Begin()) return false;
    return End(XGetWindowAttributes(m_connection.m_display, window, &attributes) != 0);
}

bool CX11Session::IdleMilliseconds(unsigned long& idle) {
    if (!m_connection.m_idleInfo || !Begin()) return false;
    if (!End(XScreenSaverQueryInfo(m_connection.m_display, m_connection.m_root, m_connection.m_idleInfo) != 0))
        return false;
    idle = m_connection.m_idleInfo->idle;
    return true;
}

bool CX11Session::NextEvent(XEvent& event) {
    if (!Begin()) return false;
    Display* display = m_connection.m_display;
    // One look at the socket when nothing is queued yet; no request is sent.
    bool any = XQLength(display) > 0;
    if (!any) {
        pollfd socket{ConnectionNumber(display), POLLIN, 0};
        any = poll(&socket, 1, 0) > 0 && XEventsQueued(display, QueuedAfterReading) > 0;
    }
    if (any) XNextEvent(display, &event);
    End(true);
    return any && !m_connection.m_lost;
}

int CX11Session::EventNotice() {
    if (!Begin()) return -1;
    Display* display = m_connection.m_display;
    const int notice = XQLength(display) > 0 ? -1 : ConnectionNumber(display);
    End(true);
    return m_connection.m_lost ? -1 : notice;
}

void CX11Session::SelectEvents(Window window, long mask) {
    if (window == None || !Begin()) return;
    XSelectInput(m_connection.m_display, window, mask);
    XFlush(m_connection.m_display);
    End(true);
}

XSyncAlarm CX11Session::CreateIdleAlarm(XSyncTestType test, uint32_t milliseconds) {
    if (m_connection.m_idleCounter.counter == None || !Begin()) return None;
    XSyncAlarmAttributes attributes{};
    attributes.trigger.counter = m_connection.m_idleCounter.counter;
    attributes.trigger.value_type = XSyncAbsolute;
    attributes.trigger.test_type = test;
    XSyncIntToValue(&attributes.trigger.wait_value, static_cast<int>(milliseconds));
    XSyncIntToValue(&attributes.delta, 0);
    attributes.events = True;
    const XSyncAlarm alarm =
        XSyncCreateAlarm(m_connection.m_display,
                         XSyncCACounter | XSyncCAValueType | XSyncCATestType | XSyncCAValue | XSyncCADelta |
                             XSyncCAEvents,
                         &attributes);
    XFlush(m_connection.m_display);
    End(true);
    return alarm;
}
