#include "platform/x11_foreground_linux.h"

#include <X11/Xatom.h>

#include "platform/x11_title_linux.h"

namespace {
constexpr long kWatchedWindowEvents = PropertyChangeMask | StructureNotifyMask;

uint32_t ReadProcessId(CX11Session& x, Window window) {
    unsigned long pid = 0;
    return x.ReadCardinal(window, x.Atoms().netWmPid, XA_CARDINAL, pid) ? static_cast<uint32_t>(pid) : 0;
}
}  // namespace

void CX11Foreground::Start(CX11Session& x) {
    *this = CX11Foreground();
    x.SelectEvents(x.Root(), PropertyChangeMask);
}

void CX11Foreground::OnEvent(const XEvent& event, const CX11Atoms& atoms) {
    if (event.type == DestroyNotify && event.xdestroywindow.window == m_watched && m_watched != None) {
        // What reading a vanished window gives: no title, no owner.
        m_titleKnown = m_pidKnown = true;
        m_hasTitle = false;
        m_pid = 0;
        return;
    }
    if (event.type != PropertyNotify) return;
    const XPropertyEvent& change = event.xproperty;
    if (change.atom == atoms.netActiveWindow) {
        m_activeKnown = false;
    } else if (change.window == m_watched && m_watched != None) {
        if (change.atom == atoms.netWmName || change.atom == XA_WM_NAME) m_titleKnown = false;
        if (change.atom == atoms.netWmPid) m_pidKnown = false;
    }
}

Window CX11Foreground::Active(CX11Session& x) {
    if (!m_activeKnown) {
        unsigned long window = None;
        if (!x.ReadCardinal(x.Root(), x.Atoms().netActiveWindow, XA_WINDOW, window)) window = None;
        m_activeKnown = true;
        m_active = window;
        // Watched anew even when the id is the same: the server hands the ids
        // of a client that left to the next one that connects, so the window
        // now named may be a new one that took the id of one destroyed.
        Watch(x, m_active);
    }
    return m_active;
}

void CX11Foreground::Watch(CX11Session& x, Window window) {
    // A window that vanished draws an error, which is dropped.
    x.SelectEvents(m_watched, NoEventMask);
    m_watched = window;
    m_titleKnown = m_pidKnown = false;
    x.SelectEvents(m_watched, kWatchedWindowEvents);
}

const std::string* CX11Foreground::Title(CX11Session& x, Window window) {
    if (window == None || window != m_watched) {
        return ReadWindowTitle(x, window, m_otherTitle) ? &m_otherTitle : nullptr;
    }
    if (!m_titleKnown) {
        m_hasTitle = ReadWindowTitle(x, window, m_title);
        m_titleKnown = true;
    }
    return m_hasTitle ? &m_title : nullptr;
}

uint32_t CX11Foreground::ProcessId(CX11Session& x, Window window) {
    if (window == None || window != m_watched) return ReadProcessId(x, window);
    if (!m_pidKnown) {
        m_pid = ReadProcessId(x, window);
        m_pidKnown = true;
    }
    return m_pid;
}
