#pragma once
// One log file: opened on its first write, appended to, never truncated.
//
// A new file begins with two lines: its title and 44 dashes. Every message is
// one line: a 24-character time stamp "dd/mm/yyyy hh:mm:ss.mmm " (local time
// from the clock service), the text and CR LF. Text is written as given
// (the ANSI code page on Windows, UTF-8 on Linux).
//
// Rotation: a line that would take the file past kMaxBytes first moves the
// file into the folder "Archive" beside it, as <name>.1<extension>
// ("Logs/Archive/QLOCollector.1.log"), the earlier ones becoming .2 to
// .kArchivedFiles and the oldest dropped; the line then starts a new file.
// When the move fails (the archive cannot be made) the file goes on growing.
// A file deleted or moved away while open (possible on Linux only) is
// noticed at the next write, which starts a new file at the path.
//
// Thread safety: Write may be called from any thread; writes of one log are
// serialised by its mutex. SetPath, SetTitle, Open and Close are for the
// owning thread while no other thread writes.

#include <cstdint>

#include "log/auto_char_buffer.h"
#include "log/mutex_lock.h"
#include "platform/file.h"

class CBaseLog {
public:
    // kind: 2 for both logs of the collector (nothing reads it);
    // keepOpen: 1 keeps the file open between writes; timestamps: 1 stamps lines.
    CBaseLog(const char* title, int kind, int keepOpen, int timestamps);
    virtual ~CBaseLog();
    CBaseLog(const CBaseLog&) = delete;
    CBaseLog& operator=(const CBaseLog&) = delete;

    static constexpr int kMaxPath = 259;
    static constexpr int64_t kMaxBytes = 10 * 1024 * 1024;
    static constexpr int kArchivedFiles = 10;

    // 1; -1 missing or empty text; -4 no memory; -5 longer than kMaxPath
    // characters (the log then has no path: a cut path could name another
    // log's file).
    int SetPath(const char* path);
    // Copies at most kMaxPath characters. 1; -1 missing or empty; -4 no memory.
    int SetTitle(const char* title);
    const char* GetPath() const { return m_path.Get(); }

    // Opens the file: an existing one is appended to as it is; otherwise it is
    // created (or opened anyway) and gets the two header lines.
    // 1 open; -7 already open; -1 no path; 0 the file cannot be opened.
    int Open();
    // Appends one stamped line: 1 written (a failed write after a successful
    // open is ignored); -12 the lock was not had within 60 s; the result of
    // Open when the file cannot be opened; -8 no file.
    int Write(const char* text, int length);
    // 1 closed; -8 nothing open.
    int Close();

private:
    void WriteHeader();
    // Closes the file, moves it into the archive and opens a new one; when
    // the move fails the same file is opened again. Open's result.
    int Rotate();

    CAutoCharBuffer m_path;
    CAutoCharBuffer m_title;
    CMutexLock m_lock;
    int m_keepOpen;
    int m_timestamps;
    [[maybe_unused]] int m_kind;  // kept for the log's description; nothing reads it
    CPlatformFile m_file;
};
