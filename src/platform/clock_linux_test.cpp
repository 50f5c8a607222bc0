// The Linux clock's local time against localtime_r, read after read, where
// the minute it keeps must be given up: at a minute's end, at a change of
// the zone's offset, and in a zone whose offset has seconds.
#include "platform/clock_linux.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>

namespace {
void ExpectAsLocaltime(time_t at) {
    tm local{};
    localtime_r(&at, &local);
    const CLocalTime t = LocalTimeAt(timespec{at, 250000000});
    const int got[] = {t.year, t.month, t.day, t.hour, t.minute, t.second, t.utcOffsetSeconds, t.milliseconds};
    const int want[] = {local.tm_year + 1900,
                        local.tm_mon + 1,
                        local.tm_mday,
                        local.tm_hour,
                        local.tm_min,
                        local.tm_sec,
                        static_cast<int>(local.tm_gmtoff),
                        250};
    for (size_t i = 0; i < std::size(got); ++i)
        EXPECT_EQ(got[i], want[i]) << "field " << i << " at " << at;
}

TEST(LinuxClock, LocalTimeFollowsMinutesOffsetChangesAndOffsetsWithSeconds) {
    const char* saved = std::getenv("TZ");
    const std::string zone = saved ? saved : "";
    // Berlin turns to summer time at 01:00 UTC on 29 March 2026.
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const time_t change = 1774746000;
    for (time_t at : {change - 61, change - 60, change - 2, change - 1, change, change + 1, change + 59, change + 60})
        ExpectAsLocaltime(at);
    // Monrovia was 44 minutes 30 seconds behind UTC in 1970.
    setenv("TZ", "Africa/Monrovia", 1);
    tzset();
    for (time_t at : {0, 1, 29, 30, 31, 59, 60, 61})
        ExpectAsLocaltime(at);
    if (saved)
        setenv("TZ", zone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
}  // namespace
