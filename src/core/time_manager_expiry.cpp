// CTimeManager's daily run of details that expire.
#include <cstdio>

#include "core/keep_details_setting.h"
#include "core/time_manager.h"
#include "sensing/time_stamp.h"

namespace {
constexpr char kExpireDetails[] = "CTimeManager::ExpireDetails";
// Transactions of a run per check: a year's backlog of 1.2 million rows
// takes some minutes of checks, each check a fraction of a second.
constexpr int kTransactionsPerCheck = 20;
}  // namespace

void CTimeManager::ExpireDetails(const CMoment& now) {
    if (!m_tracking) return;
    if (!m_expiry.Running()) {
        const int64_t today = DayStart(now.stamp);
        if (m_expiryLookedDay == today) return;
        m_expiryLookedDay = today;
        if (m_expiry.LastRunDay() == today) return;
        const uint32_t days = ReadKeepDetailsDays();
        if (days == 0) return;
        m_expiryDay = today;
        m_expiry.Begin(AddDays(today, -static_cast<int64_t>(days)));
        LogInfo(1, "%s Details of the rows before %lld expire", kExpireDetails,
                static_cast<long long>(AddDays(today, -static_cast<int64_t>(days))));
    }
    std::string error;
    const int step = m_expiry.Step(kTransactionsPerCheck, error);
    char line[400];
    if (step < 0) std::snprintf(line, sizeof line, "%s (%i) %s", kExpireDetails, 1, error.c_str());
    LogRepeating(m_expiryFailures, step < 0 ? line : nullptr);
    if (step == 1) {
        m_expiry.SetLastRunDay(m_expiryDay);
        LogInfo(1, "%s %lld rows lost their details", kExpireDetails, static_cast<long long>(m_expiry.RowsChanged()));
    }
    if (m_expiry.Running()) m_quietWaitAllowed = false;
}
