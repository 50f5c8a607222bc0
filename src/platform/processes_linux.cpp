// Processes on Linux, read from /proc (see processes.h for the methods).
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/text.h"

namespace {
// What the kernel appends to /proc/PID/exe when the executable's file was
// removed or replaced while the process runs (a package upgrade).
constexpr char kDeletedMark[] = " (deleted)";

std::string ProcessFolder(uint32_t processId) { return "/proc/" + std::to_string(processId); }

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// The target of a symbolic link, however long.
bool ReadLink(const std::string& path, std::string& target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
        if (length < 0) return false;
        if (static_cast<size_t>(length) < buffer.size()) {
            target.assign(buffer.data(), static_cast<size_t>(length));
            return true;
        }
        if (buffer.size() >= 65536) return false;
        buffer.resize(buffer.size() * 2);
    }
}

// At most `limit` bytes of a (small, /proc) file.
bool ReadFile(const std::string& path, std::string& content, size_t limit) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    content.assign(limit, '\0');
    size_t total = 0;
    while (total < limit) {
        const ssize_t got = read(fd, content.data() + total, limit - total);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        total += static_cast<size_t>(got);
    }
    close(fd);
    content.resize(total);
    return true;
}

// The full path of the process's executable, without the kernel's mark of a
// removed file (the program is still the one that was started from there).
bool ExecutablePath(const std::string& folder, std::string& path) {
    if (!ReadLink(folder + "/exe", path) || path.empty()) return false;
    const size_t markLength = sizeof(kDeletedMark) - 1;
    if (path.size() > markLength && path.compare(path.size() - markLength, markLength, kDeletedMark) == 0 &&
        !Exists(path))
        path.resize(path.size() - markLength);
    return true;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void CopyInto(char* buffer, unsigned size, const std::string& text) { CopyTextCut(buffer, text.c_str(), size - 1); }

// The effective user id of the process: the account it acts as.
bool EffectiveUserId(const std::string& folder, uid_t& uid) {
    std::string status;
    if (!ReadFile(folder + "/status", status, 4096)) return false;
    const size_t line = status.find("\nUid:");
    if (line == std::string::npos) return false;
    unsigned long real = 0, effective = 0;
    if (std::sscanf(status.c_str() + line, "\nUid: %lu %lu", &real, &effective) != 2) return false;
    uid = static_cast<uid_t>(effective);
    return true;
}

// The login name of the account; its number when it has no name (a user
// known only to a container or a network directory that is unreachable).
std::string LoginName(uid_t uid) {
    std::vector<char> buffer(1024);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < 1048576) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error == 0 && found && found->pw_name && found->pw_name[0]) return found->pw_name;
        return std::to_string(uid);
    }
}

class CProcProcesses : public CProcessService {
public:
    int FindImageBySnapshot(char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                            uint32_t processId) override {
        if (!fileName || !fileNameSize || !path || !pathSize) return -1;
        const std::string folder = ProcessFolder(processId);
        if (!Exists(folder)) return Exists("/proc/self") ? -52 : 0;
        std::string fullPath, name;
        const bool pathRead = ExecutablePath(folder, fullPath);
        if (pathRead) {
            name = FileNameOf(fullPath);
        } else if (ReadFile(folder + "/comm", name, 64) && !name.empty() && name.back() == '\n') {
            name.pop_back();
        }
        if (name.empty()) return -52;
        CopyInto(fileName, fileNameSize, name);
        if (!pathRead) return -52;
        CopyInto(path, pathSize, fullPath);
        return 1;
    }

    int FindImageByModules(char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                           uint32_t processId) override {
        if (!fileName || !fileNameSize || !path || !pathSize) return -1;
        std::string commandLine;
        if (!ReadFile(ProcessFolder(processId) + "/cmdline", commandLine, 4096)) return -9;
        const std::string program = commandLine.substr(0, commandLine.find('\0'));
        const std::string name = FileNameOf(program);
        if (name.empty()) return 0;
        CopyInto(fileName, fileNameSize, name);
        if (program[0] != '/') return 0;
        CopyInto(path, pathSize, program);
        return 1;
    }

    int FindImageByWmi(const char*, char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                       uint32_t) override {
        if (!fileName || !fileNameSize || !path || !pathSize) return -1;
        return -2;
    }

    int GetProcessAccount(uint32_t processId, char* domain, unsigned domainSize, char* name,
                          unsigned nameSize) override {
        if (!domain || !domainSize || !name || !nameSize || processId == 0) return 0;
        uid_t uid = 0;
        if (!EffectiveUserId(ProcessFolder(processId), uid)) return 0;
        char host[256] = {};
        if (gethostname(host, sizeof(host) - 1) != 0) return 0;
        CopyInto(domain, domainSize, host);
        CopyInto(name, nameSize, LoginName(uid));
        return 1;
    }

    uint32_t GetCurrentProcessId() override { return static_cast<uint32_t>(getpid()); }
};
}  // namespace

CProcessService& SystemProcesses() {
    static CProcProcesses processes;
    return processes;
}
