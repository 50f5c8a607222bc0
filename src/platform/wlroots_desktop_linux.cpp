// The desktop of a wlroots Wayland compositor (sway and the others):
//  - windows: the toplevels that wlr-foreign-toplevel-management lists, each
//    under a number of its own (never reused while the collector runs); the
//    foreground window is the one whose state says "activated"; the desktop
//    window (in front when no toplevel is) is a number of its own, without
//    title or process;
//  - title: the toplevel's title (made valid UTF-8, cut like X11 titles);
//  - process: the protocol names none. An Xwayland window (an X server of
//    the user's runs and its active window has the toplevel's title) is
//    named by the X11 desktop with its exact _NET_WM_PID; any other by its
//    app id (app_process_linux.h says how and how well), once per window;
//  - last input: ext-idle-notify-v1, else org_kde_kwin_idle (wlroots 0.15,
//    sway 1.7): the compositor says when the user has been idle for the
//    limit and when input comes again; the last input is then placed at the
//    limit before the moment the collector read that news (at its next call,
//    so within a tick); none of the two: no last input;
//  - windows by class: none (no Wayland window has a class; the messenger
//    is not looked for).
// Events are read without waiting at each call: while nothing changes a call
// sends nothing to the compositor. Every event handed on moves the change
// count, and the connection's socket is the change notice. A lost connection
// is made again at most every 10 s; until then every answer is "none".
// Thread safety: one mutex around every call.
#include <algorithm>
#include <climits>
#include <cstring>
#include <list>
#include <mutex>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"
#include "platform/app_process_linux.h"
#include "platform/clock.h"
#include "platform/desktop_linux.h"
#include "platform/text.h"
#include "platform/wayland_events_linux.h"
#include "platform/x11_title_linux.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace {
constexpr uint32_t kReconnectIntervalMs = 10000;
constexpr WindowHandle kDesktopWindow = 1;
constexpr uint32_t kToplevelVersion = 3;

struct CToplevel {
    std::list<CToplevel>* list = nullptr;  // the list it is in
    WindowHandle handle = 0;
    zwlr_foreign_toplevel_handle_v1* proxy = nullptr;
    std::string title, appId;
    bool activated = false;
    // Sent before "done", which makes them count together.
    std::string nextTitle, nextAppId;
    bool nextActivated = false;
    // The process, found once per app id.
    bool processKnown = false;
    std::string processAppId;
    uint32_t processId = 0;
};

class CWlrootsDesktop : public CDesktopService {
public:
    CWlrootsDesktop(std::optional<std::string> display, uint32_t idleLimitMs)
        : m_name(std::move(display)), m_idleLimitMs(idleLimitMs) {}
    ~CWlrootsDesktop() override { Disconnect(); }

