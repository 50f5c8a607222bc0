#include "log/base_log.h"

#include <cstdio>
#include <cstring>

#include "platform/clock.h"

namespace {
constexpr int kMaxText = 259;
constexpr int kLockSeconds = 60;
constexpr char kLineEnd[] = "\r\n";
constexpr char kSeparator[] = "--------------------------------------------";  // 44 dashes
static_assert(sizeof(kSeparator) - 1 == 44);
constexpr int kStampLength = 24;

int CopyText(CAutoCharBuffer& buffer, const char* text) {
    if (!text || !*text) return -1;
    const size_t length = strnlen(text, kMaxText);
    const int allocated = buffer.Allocate(static_cast<int>(length), true);
    if (allocated != 1) return allocated;
    std::memcpy(buffer.Get(), text, length);
    return 1;
}

// Releases the log's mutex however Write leaves.
class CUnlockOnExit {
public:
    explicit CUnlockOnExit(CLock& lock) : m_lock(lock) {}
    ~CUnlockOnExit() { m_lock.Unlock(); }

private:
    CLock& m_lock;
};
}  // namespace

CBaseLog::CBaseLog(const char* title, int kind, int keepOpen, int timestamps)
    : m_keepOpen(keepOpen), m_timestamps(timestamps), m_kind(kind) {
    if (title) SetTitle(title);
}

CBaseLog::~CBaseLog() { Close(); }

int CBaseLog::SetPath(const char* path) { return CopyText(m_path, path); }
int CBaseLog::SetTitle(const char* title) { return CopyText(m_title, title); }

int CBaseLog::Open() {
    if (m_file.IsOpen()) return -7;
    if (!m_path.Get()) return -1;
    if (m_file.OpenExisting(m_path.Get())) return 1;
    if (!m_file.OpenAlways(m_path.Get())) return 0;
    WriteHeader();
    return 1;
}

void CBaseLog::WriteHeader() {
    const char* title = m_title.Get() ? m_title.Get() : "";
    m_file.Write(title, std::strlen(title));
    m_file.Write(kLineEnd, 2);
    m_file.Write(kSeparator, sizeof(kSeparator) - 1);
    m_file.Write(kLineEnd, 2);
}

int CBaseLog::Write(const char* text, int length) {
    if (m_lock.Lock(kLockSeconds) != 1) return -12;
    CUnlockOnExit unlock(m_lock);

    if (!m_file.IsOpen()) {
        const int opened = Open();
        if (opened != 1) return opened;
    }
    m_file.SeekToEnd();
    if (m_timestamps) {
        const CLocalTime t = Clock().LocalTime();
        char stamp[kStampLength + 8];
        std::snprintf(stamp, sizeof(stamp), "%02d/%02d/%04d %02d:%02d:%02d.%03d ", t.day, t.month, t.year, t.hour,
                      t.minute, t.second, t.milliseconds);
        m_file.Write(stamp, std::strlen(stamp));
    }
    if (text && length > 0) m_file.Write(text, static_cast<size_t>(length));
    m_file.Write(kLineEnd, 2);
    if (!m_keepOpen) m_file.Close();
    return 1;
}

int CBaseLog::Close() { return m_file.Close() ? 1 : -8; }
