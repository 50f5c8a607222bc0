#include "app/instance_lock_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/folders.h"

namespace {
const char kLockFileName[] = "qlocollector.lock";
const char kDataFolderName[] = "Orvanta";

bool WriteAll(int fd, const char* text, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, text, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The process id written in the file, or 0 when it holds none.
pid_t ReadPid(const std::string& path) {
    std::ifstream file(path);
    long long pid = 0;
    if (!(file >> pid) || pid <= 0 || pid > 0x7FFFFFFF) return 0;
    return static_cast<pid_t>(pid);
}

// True when one of the descriptors of process `pid` is the file `locked`
// (same device and inode, as seen through the same path walk) and holds an
// exclusive flock on it (the "lock:" lines of /proc/PID/fdinfo/N).
bool HoldsLock(pid_t pid, const struct stat& locked) {
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    DIR* folder = opendir(fds.c_str());
    if (!folder) return false;
    bool holds = false;
    while (!holds) {
        const dirent* entry = readdir(folder);
        if (!entry) break;
        if (entry->d_name[0] == '.') continue;
        struct stat target;
        if (stat((fds + "/" + entry->d_name).c_str(), &target) != 0 || target.st_dev != locked.st_dev ||
            target.st_ino != locked.st_ino)
            continue;
        std::ifstream info("/proc/" + std::to_string(pid) + "/fdinfo/" + entry->d_name);
        for (std::string line; std::getline(info, line);) {
            if (line.rfind("lock:", 0) == 0 && line.find(" FLOCK ") != std::string::npos &&
                line.find(" WRITE ") != std::string::npos) {
                holds = true;
                break;
            }
        }
    }
    closedir(folder);
    return holds;
}
}  // namespace

std::string InstanceLockPath() {
    char appData[4096];
    if (Folders().GetAppDataFolder(appData, sizeof(appData)) != 1) return {};
    const std::string folder = std::string(appData) + "/" + kDataFolderName;
    if (Folders().CreateDirectory(folder.c_str()) != 1) return {};
    return folder + "/" + kLockFileName;
}

CInstanceLock::~CInstanceLock() {
    // Closing the only descriptor releases the flock.
    if (m_fd >= 0) close(m_fd);
}

int CInstanceLock::Acquire(const std::string& path) {
    if (path.empty()) return -1;
    if (m_fd >= 0) return -8;
    // Not O_TRUNC: the id of a running collector must survive a second start.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -8;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return error == EWOULDBLOCK ? 0 : -8;
    }
    char text[32];
    const int length = std::snprintf(text, sizeof(text), "%ld\n", static_cast<long>(getpid()));
    if (ftruncate(fd, 0) != 0 || !WriteAll(fd, text, static_cast<size_t>(length))) {
        const int error = errno;
        close(fd);
        errno = error;
        return -8;
    }
    m_fd = fd;
    return 1;
}

pid_t FindRunningInstance(const std::string& path) {
    if (path.empty()) return 0;
    struct stat locked;
    if (stat(path.c_str(), &locked) != 0 || !S_ISREG(locked.st_mode)) return 0;
    const pid_t pid = ReadPid(path);
    return pid > 0 && HoldsLock(pid, locked) ? pid : 0;
}

pid_t WaitForRunningInstance(const std::string& path, int limitMs) {
    constexpr int kPollMs = 10;
    const timespec pause{0, kPollMs * 1000000L};
    pid_t pid = FindRunningInstance(path);
    for (int waited = 0; pid == 0 && waited < limitMs; waited += kPollMs) {
        nanosleep(&pause, nullptr);
        pid = FindRunningInstance(path);
    }
    return pid;
}
