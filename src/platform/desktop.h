#pragma once
// The desktop service: the foreground window, its title and owner, the time
// of the last user input, and windows found by class.
//
// Windows: user32 (GetForegroundWindow, GetWindowTextA, GetLastInputInfo,
// FindWindowA, FindWindowExA, ...). Linux: the desktop of the session,
// chosen at the start (desktop_session_linux.cpp): X11 (_NET_ACTIVE_WINDOW,
// _NET_WM_NAME or WM_NAME, _NET_WM_PID, WM_CLASS, the screen-saver and SYNC
// extensions), a wlroots Wayland compositor, or GNOME through its shell
// extension; without a display, or on a desktop whose windows cannot be
// seen, there is no foreground window and no desktop window, and every
// answer is "none".
// Texts are narrow: the ANSI code page on Windows, UTF-8 on Linux.
// Tests replace the service with a fake (tests/fakes/) through SetDesktop.
//
// Thread safety: implementations may be called from any thread, one call at a
// time per thread; the capture calls them from the thread that captures.

#include <cstdint>

#include <string>

// An opaque window identifier (HWND on Windows, the X11 window id or a
// compositor's toplevel on Linux); 0 is none.
using WindowHandle = std::uintptr_t;

// The shortest time without input that the capture counts as idle (more
// than 60 whole seconds). Desktops that are told of input only when the idle
// time crosses a limit watch this one.
inline constexpr uint32_t kIdleNoticeMs = 61000;

class CDesktopService {
public:
    virtual ~CDesktopService() = default;

    // The window that has the user's input now, or 0 (none, lock screen, no display).
    virtual WindowHandle GetForegroundWindow() = 0;
    // The desktop (root) window, or 0 when there is none.
    virtual WindowHandle GetDesktopWindow() = 0;
    // The length of the window's title in characters of the narrow text
    // (bytes of UTF-8 on Linux); 0 when it has none or on failure.
    virtual int GetWindowTextLength(WindowHandle window) = 0;
    // Copies at most limit - 1 characters of the title and a terminator into
    // `buffer`; returns the number of characters copied, 0 when nothing could
    // be read. On Linux a cut never splits a UTF-8 character.
    virtual int GetWindowText(WindowHandle window, char* buffer, int limit) = 0;
    // The id of the process that owns the window, or 0 when unknown.
    virtual uint32_t GetWindowProcessId(WindowHandle window) = 0;
    // The tick count (in the clock service's TickCount scale) of the user's
    // last keyboard or mouse input; false when it cannot be read. Desktops
    // that learn of input from idle notifications give it exactly once the
    // user has been idle for kIdleNoticeMs, and the current tick before.
    virtual bool GetLastInputTick(uint32_t& tick) = 0;
    // The first top-level window of the class, any title; 0 when none.
    virtual WindowHandle FindWindow(const char* className) = 0;
    // The next child window of `parent` of the class after the child `after`
    // (0: the first); 0 when there is no further one.
    virtual WindowHandle FindChildWindow(WindowHandle parent, WindowHandle after, const char* className) = 0;
    // True when the window is shown.
    virtual bool IsWindowVisible(WindowHandle window) = 0;
    // A count that moves on whenever an answer about the window in front
    // (which window, its title, its owner) or the idle state may have changed
    // since it was last read; while it stays, those answers stay. 0 when the
    // service cannot tell: then every answer must be asked for again.
    virtual uint64_t ChangeCount() { return 0; }
    // What turns ready when news comes that will move ChangeCount (Linux: a
    // descriptor that can then be read, the X connection's socket), for a
    // thread to wait on between captures; valid until the next call of the
    // service. -1 when the service has none, or when news is already there
    // (then there is nothing to wait for).
    virtual std::intptr_t ChangeNotice() { return -1; }
};

// The process-wide desktop (the operating system's unless a test replaced it).
CDesktopService& Desktop();
// Installs `desktop` (nullptr: the operating system's) and returns the previous one.
CDesktopService* SetDesktop(CDesktopService* desktop);
// Said once at the start, for the user: empty when the operating system's
// desktop service sees the windows (or there is no display at all); else
// which desktop was found and that its windows cannot be seen.
std::string DesktopLimitation();
