#include "platform/x11_idle_watch_linux.h"

#include "platform/clock.h"

void CX11IdleWatch::Start(CX11Session& x) {
    m_known = false;
    // Reaching the limit, and dropping below it again (input).
    m_idleAlarm = x.CreateIdleAlarm(XSyncPositiveTransition, m_limitMs);
    m_inputAlarm = x.CreateIdleAlarm(XSyncNegativeTransition, m_limitMs);
    if (m_idleAlarm == None || m_inputAlarm == None) m_idleAlarm = m_inputAlarm = None;
}

void CX11IdleWatch::OnEvent(const XEvent& event, const CX11IdleCounter& counter) {
    if (m_idleAlarm == None || event.type != counter.eventBase + XSyncAlarmNotify) return;
    const XSyncAlarm alarm = reinterpret_cast<const XSyncAlarmNotifyEvent&>(event).alarm;
    if (alarm == m_idleAlarm || alarm == m_inputAlarm) m_known = false;
}

bool CX11IdleWatch::LastInputTick(CX11Session& x, uint32_t& tick) {
    const uint32_t now = Clock().TickCount();
    if (!m_known || m_idleAlarm == None) {
        unsigned long idle = 0;
        if (!x.IdleMilliseconds(idle)) return false;
        m_idle = idle >= m_limitMs;
        m_lastInputTick = now - static_cast<uint32_t>(idle);
        m_known = m_idleAlarm != None;
        if (m_idleAlarm == None) {
            tick = m_lastInputTick;
            return true;
        }
    }
    tick = m_idle ? m_lastInputTick : now;
    return true;
}
