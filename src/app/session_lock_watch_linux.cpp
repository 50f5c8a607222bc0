#include "app/session_lock_watch_linux.h"

#include <systemd/sd-bus.h>
#include <systemd/sd-login.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
const char kLogind[] = "org.freedesktop.login1";
const char kManagerPath[] = "/org/freedesktop/login1";
const char kManagerInterface[] = "org.freedesktop.login1.Manager";
const char kSessionInterface[] = "org.freedesktop.login1.Session";
const char kLockedHint[] = "LockedHint";

// The id of the session to watch, or "" when none is known.
std::string FindSessionId() {
    const char* fromEnvironment = std::getenv("XDG_SESSION_ID");
    if (fromEnvironment && *fromEnvironment) return fromEnvironment;
    char* session = nullptr;
    if (sd_pid_get_session(0, &session) < 0 && sd_uid_get_display(getuid(), &session) < 0) return {};
    std::string id = session ? session : "";
    std::free(session);
    return id;
}

std::string ErrorText(const sd_bus_error& error, int result) {
    if (sd_bus_error_is_set(&error)) return std::string(error.name) + ": " + (error.message ? error.message : "");
    return std::strerror(-result);
}

// Microseconds on the monotonic clock, as sd-bus counts its time-outs.
uint64_t NowUs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

int64_t NowMs() { return static_cast<int64_t>(NowUs() / 1000u); }
}  // namespace

CSessionLockWatch::~CSessionLockWatch() { Close(); }

void CSessionLockWatch::Close() {
    Disconnect();
    m_reopening = false;
}

void CSessionLockWatch::Disconnect() {
    m_match = sd_bus_slot_unref(m_match);
    m_bus = sd_bus_flush_close_unref(m_bus);
    m_sessionPath.clear();
}

void CSessionLockWatch::Fail(const std::string& text, int error) {
    m_failure = text + " (" + std::strerror(error < 0 ? -error : error) + ")";
    Disconnect();
}

int CSessionLockWatch::Open() {
    if (m_bus) return -7;
    bool locked = false;
    const int result = Connect(locked);
    if (result != 1) return result;
    m_locked = locked;
    m_retryMs = kFirstRetryMs;
    return 1;
}

int CSessionLockWatch::Connect(bool& locked) {
    m_failure.clear();
    int result = sd_bus_open_system(&m_bus);
    if (result < 0) {
        m_bus = nullptr;
        Fail("no system bus", result);
        return -8;
    }
    // The default of 25 s would hold up the loop's signals for that long.
    sd_bus_set_method_call_timeout(m_bus, static_cast<uint64_t>(kCallTimeoutMs) * 1000);
    const std::string id = FindSessionId();
    if (id.empty()) {
        m_failure = "no login session found for this user";
        Disconnect();
        return -52;
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const char* path = nullptr;
    result = sd_bus_call_method(m_bus, kLogind, kManagerPath, kManagerInterface, "GetSession", &error, &reply, "s",
                                id.c_str());
    if (result >= 0) result = sd_bus_message_read(reply, "o", &path);
    if (result >= 0) m_sessionPath = path;
    reply = sd_bus_message_unref(reply);
    if (result < 0) {
        m_failure = "logind does not answer for session " + id + ": " + ErrorText(error, result);
        sd_bus_error_free(&error);
        Disconnect();
        return -52;
    }
    result = sd_bus_match_signal(m_bus, &m_match, kLogind, m_sessionPath.c_str(), "org.freedesktop.DBus.Properties",
                                 "PropertiesChanged", &CSessionLockWatch::OnPropertiesChanged, this);
    if (result < 0) {
        Fail("cannot follow session " + id, result);
        return -8;
    }
    if (!ReadHint(locked)) {
        Disconnect();
        return -52;
    }
    return 1;
}

void CSessionLockWatch::ScheduleReopen() {
    m_reopenAtMs = NowMs() + m_retryMs;
    m_retryMs = m_retryMs * 2 > kMaxRetryMs ? kMaxRetryMs : m_retryMs * 2;
}

bool CSessionLockWatch::ReadHint(bool& locked) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int value = 0;
    const int result = sd_bus_get_property_trivial(m_bus, kLogind, m_sessionPath.c_str(), kSessionInterface,
                                                   kLockedHint, &error, 'b', &value);
    if (result < 0) {
        m_failure =
            "cannot read " + std::string(kLockedHint) + " of " + m_sessionPath + ": " + ErrorText(error, result);
        sd_bus_error_free(&error);
        return false;
    }
    locked = value != 0;
    return true;
}

