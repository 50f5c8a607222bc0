#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "support/read_only_file.h"

namespace {
// Adds or removes CAP_DAC_OVERRIDE in the effective set of this thread.
bool SetOverride(bool enabled) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    if (enabled)
        data[0].effective |= 1u << CAP_DAC_OVERRIDE;
    else
        data[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    return syscall(SYS_capset, &header, data) == 0;
}
}  // namespace

CReadOnlyFile::CReadOnlyFile(const std::string& path) : m_path(path) {
    if (chmod(path.c_str(), 0444) != 0) return;
    if (geteuid() == 0) {
        if (!SetOverride(false)) return;
        m_droppedOverride = true;
    }
    // access() would answer for the real user id, which for root keeps every
    // right; trying to open the file for writing tells the truth.
    const int fd = open(path.c_str(), O_WRONLY);
    m_ok = fd < 0;
    if (fd >= 0) close(fd);
}

CReadOnlyFile::~CReadOnlyFile() {
    if (m_droppedOverride) SetOverride(true);
    chmod(m_path.c_str(), 0644);
}
