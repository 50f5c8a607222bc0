#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/private_file.h"

int MakeOwnerOnlyFile(const char* path) {
    if (!path || !*path) return -1;
    const int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return 0;
    const bool restricted = fchmod(fd, 0600) == 0;
    close(fd);
    return restricted ? 1 : 0;
}
