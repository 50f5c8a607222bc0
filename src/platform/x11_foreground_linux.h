#pragma once
// The window in front on an X display (the root's _NET_ACTIVE_WINDOW), its
// title and its owning process (_NET_WM_PID), kept as the server last told
// them: each is read once, and again only after the server's events said it
// changed (PropertyNotify of the root's _NET_ACTIVE_WINDOW, of the window's
// _NET_WM_NAME, WM_NAME or _NET_WM_PID; DestroyNotify of the window). While
// nothing changes, asking makes no request to the server. The answers are
// those of reading the properties at the time of the call: an event is
// always taken before the answer it changes (the caller passes every event
// to OnEvent first), and a window is watched before it is read. Each new
// value of the hint is watched and read afresh, even an id seen before: X
// gives the ids of a client that left to the next one, so a window that
// closed and the next one in front can bear the same id.
//
// Windows other than the one in front are read at every call.
//
// Not thread-safe: every call runs inside a session of the connection, whose
// mutex serialises them.

#include <X11/Xlib.h>

#include <cstdint>
#include <string>

#include "platform/x11_connection_linux.h"

class CX11Foreground {
public:
    // After the display was (re)opened: asks for the root's property events
    // and forgets everything known about the old display.
    void Start(CX11Session& x);
    void OnEvent(const XEvent& event, const CX11Atoms& atoms);

    // The window in front; None when the hint is absent or names none.
    Window Active(CX11Session& x);
    // The title of `window`; null when it has none or cannot be read. Valid
    // until the next call.
    const std::string* Title(CX11Session& x, Window window);
    // The _NET_WM_PID of `window`, 0 when it has none or cannot be read.
    uint32_t ProcessId(CX11Session& x, Window window);

private:
    void Watch(CX11Session& x, Window window);

    bool m_activeKnown = false;
    Window m_active = None;
    // The window whose events are watched: the one in front while it exists.
    Window m_watched = None;
    bool m_titleKnown = false;
    bool m_hasTitle = false;
    std::string m_title;
    bool m_pidKnown = false;
    uint32_t m_pid = 0;
    std::string m_otherTitle;  // the title of a window not in front
};
