#include "core/activity_checkpoint.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sensing/time_stamp.h"

namespace {
constexpr char kHeader[] = "QLOCollector checkpoint 1\n";
constexpr char kFileName[] = "QLOCollector.checkpoint";
// The largest offset of a local time from UTC (UTC+14, with room).
constexpr int32_t kOffsetLimit = 18 * 3600;

void AppendText(std::string& out, const char* text) {
    const size_t length = std::strlen(text);
    out += std::to_string(length);
    out += ' ';
    out.append(text, length);
    out += '\n';
}

void AppendRecord(std::string& out, const char* kind, const CWinActivity& activity) {
    char numbers[256];
    const CMoment start = activity.GetStartMoment(), finish = activity.GetFinishMoment();
    std::snprintf(numbers, sizeof numbers,
                  "%s %d %" PRId64 " %" PRId32 " %" PRId64 " %" PRId32 " %" PRId64 " %" PRId64 " %" PRId32 " %" PRIu32
                  "\n",
                  kind, static_cast<int>(activity.GetType()), start.stamp, start.utcOffset, finish.stamp,
                  finish.utcOffset, activity.GetDuration(), activity.GetFormatedDuration(), activity.GetURLFlag(), [&] {
                      CWinProcess process;
                      activity.GetProcess(process);
                      return process.GetProcessId();
                  }());
    out += numbers;
    CUser user;
    activity.GetUser(user);
    for (const char* text : {activity.GetFileName(), activity.GetFullPath(), activity.GetTitle(), user.GetDomain(),
                             user.GetName(), activity.GetURL()})
        AppendText(out, text);
}

// Reads the checkpoint's text field by field; every miss makes it damaged.
class CReader {
public:
    explicit CReader(const std::string& text) : m_text(text) {}

    bool Literal(const char* expected) {
        const size_t length = std::strlen(expected);
        if (m_text.compare(m_at, length, expected) != 0) return false;
        m_at += length;
        return true;
    }
    // A word up to the next blank or line end (which is consumed).
    bool Word(std::string& word) {
        const size_t end = m_text.find_first_of(" \n", m_at);
        if (end == std::string::npos || end == m_at) return false;
        word.assign(m_text, m_at, end - m_at);
        m_at = end + 1;
        return true;
    }
    // A decimal number. One beyond the type's range is read whole and marks
    // the record as impossible (OutOfRange), not the text as cut.
    bool Number(int64_t& value) {
        std::string word;
        if (!Word(word)) return false;
        char* end = nullptr;
        errno = 0;
        value = std::strtoll(word.c_str(), &end, 10);
        if (!end || *end != '\0') return false;
        if (errno == ERANGE) m_outOfRange = true;
        return true;
    }
    bool Int32(int32_t& value) {
        int64_t wide = 0;
        if (!Number(wide)) return false;
        if (wide < INT32_MIN || wide > INT32_MAX) m_outOfRange = true;
        value = static_cast<int32_t>(wide < INT32_MIN ? INT32_MIN : wide > INT32_MAX ? INT32_MAX : wide);
        return true;
    }
    // Whether a number since the last call was out of its type's range.
    bool TakeOutOfRange() {
        const bool was = m_outOfRange;
        m_outOfRange = false;
        return was;
    }
    // "<length> <bytes>\n", the length counting bytes, at most `limit`.
    bool Text(std::string& value, size_t limit) {
        int64_t length = 0;
        if (!Number(length) || length < 0 || static_cast<size_t>(length) > limit ||
            m_at + static_cast<size_t>(length) >= m_text.size() || m_text[m_at + static_cast<size_t>(length)] != '\n')
            return false;
        value.assign(m_text, m_at, static_cast<size_t>(length));
        m_at += static_cast<size_t>(length) + 1;
        return value.find('\0') == std::string::npos;
    }
    bool AtEnd() const { return m_at == m_text.size(); }

private:
    const std::string& m_text;
    size_t m_at = 0;
    bool m_outOfRange = false;
};

bool IsValidMoment(const CMoment& moment) {
    return IsValidTimeStamp(moment.stamp) && (moment.utcOffset == kUnknownUtcOffset ||
                                              (moment.utcOffset >= -kOffsetLimit && moment.utcOffset <= kOffsetLimit));
}

// The numbers of one record as written.
struct CRecordNumbers {
    int32_t type = 0, urlFlag = 0;
    CMoment start, finish;
    int64_t duration = 0, formated = 0, processId = 0;
};

// Why a record that was read whole cannot be an activity the collector
// wrote (nullptr: it can). The activity in progress is closed at `last`;
// a finished one lasted more than nothing, at most from its start to its
// finish.
const char* WhyImpossible(const CRecordNumbers& n, bool current, const CMoment& last) {
    if (n.type < 0 || n.type > 4) return "an unknown activity type";
    if (n.processId < 0 || n.processId > UINT32_MAX) return "an impossible process id";
    if (n.urlFlag != 0 && n.urlFlag != 1) return "an impossible address flag";
    if (!IsValidMoment(n.start) || !IsValidMoment(n.finish)) return "an impossible start or finish";
    const int64_t elapsed = ElapsedSeconds(n.start, n.finish);
    if (elapsed < 0) return "a finish before the start";
    if (n.duration < 0 || n.duration > elapsed || (!current && n.duration == 0)) return "an impossible duration";
    if (current && (last.stamp == 0 || ElapsedSeconds(n.start, last) < 0)) return "a last moment before its start";
    return nullptr;
}

// Reads one record after its kind. false: the text is cut or malformed.
// true: read whole; `why` is set when its values are impossible (then
// `activity` is not filled).
bool ReadRecord(CReader& reader, bool current, const CMoment& last, CWinActivity& activity, const char*& why) {
    CRecordNumbers n;
    if (!reader.Int32(n.type) || !reader.Number(n.start.stamp) || !reader.Int32(n.start.utcOffset) ||
        !reader.Number(n.finish.stamp) || !reader.Int32(n.finish.utcOffset) || !reader.Number(n.duration) ||
        !reader.Number(n.formated) || !reader.Int32(n.urlFlag) || !reader.Number(n.processId))
        return false;
    std::string fileName, path, title, domain, name, url;
    if (!reader.Text(fileName, CProcess::kFileNameSize - 1) || !reader.Text(path, CProcess::kPathSize - 1) ||
        !reader.Text(title, CWinProcess::kTitleSize - 1) || !reader.Text(domain, CUser::kTextSize - 1) ||
        !reader.Text(name, CUser::kTextSize - 1) || !reader.Text(url, CActivity::kUrlSize - 1))
        return false;
    why = reader.TakeOutOfRange() ? "a number out of range" : WhyImpossible(n, current, last);
    activity = CWinActivity(n.type);
    CWinProcess process(static_cast<uint32_t>(why ? 0 : n.processId), title.c_str());
    process.SetFileName(fileName.c_str());
    process.SetPath(path.c_str());
    activity.SetProcess(process);
    if (why) return true;
    activity.SetUser(CUser(domain.c_str(), name.c_str()));
    activity.SetStartMoment(n.start);
    activity.SetFinishMoment(n.finish);
    // The packed form is derived from the duration, never taken on trust.
    activity.SetDuration(n.duration);
    activity.SetFormatedDuration(PackTimeStamp(SplitDuration(n.duration)));
    activity.SetURLFlag(n.urlFlag);
    if (!url.empty()) activity.SetURL(url.c_str(), static_cast<int>(url.size()));
    return true;
}
}  // namespace

