#pragma once
// The worker thread: a small wrapper around one operating-system thread with a
// stop event and a registered event receiver, and CTimeThread, whose body
// sends EVENT_CHECK_ACTIVITY to the receiver about once a second.
//
// Windows: CreateThread and an unnamed auto-reset event; while Stop waits for
// the thread's end it still answers the messages other threads send to the
// calling thread (the worker reads window titles, which Windows asks a
// window's own thread for). Linux: std::thread and an eventfd as the event.
// A thread that ignores a stop request is never terminated (it could hold a
// lock, a database or a log file): it is let go and left to the process's
// exit.
//
// What the running thread uses (the stop event, the receiver, its exit code)
// lives in a CThreadContext that the thread and its CThread own together, so
// a thread left running after Stop never touches a destroyed CThread.
//
// Results: Execute 1 started, 0 already running or not created; Stop the
// thread's exit code (0 for CTimeThread), -1 when no thread was started or the
// thread was let go still running (it ignored the stop); WaitForStop
// 1 signalled, 0 time-out or failed wait; RegisterEvent 1, 0 for a null
// receiver.
//
// Thread safety: Execute, Stop and RegisterEvent are called from one thread
// (the owner's). The receiver is registered before Execute and only read by
// the running thread.

#include <cstdint>
#include <memory>

#include "core/event_interface.h"

class CThread;

class CThreadContext {
public:
    CThreadContext(CThread& owner, CEventInterface* receiver);
    ~CThreadContext();
    CThreadContext(const CThreadContext&) = delete;
    CThreadContext& operator=(const CThreadContext&) = delete;

    // Waits at most `milliseconds` for the stop event, which resets itself
    // when a wait sees it, or until `wakeHandle` turns ready (Linux: a
    // descriptor that can be read; Windows: an event signalled; -1 none):
    // 1 stop signalled, 0 time-out, woken or failed wait.
    int WaitForStop(uint32_t milliseconds, std::intptr_t wakeHandle = -1);
    // The receiver registered when the thread started, or nullptr.
    CEventInterface* Receiver() const { return m_receiver; }

private:
    friend class CThread;
    struct CState;  // the operating system's thread and event

    // The operating-system side, one implementation per target.
    // Creates the stop event and starts the thread, which keeps `self` alive
    // until it returns; false when the thread could not be created.
    bool Start(const std::shared_ptr<CThreadContext>& self);
    void SignalStop();
    // Waits at most `milliseconds` for the thread to return; true when it has
    // returned. On Windows sent messages are answered meanwhile.
    bool WaitForEnd(uint32_t milliseconds);
    // The value Run returned, or -1 for a thread that was let go.
    int ExitCode();
    // Lets go of a thread that is still running: it keeps this context (and
    // its stop event, signalled) and ends when its body returns.
    void Abandon();
    // Releases the thread and, when no thread uses it any more, the event.
    void Close();
    // The thread's body, called on the new thread.
    int RunOwner();

    CThread* m_owner;  // read only while the thread enters Run
    CEventInterface* m_receiver;
    std::unique_ptr<CState> m_state;
};

class CThread {
public:
    CThread() = default;
    // Stops a running thread. A derived class stops it in its own destructor,
    // so that Run is never left running on a half-destroyed object.
    virtual ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // How long Stop waits by default for the check in progress.
    static constexpr uint32_t kStopWaitMs = 3000;

    int RegisterEvent(CEventInterface* receiver);
    int Execute();
    // Signals the stop event and waits at most `waitMs` for the thread to
    // return (it normally finishes its check in progress); a thread still
    // running then is let go, and Stop gives -1. The wait runs on the real
    // clock and returns as soon as the thread has returned.
    int Stop(uint32_t waitMs = kStopWaitMs);
    // True between a successful Execute and the following Stop.
    bool IsRunning() const { return m_context != nullptr; }
    // Waits at most 1000 ms for the stop event of the running thread; 0 when
    // no thread runs.
    int WaitForStop();

protected:
    // The thread's body; its result becomes the exit code. It reaches the
    // stop event and the receiver through `context` only, and must not let
    // an exception escape.
    virtual int Run(CThreadContext& context) = 0;

private:
    friend class CThreadContext;

    std::shared_ptr<CThreadContext> m_context;  // null when no thread runs
    CEventInterface* m_receiver = nullptr;
};

// Decides, after each check of a CTimeThread, when the next one comes.
class CCheckPacer {
public:
    virtual ~CCheckPacer() = default;
    // The wait before the next check (`periodMs`, or longer while nothing
    // that a check would see can change unannounced) and, in `wakeHandle`,
    // what ends that wait early when it turns ready (see WaitForStop; -1
    // none). Called on the thread, between checks.
    virtual uint32_t NextCheckWait(uint32_t periodMs, std::intptr_t& wakeHandle) = 0;
};

// Sends EVENT_CHECK_ACTIVITY to the receiver after every `periodMs` of
// waiting on the stop event (1000 ms in the collector; tests shorten it), or
// after the wait a pacer set before Execute chose; when the pacer's wake
// handle ends that wait early, the check comes at once, but never sooner than
// `periodMs` after the one before. COM is initialised on the
// thread, with the process-wide security the WMI process queries need. An
// exception thrown by the receiver or the pacer is dropped and the next tick
// still comes, after `periodMs`.
class CTimeThread : public CThread {
public:
    explicit CTimeThread(uint32_t periodMs = 1000) : m_periodMs(periodMs) {}
    ~CTimeThread() override;

    // Before Execute; nullptr: every wait is `periodMs`.
    void SetPacer(CCheckPacer* pacer) { m_pacer = pacer; }

protected:
    int Run(CThreadContext& context) override;

private:
    uint32_t m_periodMs;
    CCheckPacer* m_pacer = nullptr;
};
