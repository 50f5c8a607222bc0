#include "storage/activity_file_name.h"

#include <cstdio>
#include <cstring>

#include "sensing/time_stamp.h"

int FormatActivityFileName(int64_t date, char (&name)[32]) {
    const int length = std::snprintf(name, sizeof name, "act%02d%02d.db", MonthOf(date), YearOf(date) - 2000);
    if (length <= 0 || length >= static_cast<int>(sizeof name)) name[0] = '\0';
    return static_cast<int>(std::strlen(name));
}
