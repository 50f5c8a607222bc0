// The X11 desktop: a display with a window manager that follows the Extended
// Window Manager Hints.
//  - foreground window: the root window's _NET_ACTIVE_WINDOW;
//  - title: _NET_WM_NAME (UTF-8), else WM_NAME, always delivered as valid
//    UTF-8; lengths count bytes, which is what a caller sizes buffers by;
//  - owning process: _NET_WM_PID;
//  - last input: now minus the screen-saver extension's idle time, read when
//    the SYNC extension's idle alarms say it crossed the idle limit;
//  - windows by class: the class part of WM_CLASS ("instance\0class\0"),
//    compared without regard to ASCII case as window classes are on Windows.
//    Top-level windows are taken from the window manager's
//    _NET_CLIENT_LIST_STACKING (a reparenting manager hides them under its
//    frames), else they are the root's children; children are the window's
//    own (parent 0: the root's). Both are searched topmost first, as Windows
//    walks its Z order; a child `after` that is not there ends the search;
//  - visible: mapped, and every ancestor mapped (viewable).
// The window in front, its title and owner, and the idle state are kept up
// to date from the server's events (x11_foreground_linux.h,
// x11_idle_watch_linux.h): a call while nothing changed sends no request,
// and calls within `shareEvents` of one another (the five of one capture)
// share one look at the socket for events. Every event taken moves the
// change count on, so a capture that finds it unmoved may repeat itself.
// Without a display every answer is "none".
#include "platform/desktop_linux.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

#include "platform/text.h"
#include "platform/x11_connection_linux.h"
#include "platform/x11_foreground_linux.h"
#include "platform/x11_idle_watch_linux.h"

