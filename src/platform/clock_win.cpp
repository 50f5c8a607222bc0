#include <windows.h>

#include "platform/clock.h"

namespace {
class CWin32Clock : public CClockService {
public:
    CLocalTime LocalTime() override {
        // One reading of the system time, turned into local time by the rules
        // of the time zone, so that the offset belongs to this very moment.
        FILETIME utc;
        GetSystemTimeAsFileTime(&utc);
        SYSTEMTIME utcFields, st;
        FILETIME local;
        if (!FileTimeToSystemTime(&utc, &utcFields) || !SystemTimeToTzSpecificLocalTime(nullptr, &utcFields, &st) ||
            !SystemTimeToFileTime(&st, &local)) {
            GetLocalTime(&st);
            return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds, 0};
        }
        const auto ticks = [](const FILETIME& time) {
            return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
        };
        // Both in 100-ns units, with the same milliseconds.
        const int64_t offsetSeconds = (ticks(local) - ticks(utc)) / 10000000;
        return {st.wYear,   st.wMonth,  st.wDay,          st.wHour,
                st.wMinute, st.wSecond, st.wMilliseconds, static_cast<int>(offsetSeconds)};
    }
    uint32_t TickCount() override { return GetTickCount(); }
    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};
}  // namespace

CClockService& SystemClock() {
    static CWin32Clock clock;
    return clock;
}
