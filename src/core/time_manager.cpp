// CTimeManager: construction and destruction, the event dispatch, the start,
// stop, pause, resume and null handlers, the orderly stop, and the logging
// helpers every part of the time manager uses.
#include "core/time_manager.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <thread>

#include "platform/clock.h"
#include "sensing/time_stamp.h"

namespace {
constexpr char kOnEvent[] = "CTimeManager::OnEvent";
constexpr char kOnNullEvent[] = "CTimeManager::OnNullEvent";
constexpr char kStopAndSave[] = "CTimeManager::StopAndSaveActivity";

// An orderly stop waits this long for the check in progress, and then this
// long for m_lock, so that it ends well within 10 seconds (the save that
// follows tries each database operation once).
constexpr uint32_t kWorkerStopWaitMs = CThread::kStopWaitMs;
constexpr int kStopLockWaitMs = 2000;
}  // namespace

CTimeManager::CTimeManager(uint32_t tickPeriodMs) : m_timeThread(tickPeriodMs) {
    m_dbManager.SetRetriesCut(&m_retriesCut);
    m_timeThread.SetPacer(this);
}

CTimeManager::~CTimeManager() {
    // The worker thread works on every member below: it goes first.
    m_timeThread.Stop();
}

void CTimeManager::LogInfo(int level, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    LogV(LOG_INFO, level, format, arguments);
    va_end(arguments);
}

void CTimeManager::LogError(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    LogV(LOG_ERROR, 0, format, arguments);
    va_end(arguments);
}

void CTimeManager::LogRepeating(CRepeatedFailure& repeats, const char* line) {
    if (repeats.InRun() && (!line || repeats.Line() != line)) {
        const int count = repeats.EndRun();
        if (count > 0) LogError("%s (repeated %d more times, ended)", repeats.Line().c_str(), count);
    }
    if (!line) return;
    switch (repeats.Occurred(line, Clock().TickCount())) {
        case CRepeatedFailure::Verdict::First:
            LogError("%s", line);
            break;
        case CRepeatedFailure::Verdict::StillOn:
            LogError("%s (repeated %d more times, still going on)", line, repeats.TakeCount());
            break;
        case CRepeatedFailure::Verdict::Quiet:
            break;
    }
}

int CTimeManager::OnEvent(int event) {
    if (event > EVENT_CHANGE_TIME) {
        LogError("%s (%i) Incorrect Event = %i", kOnEvent, 1, event);
        return -1;
    }
    // Read before the time: a check compares it after its capture.
    const uint32_t changes = m_changes.load();
    const CMoment now = NowMoment();
    if (event == EVENT_CHECK_ACTIVITY) {
        OnCheckActivity(now, changes);
        ExpireDetails(now);
        return 1;
    }
    // The window thread's own captures may exchange DDE messages with a
    // browser, which dispatches the thread's messages meanwhile: an event
    // that arrives so waits until the one in progress is done.
    static thread_local int handling = 0;
    if (handling > 0) {
        m_deferredEvents.push_back({event, now});
        return 1;
    }
    ++handling;
    Dispatch(event, now);
    while (!m_deferredEvents.empty()) {
        const CDeferredEvent next = m_deferredEvents.front();
        m_deferredEvents.pop_front();
        Dispatch(next.event, next.now);
    }
    --handling;
    return 1;
}

void CTimeManager::Dispatch(int event, const CMoment& now) {
    if (TakenByPause(event)) return;
    switch (event) {
        case EVENT_NULL:
            OnNullEvent();
            break;
        case EVENT_START:
            OnStart(now);
            break;
        case EVENT_STOP:
            OnStop();
            break;
        case EVENT_PAUSE:
            OnPause();
            break;
        case EVENT_RESUME:
            OnResume();
            break;
        case EVENT_LOCK:
            OnLock(now);
            break;
        case EVENT_UNLOCK:
            OnUnlock(now);
            break;
        case EVENT_CHANGE_TIME:
            OnChangeTime(now);
            break;
        default:
            break;  // a negative number: nothing to do
    }
}

int CTimeManager::OnStart(const CMoment& now) {
    LogInfo(1, "Start process");
    FindLastActivity(now);
    if (m_timeThread.RegisterEvent(this) != 1) LogError("RegisterEvent error");
    if (m_timeThread.Execute() != 1) LogError("Execute error");
    return 1;
}

int CTimeManager::OnStop() {
    LogInfo(1, "Stop process");
    m_timeThread.Stop();
    return 1;
}

int CTimeManager::OnPause() {
    LogInfo(1, "Pause process");
    return 1;
}

int CTimeManager::OnResume() {
    LogInfo(1, "Resume process");
    return 1;
}

int CTimeManager::OnNullEvent() {
    LogInfo(1, "%s started", kOnNullEvent);
    return 1;
}

int CTimeManager::StopAndSaveActivity() {
    // From here on a save tries each database operation once, the worker's
    // save in progress included, so that neither holds the stop up.
    m_retriesCut.fetch_or(kRetriesCutForStop);
    const bool hadWorker = m_timeThread.IsRunning();
    if (m_timeThread.Stop(kWorkerStopWaitMs) == -1 && hadWorker) m_workerLeftRunning = true;

    // A worker let go may still hold m_lock: it is waited for a while, never
    // for ever; the checkpoint keeps the activity otherwise (the worker's
    // own writes of it included: m_activityInProgress stays set).
    std::unique_lock<std::recursive_mutex> guard(m_lock, std::defer_lock);
    for (int waited = 0; !guard.try_lock(); waited += 10) {
        if (waited >= kStopLockWaitMs) {
            m_tracking = false;
            LogError("%s (%i) A check holds the activity in progress: it is left to the checkpoint", kStopAndSave, 1);
            return -3;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!m_activityInProgress) return 0;
    m_tracking = false;
    ++m_changes;
    LogInfo(1, "%s started", kStopAndSave);
    if (m_workerLeftRunning)
        LogError("%s (%i) A check did not end within %u ms: the worker thread was let go", kStopAndSave, 2,
                 static_cast<unsigned>(kWorkerStopWaitMs));
    // Up to the stop, unless no check came for longer than an offline gap:
    // that time was not observed, and the next start books it as Offline.
    CWinActivity stop;
    stop.SetStartAndFinish(NowMoment());
    if (IsOfflineGap(m_lastActivity.GetFinishMoment(), stop.GetStartMoment()) == 0) ExtendLastActivity(stop);
    const int saved = SaveLastActivity();
    // No activity in progress any more; what could not be stored waits there.
    m_activityInProgress = false;
    WriteCheckpoint();
    LogInfo(1, "%s finished", kStopAndSave);
    return saved;
}
