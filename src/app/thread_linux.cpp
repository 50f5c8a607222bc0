// The worker thread on Linux: std::thread, and a mutex with a condition
// variable standing in for an auto-reset event. A thread that ignores a stop
// request is detached; it keeps this state alive through its own reference.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "app/thread.h"

struct CThreadContext::CState {
    std::mutex mutex;
    std::condition_variable stopChanged;
    std::condition_variable ended;
    bool stopSignalled = false;
    bool finished = false;
    bool abandoned = false;
    int exitCode = 0;
    std::thread thread;
};

CThreadContext::CThreadContext(CThread& owner, CEventInterface* receiver)
    : m_owner(&owner), m_receiver(receiver), m_state(std::make_unique<CState>()) {}

CThreadContext::~CThreadContext() = default;

bool CThreadContext::Start(const std::shared_ptr<CThreadContext>& self) {
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

int CThreadContext::WaitForStop(uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(m_state->mutex);
    if (!m_state->stopChanged.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                       [this] { return m_state->stopSignalled; }))
        return 0;
    m_state->stopSignalled = false;
    return 1;
}

void CThreadContext::SignalStop() {
    {
        std::lock_guard<std::mutex> guard(m_state->mutex);
        m_state->stopSignalled = true;
    }
    m_state->stopChanged.notify_all();
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
