#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/durable_file.h"

int CDurableFile::ReadCopy(const std::string& path, size_t limit, std::string& bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? 0 : -1;
    struct stat status = {};
    int result = fstat(fd, &status) == 0 && static_cast<uint64_t>(status.st_size) <= limit ? 1 : -1;
    char buffer[4096];
    while (result == 1) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 || bytes.size() + static_cast<size_t>(got > 0 ? got : 0) > limit) result = -1;
        if (got <= 0 || result != 1) break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return result;
}

bool CDurableFile::WriteCopy(const std::string& path, const std::string& bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool written = true;
    for (size_t done = 0; written && done < bytes.size();) {
        const ssize_t put = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) continue;
        written = put > 0;
        if (written) done += static_cast<size_t>(put);
    }
    // fdatasync also flushes a changed length; the name is not new after the
    // first write, so the folder needs no flush.
    written = written && ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && fdatasync(fd) == 0;
    return close(fd) == 0 && written;
}
