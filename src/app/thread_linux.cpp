// The worker thread on Linux: std::thread, and an eventfd standing in for an
// auto-reset event (one poll per tick, the wake descriptor included when there
// is one: the cheapest timed wait there is). A thread that ignores a stop
// request is detached; it keeps this state alive through its own reference.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>

#include "app/thread.h"

struct CThreadContext::CState {
    ~CState() {
        if (stopEvent >= 0) close(stopEvent);
    }
    int stopEvent = -1;  // readable while a stop is signalled
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    bool abandoned = false;
    int exitCode = 0;
    std::thread thread;
};

CThreadContext::CThreadContext(CThread& owner, CEventInterface* receiver)
    : m_owner(&owner), m_receiver(receiver), m_state(std::make_unique<CState>()) {}

CThreadContext::~CThreadContext() = default;

bool CThreadContext::Start(const std::shared_ptr<CThreadContext>& self) {
    m_state->stopEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_state->stopEvent < 0) return false;
    try {
        m_state->thread = std::thread([self] {
            const int exitCode = self->RunOwner();
            {
                std::lock_guard<std::mutex> guard(self->m_state->mutex);
                self->m_state->exitCode = exitCode;
                self->m_state->finished = true;
            }
            self->m_state->ended.notify_all();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

int CThreadContext::WaitForStop(uint32_t milliseconds, std::intptr_t wakeHandle) {
    pollfd events[2] = {{m_state->stopEvent, POLLIN, 0}, {static_cast<int>(wakeHandle), POLLIN, 0}};
    const nfds_t watched = wakeHandle >= 0 ? 2 : 1;
    int ready;
    do {
        ready = poll(events, watched, static_cast<int>(std::min<uint32_t>(milliseconds, INT_MAX)));
    } while (ready < 0 && errno == EINTR);
    if (ready < 1 || (events[0].revents & POLLIN) == 0) return 0;
    uint64_t count = 0;  // reading resets the event
    return read(m_state->stopEvent, &count, sizeof(count)) == sizeof(count) ? 1 : 0;
}

void CThreadContext::SignalStop() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_state->stopEvent, &one, sizeof(one));
}

bool CThreadContext::WaitForEnd(uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(m_state->mutex);
    return m_state->ended.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_state->finished; });
}

int CThreadContext::ExitCode() {
    std::lock_guard<std::mutex> guard(m_state->mutex);
    return m_state->abandoned ? -1 : m_state->exitCode;
}

void CThreadContext::Abandon() {
    std::lock_guard<std::mutex> guard(m_state->mutex);
    m_state->abandoned = true;
    m_state->thread.detach();
}

void CThreadContext::Close() {
    if (m_state->thread.joinable()) m_state->thread.join();
}
