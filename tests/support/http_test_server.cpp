#include "support/http_test_server.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {
bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 201:
            return "Created";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        default:
            return "Status";
    }
}

// Parses the request line and headers of `head` (without the blank line).
bool ParseHead(const std::string& head, CHttpTestRequest& request) {
    size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const size_t space1 = requestLine.find(' ');
    const size_t space2 = requestLine.find(' ', space1 + 1);
    if (space1 == std::string::npos || space2 == std::string::npos) return false;
    request.method = requestLine.substr(0, space1);
    request.target = requestLine.substr(space1 + 1, space2 - space1 - 1);
    while (lineEnd != std::string::npos) {
        const size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos)
            request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
    }
    return true;
}
}  // namespace

std::string CHttpTestRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (SameName(key, name)) return value;
    return "";
}

bool CHttpTestRequest::HasHeader(const std::string& name) const {
    return std::any_of(headers.begin(), headers.end(), [&](const auto& h) { return SameName(h.first, name); });
}

CHttpTestServer::CHttpTestServer(Handler handler) : m_handler(std::move(handler)) {
    m_listener = ListenOnLoopback(&m_port);
    if (m_listener == kNoSocket) {
        m_port = 0;
        return;
    }
    m_thread = std::thread([this] { Serve(); });
}

CHttpTestServer::CHttpTestServer(CHttpTestReply reply)
    : CHttpTestServer([reply](const CHttpTestRequest&) { return reply; }) {}

CHttpTestServer::~CHttpTestServer() {
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
        }
        // Wake the blocking accept with a connection of our own.
        CloseSocket(ConnectToLoopback(m_port));
        m_thread.join();
    }
    CloseSocket(m_listener);
}

std::string CHttpTestServer::Url() const { return "http://127.0.0.1:" + std::to_string(m_port); }

std::vector<CHttpTestRequest> CHttpTestServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void CHttpTestServer::Serve() {
    for (;;) {
        const LoopbackSocket connection = AcceptConnection(m_listener);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping) {
                CloseSocket(connection);
                return;
            }
        }
        if (connection == kNoSocket) return;
        Answer(connection);
        CloseSocket(connection);
    }
}

void CHttpTestServer::Answer(LoopbackSocket connection) {
    std::string received;
    char chunk[4096];
    size_t headEnd;
    while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
        const int n = ReceiveSome(connection, chunk, sizeof(chunk));
        if (n <= 0) return;
        received.append(chunk, static_cast<size_t>(n));
    }
    CHttpTestRequest request;
    if (!ParseHead(received.substr(0, headEnd), request)) return;
    const size_t bodyLength = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
    if (SameName(request.Header("Expect"), "100-continue")) {
        static const char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
        if (!SendAll(connection, kContinue, sizeof(kContinue) - 1)) return;
    }
    request.body = received.substr(headEnd + 4);
    while (request.body.size() < bodyLength) {
        const int n = ReceiveSome(connection, chunk, sizeof(chunk));
        if (n <= 0) return;
        request.body.append(chunk, static_cast<size_t>(n));
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
    }
    const CHttpTestReply reply = m_handler(request);
    std::string response = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
    bool typed = false;  // JSON unless the reply names its type
    for (const auto& [name, value] : reply.headers) {
        response += name + ": " + value + "\r\n";
        typed = typed || SameName(name, "Content-Type");
    }
    if (!typed) response += "Content-Type: application/json\r\n";
    response += "Content-Length: " + std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n" + reply.body;
    SendAll(connection, response.data(), response.size());
}

int UnusedLoopbackPort() {
    int port = 0;
    const LoopbackSocket probe = ListenOnLoopback(&port);
    CloseSocket(probe);
    return port;
}