namespace {
// WM_CLASS holds two short names.
constexpr long kMaxClassBytes = 512;

bool SameClassName(const char* a, size_t aLength, const char* b, size_t bLength) {
    if (aLength != bLength) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < aLength; ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

class CX11Desktop : public CDesktopService {
public:
    CX11Desktop(std::optional<std::string> displayName, uint32_t idleLimitMs, std::chrono::microseconds shareEvents)
        : m_connection(std::move(displayName)), m_idle(idleLimitMs), m_shareEvents(shareEvents) {}

    WindowHandle GetForegroundWindow() override {
        CX11Session x(m_connection);
        if (!CatchUp(x)) return 0;
        return m_foreground.Active(x);
    }

    WindowHandle GetDesktopWindow() override {
        CX11Session x(m_connection);
        return x ? x.Root() : 0;
    }

    int GetWindowTextLength(WindowHandle window) override {
        CX11Session x(m_connection);
        const std::string* title = CatchUp(x) ? m_foreground.Title(x, window) : nullptr;
        return title ? static_cast<int>(std::min<size_t>(title->size(), INT_MAX)) : 0;
    }

    int GetWindowText(WindowHandle window, char* buffer, int limit) override {
        if (!buffer || limit < 1) return 0;
        buffer[0] = '\0';
        CX11Session x(m_connection);
        const std::string* title = CatchUp(x) ? m_foreground.Title(x, window) : nullptr;
        return title ? static_cast<int>(CopyTextCut(buffer, title->c_str(), static_cast<size_t>(limit - 1))) : 0;
    }

    uint32_t GetWindowProcessId(WindowHandle window) override {
        CX11Session x(m_connection);
        return CatchUp(x) ? m_foreground.ProcessId(x, window) : 0;
    }

    bool GetLastInputTick(uint32_t& tick) override {
        CX11Session x(m_connection);
        return CatchUp(x) && m_idle.LastInputTick(x, tick);
    }

    WindowHandle FindWindow(const char* className) override {
        if (!className) return 0;
        CX11Session x(m_connection);
        if (!x) return 0;
        std::vector<Window> windows;
        if (!x.ReadWindowList(x.Root(), x.Atoms().netClientListStacking, windows) || windows.empty())
            x.Children(x.Root(), windows);
        return FirstOfClass(x, windows.rbegin(), windows.rend(), className);
    }

    WindowHandle FindChildWindow(WindowHandle parent, WindowHandle after, const char* className) override {
        if (!className) return 0;
        CX11Session x(m_connection);
        std::vector<Window> children;
        if (!x || !x.Children(parent ? parent : x.Root(), children)) return 0;
        auto from = children.rbegin();
        if (after) {
            from = std::find(children.rbegin(), children.rend(), after);
            if (from == children.rend()) return 0;
            ++from;
        }
        return FirstOfClass(x, from, children.rend(), className);
    }

    bool IsWindowVisible(WindowHandle window) override {
        CX11Session x(m_connection);
        XWindowAttributes attributes{};
        return x && x.Attributes(window, attributes) && attributes.map_state == IsViewable;
    }

    uint64_t ChangeCount() override {
        CX11Session x(m_connection);
        // Without the idle alarms the idle time moves on by itself.
        return CatchUp(x) && m_idle.FollowsEvents() ? m_changes : 0;
    }

    std::intptr_t ChangeNotice() override {
        CX11Session x(m_connection);
        return x && m_idle.FollowsEvents() ? x.EventNotice() : -1;
    }

private:
    // Takes the events the server sent since the last call (after setting
    // the watches up on a display opened anew). False without a display.
    bool CatchUp(CX11Session& x) {
        if (!x) return false;
        if (x.Generation() != m_generation) {
            m_generation = x.Generation();
            m_foreground.Start(x);
            m_idle.Start(x);
            ++m_changes;
        }
        const auto now = std::chrono::steady_clock::now();
        if (m_shareEvents.count() > 0 && now - m_lastLook < m_shareEvents) return true;
        m_lastLook = now;
        XEvent event;
        while (x.NextEvent(event)) {
            m_foreground.OnEvent(event, x.Atoms());
            m_idle.OnEvent(event, x.IdleCounter());
            ++m_changes;
        }
        return static_cast<bool>(x);
    }

    template <class Iterator>
    static WindowHandle FirstOfClass(CX11Session& x, Iterator from, Iterator to, const char* className) {
        const size_t length = std::strlen(className);
        for (; from != to; ++from) {
            CX11Property wmClass;
            if (!x.ReadProperty(*from, XA_WM_CLASS, kMaxClassBytes, wmClass) || wmClass.type != XA_STRING ||
                wmClass.format != 8)
                continue;
            // "instance\0class\0": the class is what follows the first NUL.
            const char* text = reinterpret_cast<const char*>(wmClass.data);
            const size_t instanceEnd = strnlen(text, wmClass.count);
            if (instanceEnd >= wmClass.count) continue;
            const char* windowClass = text + instanceEnd + 1;
            if (SameClassName(className, length, windowClass, strnlen(windowClass, wmClass.count - instanceEnd - 1)))
                return *from;
        }
        return 0;
    }

    CX11Connection m_connection;
    uint32_t m_generation = 0;
    CX11Foreground m_foreground;
    CX11IdleWatch m_idle;
    const std::chrono::microseconds m_shareEvents;
    std::chrono::steady_clock::time_point m_lastLook;
    uint64_t m_changes = 1;  // events taken and displays opened, from 1 (0 means "cannot tell")
};
}  // namespace

std::unique_ptr<CDesktopService> CreateX11Desktop(std::optional<std::string> displayName, uint32_t idleLimitMs,
                                                  std::chrono::microseconds shareEvents) {
    return std::make_unique<CX11Desktop>(std::move(displayName), idleLimitMs, shareEvents);
}

namespace {
class CNoDesktop : public CDesktopService {
public:
    WindowHandle GetForegroundWindow() override { return 0; }
    WindowHandle GetDesktopWindow() override { return 0; }
    int GetWindowTextLength(WindowHandle) override { return 0; }
    int GetWindowText(WindowHandle, char* buffer, int limit) override {
        if (buffer && limit > 0) buffer[0] = '\0';
        return 0;
    }
    uint32_t GetWindowProcessId(WindowHandle) override { return 0; }
    bool GetLastInputTick(uint32_t&) override { return false; }
    WindowHandle FindWindow(const char*) override { return 0; }
    WindowHandle FindChildWindow(WindowHandle, WindowHandle, const char*) override { return 0; }
    bool IsWindowVisible(WindowHandle) override { return false; }
};
}  // namespace

std::unique_ptr<CDesktopService> CreateNoDesktop() { return std::make_unique<CNoDesktop>(); }
