#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "support/small_volume.h"

namespace {
std::string FillerPath(const std::string& folder) { return folder + "/filler"; }
}  // namespace

CSmallVolume::CSmallVolume(const std::string& folder, size_t bytes) : m_folder(folder) {
    const std::string options = "size=" + std::to_string(bytes);
    if (mount("qlo-small", folder.c_str(), "tmpfs", 0, options.c_str()) == 0) {
        m_mounted = true;
    } else {
        m_why = std::string("mounting a tmpfs on ") + folder + " failed: " + std::strerror(errno) +
                " (it needs root, or the right to mount)";
    }
}

CSmallVolume::~CSmallVolume() {
    if (m_mounted) umount2(m_folder.c_str(), MNT_DETACH);
}

bool CSmallVolume::Fill() {
    if (!m_mounted) return false;
    FILE* filler = std::fopen(FillerPath(m_folder).c_str(), "wb");
    if (!filler) return false;
    const std::vector<char> block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
    }
    // Whatever the buffer still held cannot be written either.
    std::fclose(filler);
    return true;
}

void CSmallVolume::Free() { unlink(FillerPath(m_folder).c_str()); }
