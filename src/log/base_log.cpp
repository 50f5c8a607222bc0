#include "log/base_log.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/folders.h"
#include "platform/path.h"

namespace {
constexpr int kMaxText = CBaseLog::kMaxPath;
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

// The folder "Archive" beside the log file at `path`.
std::string ArchiveFolder(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return path.substr(0, slash == std::string::npos ? 0 : slash + 1) + "Archive";
}

// The path of the log's archived copy number `number`: the file's name with
// ".<number>" before its extension, in the archive folder.
std::string ArchivedPath(const std::string& path, int number) {
    const size_t slash = path.find_last_of("\\/");
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    const size_t dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    return ArchiveFolder(path) + kPathSeparator + name.substr(0, hasExtension ? dot : name.size()) + "." +
           std::to_string(number) + (hasExtension ? name.substr(dot) : "");
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

int CBaseLog::SetPath(const char* path) {
    if (path && strnlen(path, kMaxPath + 1) > kMaxPath) {
        m_path.Release();
        return -5;
    }
    return CopyText(m_path, path);
}
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

    // A file deleted or moved away is left to whoever took it.
    if (m_file.IsOpen() && !m_file.IsAt(m_path.Get())) m_file.Close();
    if (!m_file.IsOpen()) {
        const int opened = Open();
        if (opened != 1) return opened;
    }
    const int64_t size = m_file.SeekToEnd();
    const int64_t lineBytes = (m_timestamps ? kStampLength : 0) + (text && length > 0 ? length : 0) + 2;
    if (size > 0 && size + lineBytes > kMaxBytes) {
        const int opened = Rotate();
        if (opened != 1) return opened;
        m_file.SeekToEnd();
    }
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

int CBaseLog::Rotate() {
    m_file.Close();
    try {
        const std::string path = m_path.Get();
        Folders().CreateDirectory(ArchiveFolder(path).c_str());
        // Each move's target is gone first: Windows does not rename onto an existing file.
        std::remove(ArchivedPath(path, kArchivedFiles).c_str());
        for (int number = kArchivedFiles - 1; number >= 1; --number)
            std::rename(ArchivedPath(path, number).c_str(), ArchivedPath(path, number + 1).c_str());
        std::rename(path.c_str(), ArchivedPath(path, 1).c_str());
    } catch (...) {
        // Out of memory for the names: the file goes on growing.
    }
    return Open();
}

int CBaseLog::Close() { return m_file.Close() ? 1 : -8; }