    // Connects and reads the toplevels there are; false (with `why`) when the
    // compositor cannot be reached or offers no toplevel list.
    bool Connect(std::string& why) {
        m_lastAttemptTick = Clock().TickCount();
        m_display = wl_display_connect(m_name ? m_name->c_str() : nullptr);
        if (!m_display) {
            why = "its compositor cannot be reached";
            return false;
        }
        m_registry = wl_display_get_registry(m_display);
        wl_registry_add_listener(m_registry, &kRegistryListener, this);
        wl_display_roundtrip(m_display);
        if (!m_manager) {
            why = "its compositor does not list its windows (no wlr-foreign-toplevel-management)";
            Disconnect();
            return false;
        }
        zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &kManagerListener, this);
        if (m_seat && m_idleNotifier) {
            m_idleNotification = ext_idle_notifier_v1_get_idle_notification(m_idleNotifier, m_idleLimitMs, m_seat);
            ext_idle_notification_v1_add_listener(m_idleNotification, &kIdleNotificationListener, this);
        } else if (m_seat && m_kdeIdle) {
            m_kdeIdleTimeout = org_kde_kwin_idle_get_idle_timeout(m_kdeIdle, m_seat, m_idleLimitMs);
            org_kde_kwin_idle_timeout_add_listener(m_kdeIdleTimeout, &kKdeIdleTimeoutListener, this);
        }
        wl_display_roundtrip(m_display);
        return wl_display_get_error(m_display) == 0;
    }

    WindowHandle GetForegroundWindow() override {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (!CatchUp()) return 0;
        for (const CToplevel& toplevel : m_toplevels)
            if (toplevel.activated) return toplevel.handle;
        return 0;
    }

    WindowHandle GetDesktopWindow() override {
        std::lock_guard<std::mutex> hold(m_mutex);
        return CatchUp() ? kDesktopWindow : 0;
    }

    int GetWindowTextLength(WindowHandle window) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        const CToplevel* toplevel = CatchUp() ? Find(window) : nullptr;
        return toplevel ? static_cast<int>(std::min<size_t>(toplevel->title.size(), INT_MAX)) : 0;
    }

    int GetWindowText(WindowHandle window, char* buffer, int limit) override {
        if (!buffer || limit < 1) return 0;
        buffer[0] = '\0';
        std::lock_guard<std::mutex> hold(m_mutex);
        const CToplevel* toplevel = CatchUp() ? Find(window) : nullptr;
        if (!toplevel || toplevel->title.empty()) return 0;
        return static_cast<int>(CopyTextCut(buffer, toplevel->title.c_str(), static_cast<size_t>(limit - 1)));
    }

    uint32_t GetWindowProcessId(WindowHandle window) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        CToplevel* toplevel = CatchUp() ? Find(window) : nullptr;
        if (!toplevel) return 0;
        if (!toplevel->processKnown || toplevel->processAppId != toplevel->appId) {
            toplevel->processId = FindProcess(*toplevel);
            toplevel->processAppId = toplevel->appId;
            toplevel->processKnown = true;
        }
        return toplevel->processId;
    }

    bool GetLastInputTick(uint32_t& tick) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (!CatchUp() || (!m_idleNotification && !m_kdeIdleTimeout)) return false;
        tick = m_idle ? m_lastInputTick : Clock().TickCount();
        return true;
    }

    WindowHandle FindWindow(const char*) override { return 0; }
    WindowHandle FindChildWindow(WindowHandle, WindowHandle, const char*) override { return 0; }
    bool IsWindowVisible(WindowHandle window) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        return CatchUp() && Find(window) != nullptr;
    }

    uint64_t ChangeCount() override {
        std::lock_guard<std::mutex> hold(m_mutex);
        return CatchUp() ? m_changes : 0;
    }

    std::intptr_t ChangeNotice() override {
        std::lock_guard<std::mutex> hold(m_mutex);
        // Events already read but not yet handed on: nothing to wait for.
        if (!m_display || wl_display_prepare_read(m_display) != 0) return -1;
        wl_display_cancel_read(m_display);
        return wl_display_get_fd(m_display);
    }

