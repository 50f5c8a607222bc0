#pragma once
// The HTTPS server of these tests (tests/support/tls_test_server.sh), started
// by ctest before them: the tests run in its folder, which holds its port, its
// self-signed certificate for "localhost" and the files it serves.

#include <string>

#include "support/temp_folder.h"

inline std::string HttpsServerUrl(const std::string& host) {
    std::string port = ReadFileBytes("port");
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r'))
        port.pop_back();
    return port.empty() ? "" : "https://" + host + ":" + port;
}

inline constexpr char kServerCertificate[] = "ca.pem";
// What the server answers for the session address.
inline std::string ServedSession() { return ReadFileBytes("session.json"); }
