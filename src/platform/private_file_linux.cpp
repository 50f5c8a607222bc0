#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/private_file.h"

namespace fs = std::filesystem;

namespace {
// Takes the group's and the others' rights away from `path`, whose rights
// are `perms`; counts a change in `repaired`. False when it cannot.
bool RestrictToOwner(const fs::path& path, fs::perms perms, int& repaired) {
    constexpr fs::perms kOthers = fs::perms::group_all | fs::perms::others_all;
    if ((perms & kOthers) == fs::perms::none) return true;
    std::error_code error;
    fs::permissions(path, kOthers, fs::perm_options::remove, error);
    if (error) return false;
    ++repaired;
    return true;
}
}  // namespace

int MakeOwnerOnlyFile(const char* path) {
    if (!path || !*path) return -1;
    const int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return 0;
    const bool restricted = fchmod(fd, 0600) == 0;
    close(fd);
    return restricted ? 1 : 0;
}

void KeepNewFilesOwnerOnly() { umask(077); }

int RestrictFolderToOwner(const char* path, int& repaired) {
    repaired = 0;
    if (!path || !*path) return -1;
    std::error_code error;
    const fs::file_status top = fs::symlink_status(path, error);
    if (error || !fs::is_directory(top)) return -1;
    bool all = RestrictToOwner(path, top.permissions(), repaired);
    // The folder's own rights come first, so that nobody else can enter it
    // while the entries below are changed.
    fs::recursive_directory_iterator entry(path, error);
    if (error) return 0;
    for (; entry != fs::recursive_directory_iterator(); entry.increment(error)) {
        if (error) return 0;
        const fs::file_status status = entry->symlink_status(error);
        if (error) {
            all = false;
            continue;
        }
        if (!fs::is_symlink(status)) all = RestrictToOwner(entry->path(), status.permissions(), repaired) && all;
    }
    return error ? 0 : all ? 1 : 0;
}
