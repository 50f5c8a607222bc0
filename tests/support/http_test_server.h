#pragma once
// A small HTTP/1.1 server on 127.0.0.1 that runs on a thread of the test
// process, so that the Windows tests under Wine reach it as the Linux ones do.
// It answers one request per connection (then closes it) with what the test's
// handler returns, and records every request it received.
//
// Thread safety: the handler runs on the server thread; Requests() may be
// called from the test thread at any time.

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/loopback_socket.h"

struct CHttpTestRequest {
    std::string method;                                        // "GET", "POST", ...
    std::string target;                                        // the path and query as sent, e.g. "/rest/api/2/search"
    std::vector<std::pair<std::string, std::string>> headers;  // in arrival order, names as sent
    std::string body;

    // The value of the first header of that name (case-insensitive), "" when absent.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

struct CHttpTestReply {
    using Headers = std::vector<std::pair<std::string, std::string>>;
    CHttpTestReply(int status, std::string body, Headers headers = {})
        : status(status), body(std::move(body)), headers(std::move(headers)) {}

    int status;
    std::string body;
    Headers headers;  // extra headers, e.g. Set-Cookie; a Content-Type replaces the default JSON
};

class CHttpTestServer {
public:
    using Handler = std::function<CHttpTestReply(const CHttpTestRequest&)>;

    // Starts listening on a free port; Port() is 0 when that failed.
    explicit CHttpTestServer(Handler handler);
    // Answers every request with `reply`.
    explicit CHttpTestServer(CHttpTestReply reply);
    ~CHttpTestServer();
    CHttpTestServer(const CHttpTestServer&) = delete;
    CHttpTestServer& operator=(const CHttpTestServer&) = delete;

    int Port() const { return m_port; }
    // "http://127.0.0.1:<port>"
    std::string Url() const;
    std::vector<CHttpTestRequest> Requests() const;

private:
    void Serve();
    void Answer(LoopbackSocket connection);

    Handler m_handler;
    int m_port = 0;
    LoopbackSocket m_listener = kNoSocket;
    bool m_stopping = false;
    mutable std::mutex m_mutex;
    std::vector<CHttpTestRequest> m_requests;
    std::thread m_thread;
};

// A loopback port on which nothing listens (it was free a moment ago).
int UnusedLoopbackPort();
