// The desktop of GNOME Shell on Wayland, seen through the session bus:
//  - windows: the focused window as the collector's shell extension tells it
//    (gnome-shell/ in the source tree): its Mutter window id, title, WM class
//    and process id (exact), asked for once and then followed through the
//    extension's FocusChanged signal; the desktop window (in front when no
//    window has the focus) is a number of its own, without title or process;
//  - last input: Mutter's idle monitor, with an idle watch at the limit and a
//    user-active watch once it fired (both are Mutter's own signals); the idle
//    time is asked for only when a watch fired;
//  - windows by class: none.
// Signals are read without waiting at each call: while nothing changes a call
// sends nothing on the bus. Every message handled moves the change count, and
// the bus connection's socket is the change notice. The extension or Mutter
// appearing later (enabled after the start, or the shell restarted) is
// noticed through the bus's NameOwnerChanged. A lost bus is joined again at most every 10 s.
// Thread safety: one mutex around every call.
#include <systemd/sd-bus.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/clock.h"
#include "platform/desktop_linux.h"
#include "platform/gnome_names_linux.h"
#include "platform/text.h"
#include "platform/x11_title_linux.h"

namespace {
constexpr uint32_t kReconnectIntervalMs = 10000;
constexpr WindowHandle kDesktopWindow = UINTPTR_MAX;

class CGnomeDesktop : public CDesktopService {
public:
    CGnomeDesktop(std::optional<std::string> busAddress, uint32_t idleLimitMs)
        : m_address(std::move(busAddress)), m_idleLimitMs(idleLimitMs) {}
    ~CGnomeDesktop() override { Disconnect(); }

    // Joins the bus and reads the focus and idle state; false when the bus
    // cannot be joined. `extensionAnswers` tells whether the extension did.
    bool Connect(bool& extensionAnswers) {
        m_lastAttemptTick = Clock().TickCount();
        int result = m_address ? sd_bus_new(&m_bus) : sd_bus_open_user(&m_bus);
        if (result >= 0 && m_address) {
            sd_bus_set_address(m_bus, m_address->c_str());
            sd_bus_set_bus_client(m_bus, 1);
            result = sd_bus_start(m_bus);
        }
        if (result >= 0)
            result = sd_bus_match_signal(m_bus, nullptr, kFocusName, kFocusPath, kFocusInterface, "FocusChanged",
                                         OnFocusChanged, this);
        if (result >= 0)
            result = sd_bus_match_signal(m_bus, nullptr, kIdleMonitorName, kIdleMonitorPath, kIdleMonitorInterface,
                                         "WatchFired", OnWatchFired, this);
        for (const char* name : {kFocusName, kIdleMonitorName}) {
            const std::string rule =
                std::string("type='signal',sender='org.freedesktop.DBus',member='NameOwnerChanged',arg0='") + name +
                "'";
            if (result >= 0) result = sd_bus_add_match(m_bus, nullptr, rule.c_str(), OnOwnerChanged, this);
        }
        if (result < 0) {
            Disconnect();
            return false;
        }
        m_readFocus = m_setUpIdle = true;
        FollowUp();
        extensionAnswers = m_extensionAnswers;
        return m_bus != nullptr;
    }

    WindowHandle GetForegroundWindow() override {
        std::lock_guard<std::mutex> hold(m_mutex);
        return CatchUp() ? m_focus.window : 0;
    }

    WindowHandle GetDesktopWindow() override {
        std::lock_guard<std::mutex> hold(m_mutex);
        return CatchUp() ? kDesktopWindow : 0;
    }

    int GetWindowTextLength(WindowHandle window) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (!CatchUp() || !IsFocused(window)) return 0;
        return static_cast<int>(std::min<size_t>(m_focus.title.size(), INT_MAX));
    }

    int GetWindowText(WindowHandle window, char* buffer, int limit) override {
        if (!buffer || limit < 1) return 0;
        buffer[0] = '\0';
        std::lock_guard<std::mutex> hold(m_mutex);
        if (!CatchUp() || !IsFocused(window)) return 0;
        return static_cast<int>(CopyTextCut(buffer, m_focus.title.c_str(), static_cast<size_t>(limit - 1)));
    }

