#include "platform/app_process_linux.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {
std::string FileNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string FirstLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

// The program of the desktop entry's Exec line ("env A=1 /usr/bin/prog %U" gives "prog").
std::string DesktopEntryProgram(const std::string& appId) {
    std::vector<std::string> folders;
    const char* home = std::getenv("XDG_DATA_HOME");
    if (home && *home)
        folders.push_back(home);
    else if (const char* user = std::getenv("HOME"))
        folders.push_back(std::string(user) + "/.local/share");
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream list(dirs && *dirs ? dirs : "/usr/local/share:/usr/share");
    for (std::string folder; std::getline(list, folder, ':');)
        if (!folder.empty()) folders.push_back(folder);
    for (const std::string& folder : folders) {
        std::ifstream entry(folder + "/applications/" + appId + ".desktop");
        for (std::string line; std::getline(entry, line);) {
            if (line.rfind("Exec=", 0) != 0) continue;
            std::istringstream words(line.substr(5));
            for (std::string word; words >> word;) {
                if (word == "env" || word.find('=') != std::string::npos) continue;
                if (word.size() > 1 && word.front() == '"') word = word.substr(1, word.find('"', 1) - 1);
                return FileNameOf(word);
            }
        }
    }
    return {};
}

struct CCandidate {
    uint32_t pid = 0;
    uint32_t parent = 0;
    unsigned long long start = 0;
};

// Parent and start time from /proc/PID/stat (fields 4 and 22, after the name).
bool ReadStat(const std::string& folder, CCandidate& process) {
    const std::string stat = FirstLine(folder + "/stat");
    const size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) return false;
    std::istringstream fields(stat.substr(nameEnd + 2));
    std::string field;
    for (int index = 3; fields >> field; ++index) {
        if (index == 4) process.parent = static_cast<uint32_t>(std::strtoul(field.c_str(), nullptr, 10));
        if (index == 22) {
            process.start = std::strtoull(field.c_str(), nullptr, 10);
            return true;
        }
    }
    return false;
}

bool Matches(const std::string& name, const std::vector<std::string>& wanted) {
    if (name.empty()) return false;
    for (const std::string& each : wanted)
        if (strcasecmp(name.c_str(), each.c_str()) == 0) return true;
    return false;
}
}  // namespace

CAppProcess FindAppProcess(const std::string& appId) {
    std::vector<std::string> wanted;
    if (!appId.empty()) {
        wanted.push_back(appId);
        wanted.push_back(appId.substr(appId.rfind('.') + 1));
        const std::string program = DesktopEntryProgram(appId);
        if (!program.empty()) wanted.push_back(program);
    }
    CAppProcess found;
    std::vector<CCandidate> candidates;
    DIR* proc = opendir("/proc");
    if (!proc) return found;
    const uid_t me = getuid();
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const unsigned long pid = std::strtoul(entry->d_name, &end, 10);
        if (pid == 0 || *end != '\0') continue;
        const std::string folder = std::string("/proc/") + entry->d_name;
        struct stat info {};
        if (stat(folder.c_str(), &info) != 0 || info.st_uid != me) continue;
        const std::string comm = FirstLine(folder + "/comm");
        if (comm == "Xwayland") found.xwaylandRunning = true;
        if (wanted.empty()) continue;
        char exe[4096];
        const ssize_t exeLength = readlink((folder + "/exe").c_str(), exe, sizeof(exe) - 1);
        const std::string exeName = exeLength > 0 ? FileNameOf(std::string(exe, static_cast<size_t>(exeLength))) : "";
        std::string argv0;
        std::getline(std::ifstream(folder + "/cmdline"), argv0, '\0');
        CCandidate candidate;
        candidate.pid = static_cast<uint32_t>(pid);
        if ((Matches(exeName, wanted) || Matches(FileNameOf(argv0), wanted) || Matches(comm, wanted)) &&
            ReadStat(folder, candidate))
            candidates.push_back(candidate);
    }
    closedir(proc);

    const CCandidate* best = nullptr;
    for (const CCandidate& each : candidates) {
        bool parentIsCandidate = false;
        for (const CCandidate& other : candidates)
            parentIsCandidate |= other.pid == each.parent;
        if (!parentIsCandidate && (!best || each.start < best->start)) best = &each;
    }
    if (best) found.processId = best->pid;
    return found;
}
