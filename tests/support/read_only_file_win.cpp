#include <windows.h>

#include "support/read_only_file.h"

CReadOnlyFile::CReadOnlyFile(const std::string& path) : m_path(path) {
    if (!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) return;
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    m_denyWrite = handle;
    m_ok = true;
}

CReadOnlyFile::~CReadOnlyFile() {
    if (m_denyWrite) CloseHandle(static_cast<HANDLE>(m_denyWrite));
    SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