std::string EncodeCheckpoint(const CCheckpointState& state) {
    std::string out = kHeader;
    out += "last " + std::to_string(state.last.stamp) + " " + std::to_string(state.last.utcOffset) + "\n";
    if (state.hasCurrent) AppendRecord(out, "current", state.current);
    for (const CWinActivity& activity : state.pending)
        AppendRecord(out, "pending", activity);
    return out + "end " + std::to_string(state.pending.size() + (state.hasCurrent ? 1 : 0)) + "\n";
}

int DecodeCheckpoint(const std::string& text, CCheckpointState& state, std::string& why) {
    state = CCheckpointState();
    CReader reader(text);
    if (!reader.Literal(kHeader)) {
        why = "no checkpoint header";
        return 0;
    }
    if (!reader.Literal("last ") || !reader.Number(state.last.stamp) || !reader.Int32(state.last.utcOffset) ||
        reader.TakeOutOfRange() || (state.last.stamp != 0 && !IsValidMoment(state.last))) {
        why = "no last moment";
        return 0;
    }
    size_t records = 0;
    for (;;) {
        if (reader.Literal("end ")) {
            int64_t count = 0;
            if (!reader.Number(count) || !reader.AtEnd() || count != static_cast<int64_t>(records)) {
                why = "its end line does not match its content";
                return 0;
            }
            return 1;
        }
        const bool current = reader.Literal("current ");
        if (!current && !reader.Literal("pending ")) {
            why = "a record is cut or unknown";
            return 0;
        }
        CWinActivity activity;
        const char* impossible = nullptr;
        if (!ReadRecord(reader, current, state.last, activity, impossible) || (current && records > 0)) {
            why = "a record is cut or out of place";
            return 0;
        }
        ++records;
        if (impossible) {
            state.rejected.push_back(std::string(current ? "current " : "pending ") + activity.GetFileName() + " " +
                                     activity.GetTitle() + ": " + impossible);
        } else if (current) {
            state.hasCurrent = true;
            state.current = activity;
        } else {
            state.pending.push_back(activity);
        }
    }
}

void CActivityCheckpoint::SetFolder(const std::string& folder, char separator) {
    std::string path = folder;
    if (!path.empty() && path.back() != separator) path += separator;
    m_file.SetPath(path + kFileName);
}

int CActivityCheckpoint::Read(CCheckpointState& state, std::string& why, int& damagedCopies) {
    std::string text;
    const int read = m_file.Read(text, damagedCopies);
    if (read == 0) return 0;
    if (read != 1) {
        why = "no copy is whole";
        return -1;
    }
    return DecodeCheckpoint(text, state, why) == 1 ? 1 : -1;
}

int CActivityCheckpoint::Write(const CCheckpointState& state) { return m_file.Write(EncodeCheckpoint(state)); }

int CActivityCheckpoint::Overwrite(const CCheckpointState& state) {
    const std::string text = EncodeCheckpoint(state);
    const int first = m_file.Write(text);
    return m_file.Write(text) == 1 && first == 1 ? 1 : 0;
}
