#pragma once
// Texts of the reports: durations as h:mm:ss, shares, dates and file
// states; the cells of CSV, JSON, HTML and terminal tables come from
// output/output_text.h. Stored texts become UTF-8 through NarrowToUtf8
// (platform/text.h).

#include <cstdint>
#include <string>

#include "output/output_text.h"
#include "platform/text.h"
#include "storage/activity_reader.h"

// "h:mm:ss" with as many hours as it takes ("1193046:28:16"); 0:00:00 below 0.
std::string FormatDuration(int64_t seconds);
// part / total in percent, rounded to two decimals; 0 when total is 0 or less.
double SharePercent(int64_t part, int64_t total);
// "45.1%": SharePercent with one decimal.
std::string FormatShare(int64_t part, int64_t total);

// "2026-01-05", "09:00:00" and "2026-01-05 09:00:00" of a packed time stamp.
std::string FormatDate(int64_t stamp);
std::string FormatClock(int64_t stamp);
std::string FormatMoment(int64_t stamp);

// What became of a file of the data folder, for a message: empty when it was
// read; a month without a file is a note ("note: ... does not exist: nothing
// was recorded in 2026-02"); the other texts name a failure.
std::string FileReportText(const CFileReport& file);

// The texts one after the other (appended, which also spares GCC 12 its
// false -Wrestrict warning on "literal" + std::string temporaries).
template <class... Parts>
std::string Concat(const Parts&... parts) {
    std::string text;
    (text.append(parts), ...);
    return text;
}
