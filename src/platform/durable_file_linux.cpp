#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/durable_file.h"

namespace {
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Makes the rename itself durable: the folder's entry list goes to the disk.
void SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}
}  // namespace

int WriteFileDurably(const char* path, const std::string& content) {
    if (!path || !*path) return 0;
    const std::string temporary = std::string(path) + ".tmp";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return 0;
    const bool written = WriteAll(fd, content.data(), content.size()) && fdatasync(fd) == 0;
    if (close(fd) != 0 || !written || rename(temporary.c_str(), path) != 0) {
        unlink(temporary.c_str());
        return 0;
    }
    SyncFolderOf(path);
    return 1;
}

int ReadSmallFile(const char* path, std::string& content, size_t limit) {
    content.clear();
    if (!path) return -1;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? 0 : -1;
    char buffer[4096];
    int result = 1;
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 || content.size() + static_cast<size_t>(got) > limit) {
            result = -1;
            break;
        }
        if (got == 0) break;
        content.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    if (result != 1) content.clear();
    return result;
}

int RemoveFile(const char* path) {
    if (!path) return 0;
    return unlink(path) == 0 || errno == ENOENT ? 1 : 0;
}
