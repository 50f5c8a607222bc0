#pragma once
// Packed time stamps and the elapsed-time arithmetic on them.
//
// A time stamp is a local date and time packed into the decimal digits of a
// 64-bit integer, YYYYMMDDhhmmss: year * 10^10 + month * 10^8 + day * 10^6 +
// hour * 10^4 + minute * 100 + second (20140131235959 is 31 January 2014,
// 23:59:59). Milliseconds are dropped. Numeric order is time order, and 0
// means "no date". The end of a day is DayStart(stamp) + 235959.
//
// A packed duration uses the same layout for a number of seconds split into
// 365-day years, 31-day months, days, hours, minutes and seconds (3661 s give
// 10101).
//
// A stamp says nothing about daylight saving time: 02:30 happens twice in
// an autumn night and not at all in a spring one. Elapsed time (gaps and
// durations) is therefore measured between moments: stamps that carry the
// offset of their local time from UTC when it is known.
//
// Every function is pure except NowTimeStamp and NowMoment, which read the
// clock service.

#include <cstdint>
#include <limits>

#include "platform/clock.h"

// A check that comes more than this many seconds after the finish of the
// activity in progress means nothing was captured in between.
inline constexpr int64_t kOfflineGapSeconds = 60;

// The offset of a stamp whose offset is not known (a stamp read from a
// database row).
inline constexpr int32_t kUnknownUtcOffset = std::numeric_limits<int32_t>::min();

// A packed local time and how many seconds that local time was ahead of UTC.
struct CMoment {
    int64_t stamp = 0;
    int32_t utcOffset = kUnknownUtcOffset;
};

// The local time now (Clock().LocalTime()), packed.
int64_t NowTimeStamp();
// The local time now with its offset, from one reading of the clock.
CMoment NowMoment();

// Packs year, month, day, hour, minute and second of `fields` (milliseconds
// are ignored). Also packs the parts of SplitDuration.
int64_t PackTimeStamp(const CLocalTime& fields);
// The six fields of `stamp`; milliseconds 0.
CLocalTime UnpackTimeStamp(int64_t stamp);

// Whether `stamp` is a real date and time of the years 1970 to 9999 (the
// arithmetic below stays far from overflow there). A stamp read from
// outside the collector is checked with it before any other use.
bool IsValidTimeStamp(int64_t stamp);

int YearOf(int64_t stamp);
int MonthOf(int64_t stamp);
int DayOf(int64_t stamp);

// The same day at 00:00:00.
int64_t DayStart(int64_t stamp);
bool IsSameDay(int64_t a, int64_t b);

// Calendar seconds from `a` to `b`; 0 when `b` is earlier than `a`.
int64_t SecondsBetween(int64_t a, int64_t b);

// Seconds elapsed from `a` to `b`, negative when `b` lies before `a`: the
// calendar seconds between the stamps, corrected by the change of the UTC
// offset when both offsets are known.
int64_t ElapsedSeconds(const CMoment& a, const CMoment& b);

// Splits `seconds` into years of 365 days, months of 31 days, days, hours,
// minutes and seconds (in the year .. second fields of the result).
CLocalTime SplitDuration(int64_t seconds);

// -1 when `last` is later than `current`; 1 when more than kOfflineGapSeconds
// lie between them; otherwise 0.
int IsOfflineGap(int64_t last, int64_t current);
// The same on elapsed time.
int IsOfflineGap(const CMoment& last, const CMoment& current);

// The same time of day `days` calendar days later (earlier when negative).
int64_t AddDays(int64_t stamp, int64_t days);
// The day of the week of `stamp`: 0 Monday .. 6 Sunday.
int DayOfWeek(int64_t stamp);
