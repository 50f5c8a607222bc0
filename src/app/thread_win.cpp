// The worker thread on Windows: CreateThread, an unnamed auto-reset stop
// event, and TerminateThread for a thread that ignores a stop request.
#include <windows.h>

#include <new>

#include "app/thread.h"

struct CThreadContext::CState {
    HANDLE thread = nullptr;
    HANDLE stopEvent = nullptr;
    bool abandoned = false;

    // The thread's entry: takes over the reference to the context that Start
    // handed it and runs the owner's body.
    static DWORD WINAPI Entry(LPVOID parameter) {
        auto* handed = static_cast<std::shared_ptr<CThreadContext>*>(parameter);
        const std::shared_ptr<CThreadContext> context = std::move(*handed);
        delete handed;
        return static_cast<DWORD>(context->RunOwner());
    }
};

CThreadContext::CThreadContext(CThread& owner, CEventInterface* receiver)
    : m_owner(&owner), m_receiver(receiver), m_state(std::make_unique<CState>()) {}

CThreadContext::~CThreadContext() = default;

bool CThreadContext::Start(const std::shared_ptr<CThreadContext>& self) {
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, TRUE};
    m_state->stopEvent = CreateEventA(&security, FALSE, FALSE, nullptr);
    auto* handed = new (std::nothrow) std::shared_ptr<CThreadContext>(self);
    if (handed) m_state->thread = CreateThread(nullptr, 0, CState::Entry, handed, 0, nullptr);
    if (m_state->thread) return true;
    delete handed;
    Close();
    return false;
}

int CThreadContext::WaitForStop(uint32_t milliseconds) {
    return WaitForSingleObject(m_state->stopEvent, milliseconds) == WAIT_OBJECT_0 ? 1 : 0;
}

void CThreadContext::SignalStop() {
    if (m_state->stopEvent) SetEvent(m_state->stopEvent);
}

bool CThreadContext::WaitForEnd(uint32_t milliseconds) {
    return WaitForSingleObject(m_state->thread, milliseconds) == WAIT_OBJECT_0;
}

int CThreadContext::ExitCode() {
    DWORD code = 0;
    if (!GetExitCodeThread(m_state->thread, &code) || (m_state->abandoned && code == STILL_ACTIVE)) return -1;
    return static_cast<int>(code);
}

void CThreadContext::Abandon() {
    // The thread dies holding its reference to this context, which is then
    // never released: a small, deliberate leak at shutdown.
    TerminateThread(m_state->thread, static_cast<DWORD>(-1));
    WaitForSingleObject(m_state->thread, 1000);
    m_state->abandoned = true;
}

void CThreadContext::Close() {
    if (m_state->thread) CloseHandle(m_state->thread);
    if (m_state->stopEvent) CloseHandle(m_state->stopEvent);
    m_state->thread = nullptr;
    m_state->stopEvent = nullptr;
}
