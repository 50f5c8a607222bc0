#pragma once
// The time of the user's last input on an X display, learnt from two alarms
// on the SYNC extension's IDLETIME counter instead of asking at every call:
// one fires when the idle time reaches the limit, the other when input comes
// after that. The idle time is read (one request) only after an alarm fired,
// or at the start; between alarms the state stays what was read.
//
// The answer: while the user has been idle for less than the limit, the
// current tick (the last input is recent enough, nothing more is known);
// beyond the limit, the tick of the last input, exactly. Without the IDLETIME
// counter (a server without SYNC) the idle time is read at every call and the
// answer is exact throughout.
//
// Not thread-safe: every call runs inside a session of the connection.

#include <cstdint>

#include "platform/x11_connection_linux.h"

class CX11IdleWatch {
public:
    explicit CX11IdleWatch(uint32_t limitMs) : m_limitMs(limitMs) {}

    // After the display was (re)opened: sets the alarms up on it.
    void Start(CX11Session& x);
    void OnEvent(const XEvent& event, const CX11IdleCounter& counter);
    // The tick (Clock().TickCount() scale) of the last input, as above;
    // false when the idle time cannot be read.
    bool LastInputTick(CX11Session& x, uint32_t& tick);
    // True when the answer changes only with the alarms' events (the alarms
    // are set up); false before Start or without the IDLETIME counter.
    bool FollowsEvents() const { return m_idleAlarm != None; }

private:
    const uint32_t m_limitMs;
    XSyncAlarm m_idleAlarm = None;
    XSyncAlarm m_inputAlarm = None;
    bool m_known = false;  // m_idle and m_lastInputTick hold since the last alarm
    bool m_idle = false;
    uint32_t m_lastInputTick = 0;
};
