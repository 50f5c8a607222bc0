#include "fakes/fake_clock.h"

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}
}  // namespace

int64_t LocalTimeToMs(const CLocalTime& t) {
    const int64_t days = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day));
    return ((days * 24 + t.hour) * 60 + t.minute) * 60000 + t.second * 1000 + t.milliseconds;
}

CLocalTime MsToLocalTime(int64_t ms) {
    int64_t days = ms / 86400000;
    int64_t rest = ms % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    CLocalTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600000);
    t.minute = static_cast<int>(rest / 60000 % 60);
    t.second = static_cast<int>(rest / 1000 % 60);
    t.milliseconds = static_cast<int>(rest % 1000);
    return t;
}

CFakeClock::CFakeClock(const CLocalTime& start) : m_wallMs(LocalTimeToMs(start)) { m_previous = SetClock(this); }

CFakeClock::~CFakeClock() { SetClock(m_previous); }

void CFakeClock::Set(const CLocalTime& time) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_wallMs = LocalTimeToMs(time);
}

void CFakeClock::Advance(int64_t milliseconds) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_wallMs += milliseconds;
    m_tick += static_cast<uint32_t>(milliseconds);
}

int64_t CFakeClock::SleptMilliseconds() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_slept;
}

CLocalTime CFakeClock::LocalTime() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return MsToLocalTime(m_wallMs);
}

uint32_t CFakeClock::TickCount() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_tick;
}

void CFakeClock::Sleep(uint32_t milliseconds) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_wallMs += milliseconds;
    m_tick += milliseconds;
    m_slept += milliseconds;
}
