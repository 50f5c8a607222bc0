#include "sensing/browser_report_listener.h"

#include "sensing/browser_reports.h"

namespace {
constexpr char kStart[] = "CBrowserReportListener::Start";
}  // namespace

CBrowserReportListener::~CBrowserReportListener() { Stop(); }

int CBrowserReportListener::Start(CDebugController& log, const std::string& name) {
    m_log = &log;
    const int result = m_listener.Start(name, *this);
    if (result == 1)
        log.Log(LOG_INFO, 1, "%s: browser addresses are received at %s", kStart, name.c_str());
    else if (result == -7)
        // The collector runs once per user, so the holder is no collector of
        // this user's: on Windows, a program of another account that took
        // the pipe's name.
        log.Log(LOG_ERROR, 0,
                "%s (2) Another program holds \"%s\": no addresses from the browser extension reach this collector",
                kStart, name.c_str());
    else
        log.Log(LOG_ERROR, 0, "%s (1) Listening at \"%s\" failed with %i: no addresses from the browser extension",
                kStart, name.c_str(), result);
    return result;
}

void CBrowserReportListener::Stop() {
    m_listener.Stop();
    BrowserReports().Clear();
}

void CBrowserReportListener::OnMessage(uint32_t connection, const char* data, uint32_t size) {
    CBrowserReport report;
    // A malformed report is dropped; the host sends whole ones only.
    if (!DecodeBrowserReport(data, size, report)) return;
    BrowserReports().Apply(connection, report);
    m_log->Log(LOG_INFO, 2, "CBrowserReportListener::OnMessage: window %lld of process %u %s",
               static_cast<long long>(report.windowId), report.processId,
               report.kind == CBrowserReport::kClosed ? "closed" : "reported");
}

void CBrowserReportListener::OnDisconnected(uint32_t connection) { BrowserReports().ForgetConnection(connection); }
