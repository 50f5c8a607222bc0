#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file.h"

bool CPlatformFile::Open(const char* path, bool create) {
    if (IsOpen() || !path) return false;
    int fd = open(path, O_WRONLY | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
    if (fd < 0) return false;
    // The nearest thing to Windows' "no sharing": one writer at a time.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    m_handle = fd;
    return true;
}

bool CPlatformFile::OpenExisting(const char* path) { return Open(path, false); }
bool CPlatformFile::OpenAlways(const char* path) { return Open(path, true); }

int64_t CPlatformFile::SeekToEnd() { return IsOpen() ? lseek(static_cast<int>(m_handle), 0, SEEK_END) : -1; }

bool CPlatformFile::IsAt(const char* path) const {
    struct stat open, named;
    if (!IsOpen() || !path || fstat(static_cast<int>(m_handle), &open) != 0) return false;
    return stat(path, &named) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

bool CPlatformFile::Write(const void* data, size_t size) {
    if (!IsOpen()) return false;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(static_cast<int>(m_handle), p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool CPlatformFile::Close() {
    if (!IsOpen()) return false;
    close(static_cast<int>(m_handle));  // also releases the flock
    m_handle = kNone;
    return true;
}
