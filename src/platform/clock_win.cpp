#include <windows.h>

#include "platform/clock.h"

namespace {
class CWin32Clock : public CClockService {
public:
    CLocalTime LocalTime() override {
        SYSTEMTIME st;
        GetLocalTime(&st);
        return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
    }
    uint32_t TickCount() override { return GetTickCount(); }
    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};
}  // namespace

CClockService& SystemClock() {
    static CWin32Clock clock;
    return clock;
}