int CSessionLockWatch::Fd() const { return m_bus ? sd_bus_get_fd(m_bus) : -1; }

short CSessionLockWatch::Events() const {
    const int events = m_bus ? sd_bus_get_events(m_bus) : 0;
    return static_cast<short>(events < 0 ? 0 : events);
}

int CSessionLockWatch::TimeoutMs() const {
    if (!m_bus) {
        if (!m_reopening) return -1;
        const int64_t due = m_reopenAtMs - NowMs();
        return due <= 0 ? 0 : static_cast<int>(due);
    }
    uint64_t deadline = UINT64_MAX;
    if (sd_bus_get_timeout(m_bus, &deadline) < 0 || deadline == UINT64_MAX) return -1;
    const uint64_t nowUs = NowUs();
    if (deadline <= nowUs) return 0;
    const uint64_t ms = (deadline - nowUs + 999) / 1000;
    return ms > 60000 ? 60000 : static_cast<int>(ms);
}

int CSessionLockWatch::Process(CSessionLockListener& listener) {
    m_listener = &listener;
    int result = 1;
    if (!m_bus) {
        bool locked = false;
        if (!m_reopening) {
            result = -8;
        } else if (NowMs() < m_reopenAtMs) {
            result = 1;
        } else if (Connect(locked) != 1) {
            ScheduleReopen();
        } else {
            m_reopening = false;
            m_retryMs = kFirstRetryMs;
            Apply(locked);
            result = 2;
        }
    } else {
        int processed;
        while ((processed = sd_bus_process(m_bus, nullptr)) > 0) {
        }
        if (processed < 0) {
            Fail("lost the system bus", processed);
            // Unseen from now on: a Locked row must not run on until the bus returns.
            Apply(false);
            m_reopening = true;
            ScheduleReopen();
            result = -8;
        }
    }
    m_listener = nullptr;
    return result;
}

void CSessionLockWatch::Apply(bool locked) {
    if (locked == m_locked) return;
    m_locked = locked;
    if (m_listener) m_listener->OnSessionLocked(locked);
}

// PropertiesChanged (interface, changed {name: value}, invalidated [name]).
// A malformed signal is ignored: it cannot be told apart from one about
// another property.
int CSessionLockWatch::OnPropertiesChanged(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watch = static_cast<CSessionLockWatch*>(self);
    const char* interface = nullptr;
    if (sd_bus_message_read(message, "s", &interface) < 0 || std::strcmp(interface, kSessionInterface) != 0) return 0;
    if (sd_bus_message_enter_container(message, 'a', "{sv}") < 0) return 0;
    while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read(message, "s", &name) < 0) return 0;
        if (std::strcmp(name, kLockedHint) == 0) {
            int value = 0;
            if (sd_bus_message_read(message, "v", "b", &value) < 0) return 0;
            watch->Apply(value != 0);
        } else if (sd_bus_message_skip(message, "v") < 0) {
            return 0;
        }
        if (sd_bus_message_exit_container(message) < 0) return 0;
    }
    if (sd_bus_message_exit_container(message) < 0) return 0;
    // A property may also be announced as changed without its value.
    char** invalidated = nullptr;
    if (sd_bus_message_read_strv(message, &invalidated) < 0) return 0;
    bool hintInvalidated = false;
    for (char** name = invalidated; name && *name; ++name) {
        hintInvalidated = hintInvalidated || std::strcmp(*name, kLockedHint) == 0;
        std::free(*name);
    }
    std::free(invalidated);
    bool locked = false;
    if (hintInvalidated && watch->ReadHint(locked)) watch->Apply(locked);
    return 0;
}
