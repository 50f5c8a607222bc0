#include "sensing/process.h"

#include <cstring>

#include "platform/text.h"

CProcess::CProcess(uint32_t processId) : m_processId(processId) {}

CProcess::CProcess(const CProcess& other) : CErrorBase() { *this = other; }

CProcess& CProcess::operator=(const CProcess& other) {
    if (this == &other) return *this;
    m_processId = other.m_processId;
    std::memcpy(m_fileName, other.m_fileName, sizeof m_fileName);
    std::memcpy(m_path, other.m_path, sizeof m_path);
    return *this;
}

void CProcess::Clear() {
    m_fileName[0] = '\0';
    m_path[0] = '\0';
}

void CProcess::SetFileName(const char* fileName) { CopyTextCut(m_fileName, fileName, kFileNameSize - 1); }

void CProcess::SetPath(const char* path) { CopyTextCut(m_path, path, kPathSize - 1); }

CWinProcess::CWinProcess(uint32_t processId, const char* title) : CProcess(processId) {
    if (title) SetTitle(title);
}

void CWinProcess::Clear() {
    CProcess::Clear();
    m_title[0] = '\0';
}

void CWinProcess::SetTitle(const char* text, int length) {
    const size_t limit = length < 1 || length > kTitleSize - 1 ? kTitleSize - 1 : static_cast<size_t>(length);
    CopyTextCut(m_title, text, limit);
}
