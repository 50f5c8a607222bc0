#include "platform/clock_linux.h"

#include <time.h>

#include <cerrno>

namespace {
// The minute last converted on this thread (see clock_linux.h).
struct CMinuteCache {
    time_t start = -1;
    tm local{};
};
thread_local CMinuteCache t_minute;

class CPosixClock : public CClockService {
public:
    CLocalTime LocalTime() override {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return LocalTimeAt(now);
    }
    uint32_t TickCount() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
    }
    void Sleep(uint32_t milliseconds) override {
        timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&left, &left) == -1 && errno == EINTR) {
        }
    }
};
}  // namespace

CLocalTime LocalTimeAt(const timespec& moment) {
    tm local{};
    const time_t start = moment.tv_sec - moment.tv_sec % 60;
    if (moment.tv_sec >= 0 && start == t_minute.start) {
        local = t_minute.local;
        local.tm_sec = static_cast<int>(moment.tv_sec - start);
    } else {
        localtime_r(&moment.tv_sec, &local);
        t_minute.start = -1;
        if (moment.tv_sec >= 0 && local.tm_sec == moment.tv_sec - start) {
            t_minute.start = start;
            t_minute.local = local;
        }
    }
    return {local.tm_year + 1900,
            local.tm_mon + 1,
            local.tm_mday,
            local.tm_hour,
            local.tm_min,
            local.tm_sec,
            static_cast<int>(moment.tv_nsec / 1000000),
            static_cast<int>(local.tm_gmtoff)};
}

CClockService& SystemClock() {
    static CPosixClock clock;
    return clock;
}
