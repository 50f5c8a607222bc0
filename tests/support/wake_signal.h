#pragma once
// A handle that a test makes ready, of the kind a worker thread's wait takes
// as its wake handle (CThreadContext::WaitForStop): on Linux an eventfd that
// can be read once signalled, on Windows a manual-reset event. It stays ready
// until Reset.

#include <cstdint>

class CWakeSignal {
public:
    CWakeSignal();
    ~CWakeSignal();
    CWakeSignal(const CWakeSignal&) = delete;
    CWakeSignal& operator=(const CWakeSignal&) = delete;

    std::intptr_t Handle() const { return m_handle; }
    void Signal();
    void Reset();

private:
    std::intptr_t m_handle;
};
