// The worker thread on Windows: CreateThread and an unnamed auto-reset stop
// event. A thread that ignores a stop request is let go, never terminated.
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

int CThreadContext::WaitForStop(uint32_t milliseconds, std::intptr_t wakeHandle) {
    if (wakeHandle == -1) return WaitForSingleObject(m_state->stopEvent, milliseconds) == WAIT_OBJECT_0 ? 1 : 0;
    const HANDLE events[2] = {m_state->stopEvent, reinterpret_cast<HANDLE>(wakeHandle)};
    return WaitForMultipleObjects(2, events, FALSE, milliseconds) == WAIT_OBJECT_0 ? 1 : 0;
}

void CThreadContext::SignalStop() {
    if (m_state->stopEvent) SetEvent(m_state->stopEvent);
}

bool CThreadContext::WaitForEnd(uint32_t milliseconds) {
    // The thread may be waiting for this one: reading the title of a window
    // of this thread sends it WM_GETTEXT. Sent messages are answered while
    // waiting; posted ones stay queued.
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        const DWORD left = waited < milliseconds ? milliseconds - waited : 0;
        const DWORD woken = MsgWaitForMultipleObjects(1, &m_state->thread, FALSE, left, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

int CThreadContext::ExitCode() {
    DWORD code = 0;
    if (m_state->abandoned || !GetExitCodeThread(m_state->thread, &code)) return -1;
    return static_cast<int>(code);
}

void CThreadContext::Abandon() { m_state->abandoned = true; }

void CThreadContext::Close() {
    if (m_state->thread) CloseHandle(m_state->thread);
    m_state->thread = nullptr;
    // A thread let go still waits on its stop event: it stays open (and
    // signalled) for as long as the process lives.
    if (m_state->stopEvent && !m_state->abandoned) CloseHandle(m_state->stopEvent);
    if (!m_state->abandoned) m_state->stopEvent = nullptr;
}
