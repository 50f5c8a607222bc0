#include "app/thread.h"

#include <chrono>
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
    // The object is not read after this.
    const uint32_t periodMs = m_periodMs;
    CCheckPacer* const pacer = m_pacer;
    InitializeCom();
    InitializeComSecurity();
    uint32_t waitMs = periodMs;
    std::intptr_t wakeHandle = -1;
    auto lastCheck = std::chrono::steady_clock::now();
    while (context.WaitForStop(waitMs, wakeHandle) != 1) {
        // A wait that the wake handle ended early still keeps checks a period
        // apart: a burst of changes costs one check, as it did before.
        if (wakeHandle != -1) {
            const auto since = std::chrono::steady_clock::now() - lastCheck;
            const auto left = std::chrono::milliseconds(periodMs) - since;
            if (left.count() > 0 &&
                context.WaitForStop(static_cast<uint32_t>(
                    std::chrono::ceil<std::chrono::milliseconds>(left).count())) == 1)
                break;
        }
        waitMs = periodMs;
        wakeHandle = -1;
        CEventInterface* receiver = context.Receiver();
        if (!receiver) continue;
        lastCheck = std::chrono::steady_clock::now();
        try {
            receiver->OnEvent(EVENT_CHECK_ACTIVITY);
            if (pacer) waitMs = pacer->NextCheckWait(periodMs, wakeHandle);
        } catch (...) {
            // A failed check must not end the ticking: the next one may succeed.
            waitMs = periodMs;
            wakeHandle = -1;
        }
    }
    UninitializeCom();
    return 0;
}
