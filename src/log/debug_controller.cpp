#include "log/debug_controller.h"

#include <cstdio>
#include <cstring>

#include "log/working_directory.h"

namespace {
constexpr char kInfoLogName[] = "QLOCollector.log";
constexpr char kErrorLogName[] = "QLOCollector_Error.log";

// The path of the log file `name` in `folder` into `path`: 1, -5 when it is
// longer than a log's path may be, or CWorkingDirectory::SetPath's result.
int LogPath(CWorkingDirectory& path, const char* folder, int folderLength, const char* name) {
    const int built = path.SetPath(folder, folderLength, name, static_cast<int>(sizeof(kErrorLogName)));
    if (built != 1) return built;
    return std::strlen(path.GetPath()) > static_cast<size_t>(CBaseLog::kMaxPath) ? -5 : 1;
}
}  // namespace

CDebugController::CDebugController() { m_buffer.Allocate(kMaxMessage, false); }

int CDebugController::SetLogFiles(int flags, const char* folder, int folderLength) {
    if (!folder) return -1;
    CWorkingDirectory infoPath, errorPath;
    int result = LogPath(infoPath, folder, folderLength, kInfoLogName);
    if (result == 1) result = LogPath(errorPath, folder, folderLength, kErrorLogName);
    // Both or neither: the logs of one folder are set together.
    if (result != 1) return result;
    if (flags & LOG_INFO) m_infoLog.SetPath(infoPath.GetPath());
    if (!(flags & LOG_ERROR)) return -1;
    m_errorLog.SetPath(errorPath.GetPath());
    return 1;
}

int CDebugController::SetLevel(int level) {
    if (level < 0) return -1;
    m_level = static_cast<unsigned>(level);
    return 1;
}

int CDebugController::Log(int destination, int level, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int result = LogV(destination, level, format, arguments);
    va_end(arguments);
    return result;
}

int CDebugController::LogV(int destination, int level, const char* format, va_list arguments) {
    if (!(destination & (LOG_INFO | LOG_ERROR))) return -1;
    std::lock_guard<std::mutex> serialised(m_logMutex);
    char* text = m_buffer.Get();
    if (!text) return -4;

    // vsnprintf never writes past the buffer: a longer message is cut.
    const int formatted = std::vsnprintf(text, static_cast<size_t>(kMaxMessage) + 1, format, arguments);
    if (formatted < 0) return 0;
    const int length = formatted < kMaxMessage ? formatted : kMaxMessage;

    if (destination & LOG_INFO) {
        if (m_level == 0 || (m_level & static_cast<unsigned>(level)) == 0) return -51;
        const int written = m_infoLog.Write(text, length);
        if (written != 1) return written;
    }
    if (destination & LOG_ERROR) {
        const int written = m_errorLog.Write(text, length);
        if (written != 1) return written;
    }
    return 1;
}
