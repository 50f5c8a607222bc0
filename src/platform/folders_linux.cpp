// The folders of the Linux target: the XDG data folder, realpath(3) for the
// long-name form of a path and mkdir(2).
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/folders.h"

namespace {
bool IsFolder(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates `path` and every missing folder above it, new ones private to the
// user (mode 0700, as the XDG base directories ask).
bool CreateFolderTree(const std::string& path) {
    if (IsFolder(path.c_str())) return true;
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !CreateFolderTree(path.substr(0, slash))) return false;
    return mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && IsFolder(path.c_str()));
}

// ${XDG_DATA_HOME:-$HOME/.local/share}; "" when neither an absolute
// XDG_DATA_HOME nor HOME is set.
std::string DataHome() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return data;
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    return std::string(home) + "/.local/share";
}

class CXdgFolders : public CFolderService {
public:
    int GetAppDataFolder(char* buffer, unsigned size) override {
        if (!buffer || size == 0) return 0;
        std::string folder = DataHome();
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (folder.empty() || folder.size() >= size || !CreateFolderTree(folder)) return 0;
        std::memcpy(buffer, folder.c_str(), folder.size() + 1);
        return 1;
    }

    unsigned GetLongPathName(const char* path, char* buffer, unsigned size) override {
        if (!path || !*path || !buffer) return 0;
        char* resolved = realpath(path, nullptr);
        if (!resolved) return 0;
        const size_t length = std::strlen(resolved);
        const bool fits = length < size;
        if (fits) std::memcpy(buffer, resolved, length + 1);
        std::free(resolved);
        return fits ? static_cast<unsigned>(length) : 0;
    }

    int CreateDirectory(const char* path) override {
        if (!path || !*path) return 0;
        if (mkdir(path, 0777) == 0) return 1;
        // An existing folder is what was asked for; an existing file is not.
        return errno == EEXIST && IsFolder(path) ? 1 : 0;
    }
};
}  // namespace

CFolderService& SystemFolders() {
    static CXdgFolders folders;
    return folders;
}