private:
    // Reads and handles what the compositor sent, without waiting; makes
    // the connection again when it was lost and an attempt is due.
    bool CatchUp() {
        if (m_display && wl_display_get_error(m_display) != 0) Disconnect();
        if (!m_display) {
            std::string why;
            if (Clock().TickCount() - m_lastAttemptTick < kReconnectIntervalMs || !Connect(why)) {
                Disconnect();
                return false;
            }
        }
        const int events = DispatchWaylandEventsNow(m_display);
        if (events >= 0) {
            m_changes += static_cast<uint64_t>(events);
            return true;
        }
        Disconnect();
        return false;
    }

    void Disconnect() {
        for (CToplevel& toplevel : m_toplevels)
            zwlr_foreign_toplevel_handle_v1_destroy(toplevel.proxy);
        m_toplevels.clear();
        if (m_idleNotification) ext_idle_notification_v1_destroy(m_idleNotification);
        if (m_idleNotifier) ext_idle_notifier_v1_destroy(m_idleNotifier);
        if (m_kdeIdleTimeout) org_kde_kwin_idle_timeout_release(m_kdeIdleTimeout);
        if (m_kdeIdle) org_kde_kwin_idle_destroy(m_kdeIdle);
        if (m_manager) zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
        if (m_seat) wl_seat_destroy(m_seat);
        if (m_registry) wl_registry_destroy(m_registry);
        if (m_display) wl_display_disconnect(m_display);
        m_idleNotification = nullptr;
        m_idleNotifier = nullptr;
        m_kdeIdleTimeout = nullptr;
        m_kdeIdle = nullptr;
        m_manager = nullptr;
        m_seat = nullptr;
        m_registry = nullptr;
        m_display = nullptr;
        m_idle = false;
    }

    CToplevel* Find(WindowHandle window) {
        for (CToplevel& toplevel : m_toplevels)
            if (toplevel.handle == window) return &toplevel;
        return nullptr;
    }

    uint32_t FindProcess(const CToplevel& toplevel) {
        const CAppProcess found = FindAppProcess(toplevel.appId);
        if (found.xwaylandRunning) {
            // An Xwayland window is the X server's active window, with the same title.
            if (!m_x11) m_x11 = CreateX11Desktop(std::nullopt, m_idleLimitMs);
            const WindowHandle window = m_x11->GetForegroundWindow();
            char title[kMaxTitleBytes + 1];
            if (window) m_x11->GetWindowText(window, title, sizeof(title));
            if (window && toplevel.title == title) {
                if (const uint32_t pid = m_x11->GetWindowProcessId(window)) return pid;
            }
        }
        return found.processId;
    }

    static void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        auto* self = static_cast<CWlrootsDesktop*>(data);
        const std::string_view which(interface);
        if (which == zwlr_foreign_toplevel_manager_v1_interface.name && !self->m_manager) {
            self->m_manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                                 std::min(version, kToplevelVersion)));
        } else if (which == wl_seat_interface.name && !self->m_seat) {
            self->m_seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (which == ext_idle_notifier_v1_interface.name && !self->m_idleNotifier) {
            self->m_idleNotifier = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
        } else if (which == org_kde_kwin_idle_interface.name && !self->m_kdeIdle) {
            self->m_kdeIdle =
                static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
        }
    }
    static void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

    static void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* proxy) {
        auto* self = static_cast<CWlrootsDesktop*>(data);
        CToplevel& toplevel = self->m_toplevels.emplace_back();
        toplevel.list = &self->m_toplevels;
        toplevel.handle = ++self->m_lastHandle;
        toplevel.proxy = proxy;
        zwlr_foreign_toplevel_handle_v1_add_listener(proxy, &kToplevelListener, &toplevel);
    }
    static void OnFinished(void*, zwlr_foreign_toplevel_manager_v1*) {}

    static void OnTitle(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
        static_cast<CToplevel*>(data)->nextTitle =
            DecodeWindowTitle(reinterpret_cast<const unsigned char*>(title), std::strlen(title), ETitleEncoding::Utf8,
                              false);
    }
    static void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) {
        static_cast<CToplevel*>(data)->nextAppId = appId;
    }
    static void OnOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void OnState(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        bool activated = false;
        const auto* state = static_cast<const uint32_t*>(states->data);
        for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
            activated |= state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
        static_cast<CToplevel*>(data)->nextActivated = activated;
    }
    static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* toplevel = static_cast<CToplevel*>(data);
        toplevel->title = toplevel->nextTitle;
        toplevel->appId = toplevel->nextAppId;
        toplevel->activated = toplevel->nextActivated;
    }
    static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* proxy) {
        std::list<CToplevel>* list = static_cast<CToplevel*>(data)->list;
        zwlr_foreign_toplevel_handle_v1_destroy(proxy);
        list->remove_if([proxy](const CToplevel& each) { return each.proxy == proxy; });
    }
    static void OnParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

    static void OnIdle(void* data) {
        auto* self = static_cast<CWlrootsDesktop*>(data);
        self->m_idle = true;
        self->m_lastInputTick = Clock().TickCount() - self->m_idleLimitMs;
    }
    static void OnResumed(void* data) { static_cast<CWlrootsDesktop*>(data)->m_idle = false; }

    static constexpr wl_registry_listener kRegistryListener{OnGlobal, OnGlobalRemove};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener{OnToplevel, OnFinished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener kToplevelListener{
        OnTitle, OnAppId, OnOutput, OnOutput, OnState, OnDone, OnClosed, OnParent};
    static constexpr ext_idle_notification_v1_listener kIdleNotificationListener{
        [](void* data, ext_idle_notification_v1*) { OnIdle(data); },
        [](void* data, ext_idle_notification_v1*) { OnResumed(data); }};
    static constexpr org_kde_kwin_idle_timeout_listener kKdeIdleTimeoutListener{
        [](void* data, org_kde_kwin_idle_timeout*) { OnIdle(data); },
        [](void* data, org_kde_kwin_idle_timeout*) { OnResumed(data); }};

    std::mutex m_mutex;
    const std::optional<std::string> m_name;
    const uint32_t m_idleLimitMs;
    uint32_t m_lastAttemptTick = 0;
    uint64_t m_changes = 1;  // events handed on, from 1 (0 means "cannot tell")
    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    zwlr_foreign_toplevel_manager_v1* m_manager = nullptr;
    ext_idle_notifier_v1* m_idleNotifier = nullptr;
    ext_idle_notification_v1* m_idleNotification = nullptr;
    org_kde_kwin_idle* m_kdeIdle = nullptr;
    org_kde_kwin_idle_timeout* m_kdeIdleTimeout = nullptr;
    std::list<CToplevel> m_toplevels;  // stable addresses: each is its listener's data
    WindowHandle m_lastHandle = kDesktopWindow;
    bool m_idle = false;
    uint32_t m_lastInputTick = 0;
    std::unique_ptr<CDesktopService> m_x11;  // for Xwayland windows, opened when one may be in front
};
}  // namespace

std::unique_ptr<CDesktopService> CreateWlrootsDesktop(std::optional<std::string> display, uint32_t idleLimitMs,
                                                      std::string& limitation) {
    auto desktop = std::make_unique<CWlrootsDesktop>(std::move(display), idleLimitMs);
    if (!desktop->Connect(limitation)) return nullptr;
    return desktop;
}
