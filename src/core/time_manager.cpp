// CTimeManager: construction and destruction, the event dispatch, the start,
// stop, pause, resume and null handlers, the orderly stop, and the two
// logging helpers every part of the time manager uses.
#include "core/time_manager.h"

#include <cstdarg>

#include "sensing/time_stamp.h"

namespace {
constexpr char kOnEvent[] = "CTimeManager::OnEvent";
constexpr char kOnNullEvent[] = "CTimeManager::OnNullEvent";
constexpr char kStopAndSave[] = "CTimeManager::StopAndSaveActivity";
}  // namespace

CTimeManager::CTimeManager(uint32_t tickPeriodMs) : m_timeThread(tickPeriodMs) {}

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

int CTimeManager::OnEvent(int event) {
    if (event > EVENT_CHANGE_TIME) {
        LogError("%s (%i) Incorrect Event = %i", kOnEvent, 1, event);
        return -1;
    }
    const int64_t now = NowTimeStamp();
    switch (event) {
        case EVENT_NULL:
            OnNullEvent(now);
            break;
        case EVENT_START:
            OnStart(now);
            break;
        case EVENT_STOP:
            OnStop(now);
            break;
        case EVENT_PAUSE:
            OnPause(now);
            break;
        case EVENT_RESUME:
            OnResume(now);
            break;
        case EVENT_LOCK:
            OnLock(now);
            break;
        case EVENT_UNLOCK:
            OnUnlock(now);
            break;
        case EVENT_CHECK_ACTIVITY:
            OnCheckActivity(now);
            break;
        case EVENT_CHANGE_TIME:
            OnChangeTime(now);
            break;
        default:
            break;  // a negative number: nothing to do
    }
    return 1;
}

int CTimeManager::OnStart(int64_t now) {
    LogInfo(1, "Start process");
    FindLastActivity(now);
    if (m_timeThread.RegisterEvent(this) != 1) LogError("RegisterEvent error");
    if (m_timeThread.Execute() != 1) LogError("Execute error");
    return 1;
}

int CTimeManager::OnStop(int64_t) {
    LogInfo(1, "Stop process");
    m_timeThread.Stop();
    return 1;
}

int CTimeManager::OnPause(int64_t) {
    LogInfo(1, "Pause process");
    return 1;
}

int CTimeManager::OnResume(int64_t) {
    LogInfo(1, "Resume process");
    return 1;
}

int CTimeManager::OnNullEvent(int64_t) {
    LogInfo(1, "%s started", kOnNullEvent);
    return 1;
}

int CTimeManager::StopAndSaveActivity() {
    m_timeThread.Stop();
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_tracking) return 0;
    m_tracking = false;
    LogInfo(1, "%s started", kStopAndSave);
    // Up to the stop, unless no check came for longer than an offline gap:
    // that time was not observed, and the next start books it as Offline.
    CWinActivity stop;
    stop.SetStartAndFinish(NowTimeStamp());
    if (IsOfflineGap(m_lastActivity.GetFinishDate(), stop.GetStartDate()) == 0) ExtendLastActivity(stop);
    const int saved = SaveLastActivity();
    LogInfo(1, "%s finished", kStopAndSave);
    return saved;
}
