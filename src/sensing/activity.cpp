#include "sensing/activity.h"

#include <cstring>

#include "platform/text.h"
#include "sensing/time_stamp.h"

CActivity::CActivity(ActivityType type) { SetType(type); }

CActivity::CActivity(int32_t type) { SetType(type); }

void CActivity::Assign(const CActivity& other) {
    if (this != &other) *this = other;
}

void CActivity::SetType(int32_t type) {
    if (type >= 0 && type < 5) m_type = static_cast<ActivityType>(type);
}

const char* CActivity::GetTypeLabel() const {
    switch (m_type) {
        case ActivityType::None:
            return "N";
        case ActivityType::Active:
            return "A";
        case ActivityType::Idle:
            return "I";
        case ActivityType::Locked:
            return "L";
        case ActivityType::Offline:
            return "F";
    }
    return "U";
}

void CActivity::SetSystemProcess() {
    m_process = CWinProcess(0);
    m_process.SetFileName(kSystemFileName);
    m_process.SetPath(kSystemPath);
}

void CActivity::HidePrivateDetails() {
    // Fresh fields, so that no byte of the private text stays behind the new one.
    CWinProcess kept(m_process.GetProcessId(), kPrivateText);
    kept.SetFileName(m_process.GetFileName());
    kept.SetPath(m_process.GetPath());
    m_process = kept;
    m_urlFlag = 0;
    std::memset(m_url, 0, sizeof m_url);
}

void CActivity::HidePrivateProgram() {
    m_process = CWinProcess(0, kPrivateText);
    m_process.SetFileName(kPrivateText);
    m_process.SetPath(kPrivatePath);
    m_urlFlag = 0;
    std::memset(m_url, 0, sizeof m_url);
}

bool CActivity::IsPrivateProgram() const {
    return std::strcmp(GetFullPath(), kPrivatePath) == 0 && std::strcmp(GetFileName(), kPrivateText) == 0;
}

void CActivity::UpdateDuration() {
    const int64_t elapsed = ElapsedSeconds(GetStartMoment(), GetFinishMoment());
    if (elapsed < 0) return;
    m_duration = elapsed;
    m_formatedDuration = PackTimeStamp(SplitDuration(m_duration));
}

int CActivity::SetURL(const char* text, int maxLength) {
    if (!text || maxLength <= 0) return -1;
    const size_t measured = strnlen(text, static_cast<size_t>(maxLength));
    const size_t kept = TextCutLength(text, measured < kUrlSize - 1 ? measured : kUrlSize - 1);
    std::memcpy(m_url, text, kept);
    m_url[kept] = '\0';
    return measured > kUrlSize - 1 ? -10 : 1;
}

void CActivity::ClearURL() {
    std::memset(m_url, 0, sizeof m_url);
    m_urlFlag = 0;
}

int CActivity::IsSameActivity(const CActivity& other) const {
    if (m_type != other.m_type) return 0;
    return std::strcmp(GetFileName(), other.GetFileName()) == 0 &&
                   std::strcmp(GetFullPath(), other.GetFullPath()) == 0 &&
                   std::strcmp(GetTitle(), other.GetTitle()) == 0
               ? 1
               : 0;
}

void CWinActivity::Assign(const CWinActivity& other) {
    if (this != &other) *this = other;
}
