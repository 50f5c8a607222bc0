#pragma once
// The receiver of the collector's events and their numbers.
//
// The window thread sends the start, lock, unlock and clock-change events, the
// worker thread the periodic check; the time manager receives them all
// through OnEvent. The numbers are the interface between the shell and the
// receiver: keep them as they are.

// Event numbers passed to CEventInterface::OnEvent.
enum : int {
    EVENT_NULL = 0,
    EVENT_START = 1,
    EVENT_STOP = 2,
    EVENT_PAUSE = 3,
    EVENT_RESUME = 4,
    EVENT_LOCK = 5,
    EVENT_UNLOCK = 6,
    EVENT_CHECK_ACTIVITY = 7,
    EVENT_CHANGE_TIME = 8,
};

class CEventInterface {
public:
    // Handles one event; returns a status (1 handled, negative causes).
    virtual int OnEvent(int event) = 0;

protected:
    // Receivers are never deleted through this interface.
    ~CEventInterface() = default;
};
