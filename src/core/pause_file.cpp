#include "core/pause_file.h"

#include <cinttypes>
#include <cstdio>

#include "sensing/time_stamp.h"

namespace {
constexpr char kFileName[] = "QLOCollector.pause";
constexpr int64_t kDaySeconds = 86400;
}  // namespace

void CPauseFile::SetFolder(const std::string& folder, char separator) {
    std::string path = folder;
    if (!path.empty() && path.back() != separator) path += separator;
    m_file.SetPath(path + kFileName);
}

int CPauseFile::Read(CPauseState& state) {
    state = {};
    if (m_file.Path().empty()) return 0;
    std::string content;
    int damaged = 0;
    const int read = m_file.Read(content, damaged);
    if (read != 1) return read;
    if (content == "none\n") return 1;
    CPauseState found;
    char end = 0;
    if (std::sscanf(content.c_str(), "pause %" SCNd64 " %" SCNd64 "%c", &found.since, &found.until, &end) != 3 ||
        end != '\n' || !IsValidTimeStamp(found.since) || !IsValidTimeStamp(found.until))
        return -1;
    state = found;
    return 1;
}

int CPauseFile::Write(const CPauseState& state) {
    if (m_file.Path().empty()) return 0;
    char line[64];
    if (state.until == 0)
        std::snprintf(line, sizeof line, "none\n");
    else
        std::snprintf(line, sizeof line, "pause %lld %lld\n", static_cast<long long>(state.since),
                      static_cast<long long>(state.until));
    return m_file.Write(line);
}

int64_t PauseEndOf(int64_t now, int64_t seconds) {
    const int64_t dayStart = DayStart(now);
    if (seconds == 0) return AddDays(dayStart, 1);
    const CLocalTime time = UnpackTimeStamp(now);
    const int64_t ofDay = time.hour * 3600 + time.minute * 60 + time.second + seconds;
    const int64_t rest = ofDay % kDaySeconds;
    return AddDays(dayStart, ofDay / kDaySeconds) + rest / 3600 * 10000 + rest % 3600 / 60 * 100 + rest % 60;
}
