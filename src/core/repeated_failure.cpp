#include "core/repeated_failure.h"

namespace {
constexpr uint32_t kHourMs = 3600u * 1000u;
}  // namespace

CRepeatedFailure::Verdict CRepeatedFailure::Occurred(const std::string& line, uint32_t tickMs) {
    if (!m_inRun) {
        m_inRun = true;
        m_line = line;
        m_count = 0;
        m_lastLineTick = tickMs;
        return Verdict::First;
    }
    ++m_count;
    if (tickMs - m_lastLineTick < kHourMs) return Verdict::Quiet;
    m_lastLineTick = tickMs;
    return Verdict::StillOn;
}

int CRepeatedFailure::EndRun() {
    if (!m_inRun) return 0;
    m_inRun = false;
    return TakeCount();
}

int CRepeatedFailure::TakeCount() {
    const int count = m_count;
    m_count = 0;
    return count;
}
