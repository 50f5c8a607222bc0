#include "qlorules/page_server.h"

#include <httplib.h>

#include <map>

#include "qlorules/page_files.h"

namespace {
constexpr const char kPolicy[] =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
// Threads answering requests: the page asks little at a time, and the
// library runs one request at a time anyway.
constexpr size_t kThreads = 4;
}  // namespace

CPageServer::CPageServer(CPageApi& api) : m_api(api) {}

CPageServer::~CPageServer() { Stop(); }

std::string CPageServer::Address() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/?key=" + (m_guard ? m_guard->Secret() : "");
}

int CPageServer::Start(int port, std::string& error) {
    const std::string secret = MakePageSecret();
    if (secret.empty()) {
        error = "the system's random source gave no secret";
        return 0;
    }
    m_server = std::make_unique<httplib::Server>();
    httplib::Server& server = *m_server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    m_port = port == 0 ? server.bind_to_any_port("127.0.0.1") : (server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (m_port <= 0) {
        error = "cannot listen on 127.0.0.1" + (port ? ":" + std::to_string(port) : std::string());
        m_server.reset();
        return 0;
    }
    m_guard = std::make_unique<CPageGuard>(secret, m_port);

    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        response.set_header("Content-Security-Policy", kPolicy);
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Referrer-Policy", "no-referrer");
        response.set_header("Cache-Control", "no-store");
        const CPageVerdict verdict =
            m_guard->Check({request.method, request.get_header_value("Host"), request.get_header_value("Origin"),
                            request.get_param_value("key"), request.get_header_value("Cookie")});
        if (!verdict.allowed) {
            response.status = 403;
            response.set_content("refused: " + verdict.reason + "\n", "text/plain; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (verdict.setCookie) response.set_header("Set-Cookie", m_guard->CookieValue());
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto send = [](httplib::Response& response, const CPageAnswer& answer) {
        response.status = answer.status;
        response.set_content(answer.body, "application/json; charset=utf-8");
    };
    server.Get("/api/.*", [this, send](const httplib::Request& request, httplib::Response& response) {
        std::map<std::string, std::string> params;
        for (const auto& [name, value] : request.params)
            params.emplace(name, value);
        send(response, m_api.Get(request.path, params));
    });
    server.Post("/api/.*", [this, send](const httplib::Request& request, httplib::Response& response) {
        send(response, m_api.Post(request.path, request.body));
    });
    server.Get("/([a-z]*\\.[a-z]+)?", [](const httplib::Request& request, httplib::Response& response) {
        const std::string name = request.path == "/" ? "index.html" : request.path.substr(1);
        const CPageFile* file = FindPageFile(name);
        if (!file) {
            response.status = 404;
            return;
        }
        response.set_content(reinterpret_cast<const char*>(file->data), file->size, PageFileType(name));
    });
    m_thread = std::thread([&server] { server.listen_after_bind(); });
    return 1;
}

void CPageServer::Stop() {
    if (!m_server) return;
    m_server->stop();
    if (m_thread.joinable()) m_thread.join();
    m_server.reset();
}
