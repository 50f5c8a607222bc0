#include "sensing/capture_memo.h"

#include "platform/desktop.h"
#include "sensing/browser_reports.h"

int CCaptureMemo::Capture(CWinActivity& activity) {
    // Read before the capture: a change that comes during it moves them on,
    // and the next call captures again.
    const uint64_t desktopChanges = Desktop().ChangeCount();
    const uint64_t browserChanges = BrowserReports().Changes();
    if (Holds(desktopChanges, browserChanges)) {
        CUser user;
        activity.GetUser(user);
        activity = m_last;
        if (!user.IsEmpty()) activity.SetUser(user);
        return 1;
    }
    const int captured = activity.Capture();
    m_held = desktopChanges != 0 && activity.IsRepeatable();
    if (m_held) {
        m_reportedInFront = BrowserReports().HasProcess(activity.GetProcessId());
        m_last = activity;
        m_desktopChanges = desktopChanges;
        m_browserChanges = browserChanges;
    }
    return captured;
}

bool CCaptureMemo::Quiet(uint64_t desktopChanges) const {
    return Holds(desktopChanges, BrowserReports().Changes()) && !m_reportedInFront;
}

bool CCaptureMemo::Holds(uint64_t desktopChanges, uint64_t browserChanges) const {
    return m_held && desktopChanges != 0 && desktopChanges == m_desktopChanges && browserChanges == m_browserChanges;
}
