#include "core/activity_checkpoint.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
constexpr char kHeader[] = "QLOCollector checkpoint 1\n";
constexpr char kFileName[] = "QLOCollector.checkpoint";

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
    bool Number(int64_t& value) {
        std::string word;
        if (!Word(word)) return false;
        char* end = nullptr;
        value = std::strtoll(word.c_str(), &end, 10);
        return end && *end == '\0';
    }
    bool Int32(int32_t& value) {
        int64_t wide = 0;
        if (!Number(wide) || wide < INT32_MIN || wide > INT32_MAX) return false;
        value = static_cast<int32_t>(wide);
        return true;
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
};

bool ReadRecord(CReader& reader, CWinActivity& activity) {
    int32_t type = 0, startOffset = 0, finishOffset = 0, urlFlag = 0;
    int64_t start = 0, finish = 0, duration = 0, formated = 0, processId = 0;
    if (!reader.Int32(type) || !reader.Number(start) || !reader.Int32(startOffset) || !reader.Number(finish) ||
        !reader.Int32(finishOffset) || !reader.Number(duration) || !reader.Number(formated) || !reader.Int32(urlFlag) ||
        !reader.Number(processId) || type < 0 || type > 4 || processId < 0 || processId > UINT32_MAX)
        return false;
    std::string fileName, path, title, domain, name, url;
    if (!reader.Text(fileName, CProcess::kFileNameSize - 1) || !reader.Text(path, CProcess::kPathSize - 1) ||
        !reader.Text(title, CWinProcess::kTitleSize - 1) || !reader.Text(domain, CUser::kTextSize - 1) ||
        !reader.Text(name, CUser::kTextSize - 1) || !reader.Text(url, CActivity::kUrlSize - 1))
        return false;
    activity = CWinActivity(type);
    CWinProcess process(static_cast<uint32_t>(processId), title.c_str());
    process.SetFileName(fileName.c_str());
    process.SetPath(path.c_str());
    activity.SetProcess(process);
    activity.SetUser(CUser(domain.c_str(), name.c_str()));
    activity.SetStartMoment({start, startOffset});
    activity.SetFinishMoment({finish, finishOffset});
    activity.SetDuration(duration);
    activity.SetFormatedDuration(formated);
    activity.SetURLFlag(urlFlag);
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
    int64_t lastStamp = 0;
    if (!reader.Literal("last ") || !reader.Number(lastStamp) || !reader.Int32(state.last.utcOffset)) {
        why = "no last moment";
        return 0;
    }
    state.last.stamp = lastStamp;
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
        if (!ReadRecord(reader, activity) || (current && (state.hasCurrent || !state.pending.empty()))) {
            why = "a record is cut or out of place";
            return 0;
        }
        if (current) {
            state.hasCurrent = true;
            state.current = activity;
        } else {
            state.pending.push_back(activity);
        }
        ++records;
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
