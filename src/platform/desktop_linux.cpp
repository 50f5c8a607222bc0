// The desktop on Linux: an X11 display with a window manager that follows
// the Extended Window Manager Hints.
//  - foreground window: the root window's _NET_ACTIVE_WINDOW;
//  - title: _NET_WM_NAME (UTF-8), else WM_NAME, always delivered as valid
//    UTF-8; lengths count bytes, which is what a caller sizes buffers by;
//  - owning process: _NET_WM_PID;
//  - last input: now minus the screen-saver extension's idle time;
//  - windows by class: the class part of WM_CLASS ("instance\0class\0"),
//    compared without regard to ASCII case as window classes are on Windows.
//    Top-level windows are taken from the window manager's
//    _NET_CLIENT_LIST_STACKING (a reparenting manager hides them under its
//    frames), else they are the root's children; children are the window's
//    own (parent 0: the root's). Both are searched topmost first, as Windows
//    walks its Z order; a child `after` that is not there ends the search;
//  - visible: mapped, and every ancestor mapped (viewable).
// Without a display every answer is "none".
#include "platform/desktop_linux.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/clock.h"
#include "platform/text.h"
#include "platform/x11_connection_linux.h"
#include "platform/x11_title_linux.h"

namespace {
// The most of a title property that is read; longer titles are cut there.
constexpr long kMaxTitleBytes = 4096;
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
    explicit CX11Desktop(std::optional<std::string> displayName) : m_connection(std::move(displayName)) {}

    WindowHandle GetForegroundWindow() override {
        CX11Session x(m_connection);
        unsigned long window = None;
        if (!x || !x.ReadCardinal(x.Root(), x.Atoms().netActiveWindow, XA_WINDOW, window)) return 0;
        return window;
    }

    WindowHandle GetDesktopWindow() override {
        CX11Session x(m_connection);
        return x ? x.Root() : 0;
    }

    int GetWindowTextLength(WindowHandle window) override {
        std::string title;
        if (!ReadTitle(window, title)) return 0;
        return static_cast<int>(std::min<size_t>(title.size(), INT_MAX));
    }

    int GetWindowText(WindowHandle window, char* buffer, int limit) override {
        if (!buffer || limit < 1) return 0;
        buffer[0] = '\0';
        std::string title;
        if (!ReadTitle(window, title)) return 0;
        return static_cast<int>(CopyTextCut(buffer, title.c_str(), static_cast<size_t>(limit - 1)));
    }

    uint32_t GetWindowProcessId(WindowHandle window) override {
        CX11Session x(m_connection);
        unsigned long pid = 0;
        if (!x || !x.ReadCardinal(window, x.Atoms().netWmPid, XA_CARDINAL, pid)) return 0;
        return static_cast<uint32_t>(pid);
    }

    bool GetLastInputTick(uint32_t& tick) override {
        CX11Session x(m_connection);
        unsigned long idle = 0;
        if (!x || !x.IdleMilliseconds(idle)) return false;
        tick = Clock().TickCount() - static_cast<uint32_t>(idle);
        return true;
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

private:
    bool ReadTitle(WindowHandle window, std::string& title) {
        CX11Session x(m_connection);
        if (!x || window == 0) return false;
        CX11Property name;
        if (x.ReadProperty(window, x.Atoms().netWmName, kMaxTitleBytes, name) && name.format == 8 &&
            name.type == x.Atoms().utf8String) {
            title = DecodeWindowTitle(name.data, name.count, ETitleEncoding::Utf8, name.bytesAfter > 0);
            return true;
        }
        if (!x.ReadProperty(window, XA_WM_NAME, kMaxTitleBytes, name) || name.format != 8) return false;
        const auto encoding = name.type == x.Atoms().utf8String ? ETitleEncoding::Utf8 : ETitleEncoding::Latin1;
        title = DecodeWindowTitle(name.data, name.count, encoding, name.bytesAfter > 0);
        return true;
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
};
}  // namespace

std::unique_ptr<CDesktopService> CreateX11Desktop(std::optional<std::string> displayName) {
    return std::make_unique<CX11Desktop>(std::move(displayName));
}

CDesktopService& SystemDesktop() {
    static CX11Desktop desktop(std::nullopt);
    return desktop;
}
