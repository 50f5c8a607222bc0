#include "platform/clock.h"
#include "platform/service_slot.h"

CClockService& SystemClock();  // defined once per operating system

namespace {
CServiceSlot<CClockService>& Slot() {
    static CServiceSlot<CClockService> slot(SystemClock());
    return slot;
}
}  // namespace

CClockService& Clock() { return Slot().Get(); }
CClockService* SetClock(CClockService* clock) { return Slot().Replace(clock); }
