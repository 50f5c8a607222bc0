#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "log/mutex_lock.h"

// std::recursive_timed_mutex gives the waiting and recursion of a Win32 mutex;
// the owner is tracked so that an unlock by another thread fails with 0 as
// ReleaseMutex does, instead of being undefined behaviour.
struct CMutexLock::CState {
    std::recursive_timed_mutex mutex;
    std::atomic<std::thread::id> owner{};
    int depth = 0;  // written only by the owner
};

CMutexLock::CMutexLock(const char* name) {
    if (name) std::strncpy(m_name, name, sizeof(m_name) - 1);
    Create();
}

CMutexLock::~CMutexLock() { Close(); }

int CMutexLock::Create() {
    if (m_state) return -7;
    m_state = std::make_unique<CState>();
    return 1;
}

int CMutexLock::Close() {
    m_state.reset();
    return 1;
}

int CMutexLock::Lock(int seconds) {
    if (!m_state) return -8;
    if (seconds < 0) return 0;
    if (!m_state->mutex.try_lock_for(std::chrono::seconds(seconds))) return -11;
    m_state->owner.store(std::this_thread::get_id());
    ++m_state->depth;
    return 1;
}

int CMutexLock::Unlock() {
    if (!m_state) return -8;
    if (m_state->owner.load() != std::this_thread::get_id()) return 0;
    if (--m_state->depth == 0) m_state->owner.store(std::thread::id());
    m_state->mutex.unlock();
    return 1;
}
