#include "sensing/date_range.h"

#include <cctype>
#include <cstdio>

#include "sensing/time_stamp.h"

const char kDateForms[] = "YYYY-MM-DD, today, yesterday, week, month or last-month";

namespace {
constexpr int64_t kEndOfDay = 235959;

bool Digits(const std::string& text, size_t at, size_t count, int& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

int64_t FirstOfMonth(int64_t stamp) { return PackTimeStamp(CLocalTime{YearOf(stamp), MonthOf(stamp), 1}); }

bool IsPeriodWord(const std::string& text) { return ParseDate(text) == 0; }
}  // namespace

int64_t ParseDate(const std::string& text) {
    int year, month, day;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !Digits(text, 0, 4, year) ||
        !Digits(text, 5, 2, month) || !Digits(text, 8, 2, day) || year < 2000 || month < 1 || month > 12 || day < 1)
        return 0;
    const int64_t stamp = PackTimeStamp(CLocalTime{year, month, day});
    // A day beyond the month's last comes back as a day of the next month.
    return AddDays(stamp, 0) == stamp ? stamp : 0;
}

int64_t ParseMoment(const std::string& text) {
    int hour, minute, second;
    if (text.size() != 19 || (text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':' ||
        !Digits(text, 11, 2, hour) || !Digits(text, 14, 2, minute) || !Digits(text, 17, 2, second) || hour > 23 ||
        minute > 59 || second > 59)
        return 0;
    const int64_t day = ParseDate(text.substr(0, 10));
    return day == 0 ? 0 : day + hour * 10000 + minute * 100 + second;
}

bool DatePeriod(const std::string& text, int64_t today, int64_t& first, int64_t& last) {
    const int64_t day = DayStart(today);
    if (text == "today") {
        first = last = day;
    } else if (text == "yesterday") {
        first = last = AddDays(day, -1);
    } else if (text == "week") {
        first = AddDays(day, -DayOfWeek(day));
        last = AddDays(first, 6);
    } else if (text == "month") {
        first = FirstOfMonth(day);
        last = AddDays(FirstOfMonth(AddDays(first, 31)), -1);
    } else if (text == "last-month") {
        last = AddDays(FirstOfMonth(day), -1);
        first = FirstOfMonth(last);
    } else {
        first = last = ParseDate(text);
        return first != 0;
    }
    return true;
}

bool ResolveDateRange(const std::string& fromText, const std::string& toText, int64_t today, int64_t& from, int64_t& to,
                      std::string& error) {
    int64_t fromFirst = 0, fromLast = 0, toFirst = 0, toLast = 0;
    const struct {
        const std::string& text;
        int64_t& first;
        int64_t& last;
    } ends[] = {{fromText, fromFirst, fromLast}, {toText, toFirst, toLast}};
    for (const auto& end : ends) {
        if (!end.text.empty() && !DatePeriod(end.text, today, end.first, end.last)) {
            error = "bad date '" + end.text + "': " + kDateForms;
            return false;
        }
    }
    if (fromText.empty() && toText.empty())
        DatePeriod("today", today, fromFirst, toLast);
    else if (fromText.empty())
        fromFirst = toFirst;
    else if (toText.empty())
        toLast = IsPeriodWord(fromText) ? fromLast : DayStart(today);
    from = fromFirst;
    to = toLast + kEndOfDay;
    if (from > to) {
        error = "--from " + fromText + " is after --to " + (toText.empty() ? std::string("today") : toText);
        return false;
    }
    return true;
}

int IsoWeekOf(int64_t stamp) {
    // The week's Thursday decides its year.
    const int64_t thursday = AddDays(DayStart(stamp), 3 - DayOfWeek(stamp));
    const int64_t january1 = PackTimeStamp(CLocalTime{YearOf(thursday), 1, 1, 0, 0, 0});
    return YearOf(thursday) * 100 + static_cast<int>(SecondsBetween(january1, thursday) / 86400 / 7) + 1;
}

int64_t IsoWeekMonday(int yyyyww) {
    const int year = yyyyww / 100, week = yyyyww % 100;
    if (year < 1971 || year > 9998 || week < 1 || week > 53) return 0;
    const int64_t january4 = PackTimeStamp(CLocalTime{year, 1, 4, 0, 0, 0});
    const int64_t monday = AddDays(january4, 7 * (week - 1) - DayOfWeek(january4));
    return IsoWeekOf(monday) == yyyyww ? monday : 0;
}

std::string IsoWeekText(int yyyyww) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-W%02d", yyyyww / 100, yyyyww % 100);
    return text;
}

bool ParseIsoWeek(const std::string& text, int64_t today, int& yyyyww) {
    int year = 0, week = 0;
    char tail = 0;
    if (text.size() == 8 && std::sscanf(text.c_str(), "%4d-W%2d%c", &year, &week, &tail) == 2) {
        yyyyww = year * 100 + week;
        return IsoWeekMonday(yyyyww) != 0;
    }
    int64_t first = 0, last = 0;
    if (!DatePeriod(text, today, first, last)) return false;
    yyyyww = IsoWeekOf(first);
    return true;
}
