#pragma once
// The logging front end: an information log filtered by a level mask and an
// error log that takes every message.
//
// Destinations (bit mask): 1 information log, 2 error log. Levels used by the
// collector: 1 normal progress, 2 detail; errors are sent with level 0 to the
// error log only. An information message is written when the mask and its
// level share a bit: mask 0 silences the information log, 1 gives normal
// messages, 2 detailed ones, 3 both.
//
// Thread safety: Log may be called from any thread; the whole call (formatting
// into the shared buffer and writing) is serialised, so lines of two threads
// never interleave. SetLogFiles and SetLevel run before other threads log.

#include <cstdarg>
#include <mutex>

#include "log/auto_char_buffer.h"
#include "log/log_files.h"
#include "platform/compiler.h"

// Destinations of CDebugController::Log.
enum : int { LOG_INFO = 1, LOG_ERROR = 2 };

class CDebugController {
public:
    // A message holds at most this many characters; longer ones are cut.
    static constexpr int kMaxMessage = 2048;

    CDebugController();
    virtual ~CDebugController() = default;

    // Bit 0 of flags points the information log at folder/"QLOCollector.log",
    // bit 1 the error log at folder/"QLOCollector_Error.log" (a trailing
    // separator of the folder is dropped). 1 when bit 1 was given; -1 when the
    // folder is missing or bit 1 was not given; -5 when a log's path would
    // be longer than CBaseLog::kMaxPath: then neither log is pointed there
    // (cut to that length, both paths could name one file).
    int SetLogFiles(int flags, const char* folder, int folderLength);
    // True once the error log has a file to write to.
    bool HasLogFiles() const { return m_errorLog.GetPath() != nullptr; }
    // -1 for a negative level (the mask stays); otherwise the mask becomes
    // `level` and the result is 1.
    int SetLevel(int level);
    unsigned GetLevel() const { return m_level; }

    // Formats one message with printf rules and writes it. Results: 1 written;
    // -1 no destination bit; -4 no formatting buffer; -51 an information
    // message filtered out by the mask (then nothing is written at all); the
    // log's own result when a write fails; 0 when formatting fails.
    int Log(int destination, int level, const char* format, ...) QLO_PRINTF(4, 5);
    int LogV(int destination, int level, const char* format, va_list arguments);

private:
    CInfoLog m_infoLog;
    CErrorLog m_errorLog;
    CAutoCharBuffer m_buffer;
    unsigned m_level = 0;
    std::mutex m_logMutex;
};
