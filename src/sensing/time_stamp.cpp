#include "sensing/time_stamp.h"

namespace {
constexpr int64_t kYear = 10000000000LL;
constexpr int64_t kMonth = 100000000LL;
constexpr int64_t kDay = 1000000LL;
constexpr int64_t kHour = 10000LL;
constexpr int64_t kMinute = 100LL;

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kDurationYear = 365 * kSecondsPerDay;
constexpr int64_t kDurationMonth = 31 * kSecondsPerDay;

// Days since 1970-01-01 of a date of the Gregorian calendar (H. Hinnant's
// days_from_civil), so that month lengths and leap years come out right.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int64_t SecondsSinceEpoch(int64_t stamp) {
    const CLocalTime t = UnpackTimeStamp(stamp);
    return DaysFromCivil(t.year, t.month, t.day) * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
}
}  // namespace

bool IsValidTimeStamp(int64_t stamp) {
    if (stamp < 1970 * kYear || stamp >= 10000 * kYear) return false;
    const CLocalTime t = UnpackTimeStamp(stamp);
    if (t.month < 1 || t.month > 12 || t.day < 1) return false;
    const int64_t nextMonth = t.month == 12 ? DaysFromCivil(t.year + 1, 1, 1) : DaysFromCivil(t.year, t.month + 1, 1);
    return t.day <= nextMonth - DaysFromCivil(t.year, t.month, 1) && t.hour < 24 && t.minute < 60 && t.second < 60;
}

int64_t NowTimeStamp() { return PackTimeStamp(Clock().LocalTime()); }

CMoment NowMoment() {
    const CLocalTime now = Clock().LocalTime();
    return {PackTimeStamp(now), now.utcOffsetSeconds};
}

int64_t PackTimeStamp(const CLocalTime& f) {
    return f.year * kYear + f.month * kMonth + f.day * kDay + f.hour * kHour + f.minute * kMinute + f.second;
}

CLocalTime UnpackTimeStamp(int64_t stamp) {
    CLocalTime t;
    t.year = static_cast<int>(stamp / kYear);
    t.month = static_cast<int>(stamp / kMonth % 100);
    t.day = static_cast<int>(stamp / kDay % 100);
    t.hour = static_cast<int>(stamp / kHour % 100);
    t.minute = static_cast<int>(stamp / kMinute % 100);
    t.second = static_cast<int>(stamp % 100);
    return t;
}

int YearOf(int64_t stamp) { return UnpackTimeStamp(stamp).year; }
int MonthOf(int64_t stamp) { return UnpackTimeStamp(stamp).month; }
int DayOf(int64_t stamp) { return UnpackTimeStamp(stamp).day; }

int64_t DayStart(int64_t stamp) {
    CLocalTime t = UnpackTimeStamp(stamp);
    t.hour = t.minute = t.second = 0;
    return PackTimeStamp(t);
}

bool IsSameDay(int64_t a, int64_t b) { return DayStart(a) == DayStart(b); }

int64_t SecondsBetween(int64_t a, int64_t b) {
    if (b < a) return 0;
    const int64_t seconds = SecondsSinceEpoch(b) - SecondsSinceEpoch(a);
    return seconds > 0 ? seconds : 0;
}

int64_t ElapsedSeconds(const CMoment& a, const CMoment& b) {
    const int64_t calendar = SecondsSinceEpoch(b.stamp) - SecondsSinceEpoch(a.stamp);
    if (a.utcOffset == kUnknownUtcOffset || b.utcOffset == kUnknownUtcOffset) return calendar;
    return calendar - (static_cast<int64_t>(b.utcOffset) - a.utcOffset);
}

CLocalTime SplitDuration(int64_t seconds) {
    CLocalTime parts;
    if (seconds <= 0) return parts;
    parts.year = static_cast<int>(seconds / kDurationYear);
    seconds %= kDurationYear;
    parts.month = static_cast<int>(seconds / kDurationMonth);
    seconds %= kDurationMonth;
    parts.day = static_cast<int>(seconds / kSecondsPerDay);
    seconds %= kSecondsPerDay;
    parts.hour = static_cast<int>(seconds / 3600);
    parts.minute = static_cast<int>(seconds / 60 % 60);
    parts.second = static_cast<int>(seconds % 60);
    return parts;
}

int IsOfflineGap(int64_t last, int64_t current) {
    if (last > current) return -1;
    return SecondsBetween(last, current) > kOfflineGapSeconds ? 1 : 0;
}

int IsOfflineGap(const CMoment& last, const CMoment& current) {
    const int64_t elapsed = ElapsedSeconds(last, current);
    if (elapsed < 0) return -1;
    return elapsed > kOfflineGapSeconds ? 1 : 0;
}

int64_t AddDays(int64_t stamp, int64_t days) {
    // H. Hinnant's civil_from_days.
    const int64_t z = DaysFromCivil(YearOf(stamp), MonthOf(stamp), DayOf(stamp)) + days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shifted = (5 * dayOfYear + 2) / 153;
    const int64_t month = shifted < 10 ? shifted + 3 : shifted - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2);
    const int64_t day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    return year * kYear + month * kMonth + day * kDay + stamp % kDay;
}

int DayOfWeek(int64_t stamp) {
    // 1970-01-01 was a Thursday.
    const int64_t days = DaysFromCivil(YearOf(stamp), MonthOf(stamp), DayOf(stamp));
    return static_cast<int>(((days + 3) % 7 + 7) % 7);
}
