#include "fakes/fake_clock.h"

#include <chrono>

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

int CFakeClock::OffsetAt(int64_t utcMs) const {
    if (!m_berlin) return 0;
    // Summer time from 01:00 UTC on the last Sunday of March to 01:00 UTC on
    // the last Sunday of October.
    const int year = MsToLocalTime(utcMs).year;
    const auto lastSundayOneAm = [year](int month) {
        const int64_t lastDay = LocalTimeToMs({year, month, 31, 1, 0, 0, 0}) / 86400000;
        const int64_t weekday = (lastDay + 4) % 7;  // 1970-01-01 was a Thursday; 0 is Sunday
        return (lastDay - weekday) * 86400000 + 3600000;
    };
    return utcMs >= lastSundayOneAm(3) && utcMs < lastSundayOneAm(10) ? 7200 : 3600;
}

int64_t CFakeClock::UtcFromLocal(int64_t localMs) const {
    // The first offset that makes the local time come out: summer time
    // first, so that the hour shown twice is taken the first time.
    for (int offset : {7200, 3600, 0}) {
        const int64_t utc = localMs - offset * 1000LL;
        if (OffsetAt(utc) == offset) return utc;
    }
    return localMs - 3600000;  // a local time that does not occur: an hour later
}

CFakeClock::CFakeClock(const CLocalTime& start) : m_utcMs(LocalTimeToMs(start)) { m_previous = SetClock(this); }

CFakeClock::~CFakeClock() { SetClock(m_previous); }

void CFakeClock::Set(const CLocalTime& time) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_utcMs = UtcFromLocal(LocalTimeToMs(time));
}

void CFakeClock::UseBerlinTime() {
    std::lock_guard<std::mutex> guard(m_mutex);
    const int64_t localMs = m_utcMs + OffsetAt(m_utcMs) * 1000LL;
    m_berlin = true;
    m_utcMs = UtcFromLocal(localMs);
}

void CFakeClock::SetTickCount(uint32_t tick) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_tick = tick;
}

void CFakeClock::Advance(int64_t milliseconds) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_utcMs += milliseconds;
    m_tick += static_cast<uint32_t>(milliseconds);
}

int64_t CFakeClock::SleptMilliseconds() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_slept;
}

CLocalTime CFakeClock::LocalTime() {
    std::lock_guard<std::mutex> guard(m_mutex);
    const int offset = OffsetAt(m_utcMs);
    CLocalTime local = MsToLocalTime(m_utcMs + offset * 1000LL);
    local.utcOffsetSeconds = offset;
    return local;
}

uint32_t CFakeClock::TickCount() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_tick;
}

void CFakeClock::HoldSleep() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_holdArmed = true;
    m_holdSetter = std::this_thread::get_id();
}

bool CFakeClock::WaitForHeldSleep(int limitMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_holdChanged.wait_for(lock, std::chrono::milliseconds(limitMs), [&] { return m_held; });
}

void CFakeClock::ReleaseSleep() {
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_holdArmed = false;
        m_held = false;
    }
    m_holdChanged.notify_all();
}

void CFakeClock::Sleep(uint32_t milliseconds) {
    std::unique_lock<std::mutex> guard(m_mutex);
    if (m_holdArmed && std::this_thread::get_id() != m_holdSetter) {
        m_holdArmed = false;
        m_held = true;
        m_holdChanged.notify_all();
        m_holdChanged.wait(guard, [&] { return !m_held; });
    }
    m_utcMs += milliseconds;
    m_tick += milliseconds;
    m_slept += milliseconds;
}
