#include "support/small_volume.h"

CSmallVolume::CSmallVolume(const std::string& folder, size_t) : m_folder(folder) {
    m_why = "no small volume can be made on Windows here";
}

CSmallVolume::~CSmallVolume() = default;

bool CSmallVolume::Fill() { return false; }

void CSmallVolume::Free() {}
