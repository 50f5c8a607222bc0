#pragma once
// The review page's HTTP server: listens on 127.0.0.1 only, on a port of
// the caller's choice or a free one, lets every request through CPageGuard
// first (a refused one gets 403 and nothing else), then serves the page's
// embedded files and the JSON answers of CPageApi.
//
// Every answer carries a strict Content-Security-Policy (scripts, styles
// and requests only from the page itself, no inline script, no frames), no
// caching, no referrer and no content sniffing, so nothing the page shows
// can run as code or leave the machine.
//
// The server runs on threads of its own from Start until Stop (or the
// object's end). Not copyable.

#include <memory>
#include <string>
#include <thread>

#include "qlorules/page_api.h"
#include "qlorules/page_guard.h"

namespace httplib {
class Server;
}

class CPageServer {
public:
    // `api` must outlive the server.
    explicit CPageServer(CPageApi& api);
    ~CPageServer();
    CPageServer(const CPageServer&) = delete;
    CPageServer& operator=(const CPageServer&) = delete;

    // Makes the secret, binds 127.0.0.1:`port` (0: a free port) and starts
    // answering. 1; 0 with the reason in `error` (port taken, no random source).
    int Start(int port, std::string& error);
    void Stop();
    int Port() const { return m_port; }
    // The address to open: it carries the secret.
    std::string Address() const;

private:
    CPageApi& m_api;
    std::unique_ptr<httplib::Server> m_server;
    std::unique_ptr<CPageGuard> m_guard;
    std::thread m_thread;
    int m_port = 0;
};