    uint32_t GetWindowProcessId(WindowHandle window) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        return CatchUp() && IsFocused(window) ? m_focus.processId : 0;
    }

    bool GetLastInputTick(uint32_t& tick) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (!CatchUp() || m_idleWatch == 0) return false;
        tick = m_idle ? m_lastInputTick : Clock().TickCount();
        return true;
    }

    uint64_t ChangeCount() override {
        std::lock_guard<std::mutex> hold(m_mutex);
        return CatchUp() ? m_changes : 0;
    }

    std::intptr_t ChangeNotice() override {
        std::lock_guard<std::mutex> hold(m_mutex);
        if (!m_bus) return -1;
        // A message the follow-up calls read while they waited for their
        // replies is news already there.
        const int processed = sd_bus_process(m_bus, nullptr);
        if (processed != 0) {
            if (processed > 0) ++m_changes;
            return -1;
        }
        return sd_bus_get_fd(m_bus);
    }

    WindowHandle FindWindow(const char*) override { return 0; }
    WindowHandle FindChildWindow(WindowHandle, WindowHandle, const char*) override { return 0; }
    bool IsWindowVisible(WindowHandle window) override {
        std::lock_guard<std::mutex> hold(m_mutex);
        return CatchUp() && IsFocused(window);
    }

private:
    struct CFocus {
        WindowHandle window = 0;
        std::string title;
        uint32_t processId = 0;
    };

    bool IsFocused(WindowHandle window) const { return window != 0 && window == m_focus.window; }

    bool CatchUp() {
        if (!m_bus && Clock().TickCount() - m_lastAttemptTick >= kReconnectIntervalMs) {
            bool answers = false;
            Connect(answers);
        }
        if (!m_bus) return false;
        int result;
        while ((result = sd_bus_process(m_bus, nullptr)) > 0)
            ++m_changes;
        if (result < 0) {
            Disconnect();
            return false;
        }
        FollowUp();
        return m_bus != nullptr;
    }

    // The calls that the signals asked for (made outside their handlers).
    void FollowUp() {
        if (m_readFocus) {
            m_readFocus = false;
            sd_bus_message* reply = nullptr;
            m_extensionAnswers = sd_bus_call_method(m_bus, kFocusName, kFocusPath, kFocusInterface, "GetFocus",
                                                    nullptr, &reply, "") >= 0 &&
                                 ReadFocus(reply);
            if (!m_extensionAnswers) m_focus = {};
            sd_bus_message_unref(reply);
        }
        if (m_setUpIdle) {
            m_setUpIdle = false;
            m_idle = false;
            m_activeWatch = 0;
            m_idleWatch = CallForNumber<uint32_t>("AddIdleWatch", "t", "u", m_idleLimitMs);
            m_readIdle = m_idleWatch != 0;
        }
        if (m_readIdle) {
            m_readIdle = false;
            ReadIdleTime();
            if (m_idle && m_activeWatch == 0) {
                m_activeWatch = CallForNumber<uint32_t>("AddUserActiveWatch", "", "u");
                // Input between the two calls would wait for the next one.
                ReadIdleTime();
            }
        }
    }

    void ReadIdleTime() {
        const uint64_t idle = CallForNumber<uint64_t>("GetIdletime", "", "t");
        m_idle = idle >= m_idleLimitMs;
        if (m_idle) m_lastInputTick = Clock().TickCount() - static_cast<uint32_t>(std::min<uint64_t>(idle, UINT32_MAX));
    }

    // A method of the idle monitor that answers one number of type `answer`;
    // 0 on failure. `argument`: "t" to send `value`, "" to send nothing.
    template <class Number>
    Number CallForNumber(const char* method, const char* argument, const char* answer, uint64_t value = 0) {
        sd_bus_message* reply = nullptr;
        Number number = 0;
        if (sd_bus_call_method(m_bus, kIdleMonitorName, kIdleMonitorPath, kIdleMonitorInterface, method, nullptr,
                               &reply, argument, value) < 0 ||
            sd_bus_message_read(reply, answer, &number) < 0)
            number = 0;
        sd_bus_message_unref(reply);
        return number;
    }

    // Reads (t id, s title, s class, u pid) into the focus.
    bool ReadFocus(sd_bus_message* message) {
        uint64_t id = 0;
        const char* title = nullptr;
        const char* windowClass = nullptr;
        uint32_t pid = 0;
        if (sd_bus_message_read(message, "tssu", &id, &title, &windowClass, &pid) < 0) return false;
        m_focus.window = static_cast<WindowHandle>(id);
        m_focus.title = DecodeWindowTitle(reinterpret_cast<const unsigned char*>(title), std::strlen(title),
                                          ETitleEncoding::Utf8, false);
        m_focus.processId = pid;
        return true;
    }

    static int OnFocusChanged(sd_bus_message* message, void* data, sd_bus_error*) {
        auto* self = static_cast<CGnomeDesktop*>(data);
        self->m_extensionAnswers = self->ReadFocus(message);
        return 0;
    }

    static int OnWatchFired(sd_bus_message* message, void* data, sd_bus_error*) {
        auto* self = static_cast<CGnomeDesktop*>(data);
        uint32_t watch = 0;
        if (sd_bus_message_read(message, "u", &watch) < 0 || watch == 0) return 0;
        if (watch == self->m_idleWatch) self->m_readIdle = true;
        if (watch == self->m_activeWatch) {
            // A user-active watch fires once.
            self->m_activeWatch = 0;
            self->m_idle = false;
        }
        return 0;
    }

    static int OnOwnerChanged(sd_bus_message* message, void* data, sd_bus_error*) {
        auto* self = static_cast<CGnomeDesktop*>(data);
        const char *name = nullptr, *before = nullptr, *after = nullptr;
        if (sd_bus_message_read(message, "sss", &name, &before, &after) < 0) return 0;
        const bool present = after && after[0];
        if (std::strcmp(name, kFocusName) == 0) {
            if (!present) self->m_focus = {};
            self->m_readFocus = present;
        } else if (std::strcmp(name, kIdleMonitorName) == 0) {
            self->m_idleWatch = self->m_activeWatch = 0;
            self->m_idle = false;
            self->m_setUpIdle = present;
        }
        return 0;
    }

    void Disconnect() {
        if (m_bus) sd_bus_flush_close_unref(m_bus);
        m_bus = nullptr;
        m_focus = {};
        m_idleWatch = m_activeWatch = 0;
        m_idle = false;
    }

    std::mutex m_mutex;
    uint64_t m_changes = 1;  // bus messages handled, from 1 (0 means "cannot tell")
    const std::optional<std::string> m_address;
    const uint32_t m_idleLimitMs;
    uint32_t m_lastAttemptTick = 0;
    sd_bus* m_bus = nullptr;
    CFocus m_focus;
    bool m_extensionAnswers = false;
    uint32_t m_idleWatch = 0;    // 0: no idle monitor
    uint32_t m_activeWatch = 0;  // 0: none pending
    bool m_idle = false;
    uint32_t m_lastInputTick = 0;
    // Calls to make once the signals at hand are handled.
    bool m_readFocus = false;
    bool m_setUpIdle = false;
    bool m_readIdle = false;
};
}  // namespace

std::unique_ptr<CDesktopService> CreateGnomeDesktop(std::optional<std::string> busAddress, uint32_t idleLimitMs,
                                                    std::string& limitation) {
    auto desktop = std::make_unique<CGnomeDesktop>(std::move(busAddress), idleLimitMs);
    bool extensionAnswers = false;
    if (!desktop->Connect(extensionAnswers))
        limitation = "the desktop is GNOME (Wayland), but the session bus cannot be joined: its windows cannot be "
                     "seen until it can";
    else if (!extensionAnswers)
        limitation = std::string("the desktop is GNOME (Wayland), whose windows the collector sees through its "
                                 "GNOME Shell extension ") +
                     kFocusExtensionUuid +
                     ", which does not answer: install and enable it (./run.sh does both) and log in again";
    return desktop;
}
