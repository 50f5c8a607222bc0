#include "output/report_text.h"

#include <cmath>
#include <cstdio>

#include "sensing/time_stamp.h"

std::string FormatDuration(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

double SharePercent(int64_t part, int64_t total) {
    if (total <= 0) return 0.0;
    return std::round(static_cast<double>(part) * 10000.0 / static_cast<double>(total)) / 100.0;
}

std::string FormatShare(int64_t part, int64_t total) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", total > 0 ? static_cast<double>(part) * 100.0 / total : 0.0);
    return text;
}

std::string FormatDate(int64_t stamp) {
    const CLocalTime t = UnpackTimeStamp(stamp);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
    return text;
}

std::string FormatClock(int64_t stamp) {
    const CLocalTime t = UnpackTimeStamp(stamp);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

std::string FormatMoment(int64_t stamp) { return Concat(FormatDate(stamp), " ", FormatClock(stamp)); }

std::string FileReportText(const CFileReport& file) {
    switch (file.state) {
        case FileState::Read:
            break;
        case FileState::Missing:
            if (file.month == 0) return file.path + " does not exist";
            return Concat("note: ", file.path, " does not exist: nothing was recorded in ",
                          FormatDate(file.month).substr(0, 7));
        case FileState::NotDatabase:
            return Concat(file.path, " is not a database (", file.detail, ")");
        case FileState::NoTable:
            return Concat(file.path, " has no table ", file.detail);
        case FileState::Unreadable:
            return Concat(file.path, " cannot be read (", file.detail, ")");
    }
    return "";
}
