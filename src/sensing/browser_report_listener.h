#pragma once
// Receives the reports of the browser extension's native messaging hosts on
// this user's local channel and keeps them in BrowserReports(), where the
// extension reader finds them. The collector runs one from its start to its
// stop; without it, addresses come from DDE alone.
//
// Thread safety: Start and Stop on one thread (the shell's); the reports
// arrive on the channel's own thread.

#include <string>

#include "log/debug_controller.h"
#include "platform/local_channel.h"

class CBrowserReportListener : public CLocalChannelReceiver {
public:
    CBrowserReportListener() = default;
    // Stops listening.
    ~CBrowserReportListener() override;

    // Listens on BrowserChannelName() (or `name` when given). The outcome
    // goes to `log`: the place at information level 1; a failure, and a
    // place that another program holds already, to the error log (once per
    // start). Each report received is noted at level
    // 2, without its address or title. `log` must outlive the listening. The
    // channel's result (see CLocalChannelListener::Start).
    int Start(CDebugController& log, const std::string& name = BrowserChannelName());
    // Stops listening and forgets every report.
    void Stop();

    void OnMessage(uint32_t connection, const char* data, uint32_t size) override;
    void OnDisconnected(uint32_t connection) override;

private:
    CDebugController* m_log = nullptr;
    CLocalChannelListener m_listener;
};
