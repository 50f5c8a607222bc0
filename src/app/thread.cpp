#include "app/thread.h"

#include <new>

#include "platform/com.h"

int CThreadContext::RunOwner() { return m_owner->Run(*this); }

CThread::~CThread() { Stop(); }

int CThread::RegisterEvent(CEventInterface* receiver) {
    if (!receiver) return 0;
    m_receiver = receiver;
    return 1;
}

int CThread::Execute() {
    if (m_context) return 0;
    std::shared_ptr<CThreadContext> context;
    try {
        context = std::make_shared<CThreadContext>(*this, m_receiver);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!context->Start(context)) return 0;
    m_context = std::move(context);
    return 1;
}

int CThread::Stop(uint32_t waitMs) {
    if (!m_context) return -1;
    m_context->SignalStop();
    if (!m_context->WaitForEnd(waitMs)) m_context->Abandon();
    const int exitCode = m_context->ExitCode();
    m_context->Close();
    m_context.reset();
    return exitCode;
}

int CThread::WaitForStop() { return m_context ? m_context->WaitForStop(1000) : 0; }

CTimeThread::~CTimeThread() { Stop(); }

int CTimeThread::Run(CThreadContext& context) {
    const uint32_t periodMs = m_periodMs;  // the object is not read after this
    InitializeCom();
    InitializeComSecurity();
    while (context.WaitForStop(periodMs) != 1) {
        CEventInterface* receiver = context.Receiver();
        if (!receiver) continue;
        try {
            receiver->OnEvent(EVENT_CHECK_ACTIVITY);
        } catch (...) {
            // A failed check must not end the ticking: the next one may succeed.
        }
    }
    UninitializeCom();
    return 0;
}
