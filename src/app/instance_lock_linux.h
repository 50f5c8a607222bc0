#pragma once
// The single-instance guard of the Linux collector: a lock file that names
// the running collector, and the look-up by which the control tool finds it.
//
// The file is "qlocollector.lock" in the data folder
// (${XDG_DATA_HOME:-$HOME/.local/share}/Orvanta, the folder of the
// collector's databases and logs), and holds the collector's process id as
// decimal text and a newline. It is found the same way from every shell:
// login, ssh, su, sudo, cron and the service manager all set HOME, while
// $XDG_RUNTIME_DIR is set only in sessions that logind opened, so a lock
// there let a collector started from another shell run beside the
// session's one. One lock per data folder is also exactly what keeps two
// collectors from writing the same files. The collector keeps
// an exclusive flock(2) on it for its whole life. The kernel drops the lock
// when the process ends, however it ends, so a file left behind by a
// collector that died blocks nobody. The file is never removed: removing it
// while a starting collector opens it would let two collectors each lock a
// file of their own.
//
// Another process finds the running collector without taking the lock
// (taking it, even for a moment, would make a collector starting in that
// moment believe that another one runs): it reads the process id from the
// file and confirms, in /proc, that this process holds the lock on this very
// file. A stale file, or one whose id now belongs to some other program,
// therefore never names a process.

#include <sys/types.h>

#include <string>

// Where the lock file is; "" when the application-data folder cannot be had.
// Creates the data folder "Orvanta".
std::string InstanceLockPath();

class CInstanceLock {
public:
    CInstanceLock() = default;
    // Releases the lock (the file stays).
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // Opens (creating it when missing) and locks the file at `path`, then
    // writes this process's id into it. Results: 1 held; 0 another process
    // holds it; -1 no path; -8 the file cannot be opened, locked or written
    // (errno tells why). Only one successful Acquire per object.
    int Acquire(const std::string& path);

private:
    int m_fd = -1;
};

// The id of the process that holds the lock file at `path` and is named in
// it; 0 when no process does (no file, a stale file, an unreadable one).
pid_t FindRunningInstance(const std::string& path);

// FindRunningInstance, asked again for at most `limitMs` while it finds
// nobody: a collector that has just taken the lock writes its id a moment
// later.
pid_t WaitForRunningInstance(const std::string& path, int limitMs);
