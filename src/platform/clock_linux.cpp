#include <time.h>

#include <cerrno>

#include "platform/clock.h"

namespace {
class CPosixClock : public CClockService {
public:
    CLocalTime LocalTime() override {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        tm local{};
        localtime_r(&ts.tv_sec, &local);
        return {local.tm_year + 1900,
                local.tm_mon + 1,
                local.tm_mday,
                local.tm_hour,
                local.tm_min,
                local.tm_sec,
                static_cast<int>(ts.tv_nsec / 1000000),
                static_cast<int>(local.tm_gmtoff)};
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

CClockService& SystemClock() {
    static CPosixClock clock;
    return clock;
}
