#include <windows.h>

#include <cstring>

#include "log/mutex_lock.h"

struct CMutexLock::CState {
    HANDLE handle = nullptr;
};

CMutexLock::CMutexLock(const char* name) {
    if (name) std::strncpy(m_name, name, sizeof(m_name) - 1);
    Create();
}

CMutexLock::~CMutexLock() { Close(); }

int CMutexLock::Create() {
    if (m_state) return -7;
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, TRUE};
    HANDLE handle = CreateMutexA(&security, FALSE, m_name[0] ? m_name : nullptr);
    if (!handle) return 0;
    m_state = std::make_unique<CState>(CState{handle});
    return 1;
}

int CMutexLock::Close() {
    if (!m_state) return 1;
    const BOOL closed = CloseHandle(m_state->handle);
    m_state.reset();
    return closed ? 1 : 0;
}

int CMutexLock::Lock(int seconds) {
    if (!m_state) return -8;
    switch (WaitForSingleObject(m_state->handle, static_cast<DWORD>(seconds) * 1000u)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            return 1;
        case WAIT_TIMEOUT:
            return -11;
        default:
            return 0;
    }
}

int CMutexLock::Unlock() {
    if (!m_state) return -8;
    return ReleaseMutex(m_state->handle) ? 1 : 0;
}
