#pragma once
// Dates as the tools' command lines take them, and the range of days that
// --from and --to make.
//
// A date is YYYY-MM-DD or a word naming a period relative to `today` (the
// packed present): today, yesterday, week (Monday to Sunday of this week),
// month (this month), last-month. --from takes the first day of its period
// and --to the last. Given alone, --from D ends with D's period when D is a
// word and with today when D is a date; --to D alone is D's period. Neither:
// today.

#include <cstdint>
#include <string>

// What a bad date is told with: "bad date 'X': " followed by this.
extern const char kDateForms[];

// The packed date of "YYYY-MM-DD" (00:00:00), or 0 when it is no real date.
int64_t ParseDate(const std::string& text);
// The packed moment of "YYYY-MM-DD hh:mm:ss" (or with a T), or 0 when it is none.
int64_t ParseMoment(const std::string& text);
// The first and last day (00:00:00) of the period `text` names. False when
// it names none.
bool DatePeriod(const std::string& text, int64_t today, int64_t& first, int64_t& last);

// The range of --from and --to (either may be empty): `from` 00:00:00 of
// its first day, `to` 23:59:59 of its last. False with a one-line reason in
// `error` for a bad date or --from after --to.
bool ResolveDateRange(const std::string& fromText, const std::string& toText, int64_t today, int64_t& from, int64_t& to,
                      std::string& error);

// ISO weeks (Monday to Sunday; week 1 holds the year's first Thursday), as
// yyyyww: 202649 is "2026-W49".
int IsoWeekOf(int64_t stamp);
// The Monday (00:00:00) of the week `yyyyww`, or 0 when there is no such week.
int64_t IsoWeekMonday(int yyyyww);
std::string IsoWeekText(int yyyyww);
// The week of "YYYY-Www", or of the first day of a date or period word
// (DatePeriod's); false when it is neither.
bool ParseIsoWeek(const std::string& text, int64_t today, int& yyyyww);
