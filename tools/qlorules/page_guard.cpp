#include "qlorules/page_guard.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/random_bytes.h"

namespace {
std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The value of cookie `name` in a Cookie header ("a=1; b=2"); empty when absent.
std::string CookieFrom(const std::string& header, const std::string& name) {
    size_t at = 0;
    while (at < header.size()) {
        while (at < header.size() && (header[at] == ' ' || header[at] == ';'))
            ++at;
        const size_t end = std::min(header.find(';', at), header.size());
        const std::string pair = header.substr(at, end - at);
        const size_t equals = pair.find('=');
        if (equals != std::string::npos && pair.compare(0, equals, name) == 0) return pair.substr(equals + 1);
        at = end;
    }
    return {};
}
}  // namespace

CPageGuard::CPageGuard(std::string secret, int port) : m_secret(std::move(secret)), m_port(port) {}

bool CPageGuard::IsOwnHost(const std::string& host) const {
    const std::string port = ":" + std::to_string(m_port);
    const std::string lower = Lower(host);
    return lower == "127.0.0.1" + port || lower == "localhost" + port;
}

bool CPageGuard::HoldsSecret(const std::string& candidate) const {
    if (m_secret.empty() || candidate.size() != m_secret.size()) return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < candidate.size(); ++i)
        difference |= static_cast<unsigned char>(candidate[i] ^ m_secret[i]);
    return difference == 0;
}

CPageVerdict CPageGuard::Check(const CPageRequest& request) const {
    CPageVerdict verdict;
    if (!IsOwnHost(request.host)) {
        verdict.reason = "the Host header is not this page's address";
        return verdict;
    }
    if (!request.origin.empty() && Lower(request.origin) != "http://" + Lower(request.host)) {
        verdict.reason = "the request comes from another site";
        return verdict;
    }
    const bool read = request.method == "GET" || request.method == "HEAD";
    if (!read && request.method != "POST") {
        verdict.reason = "method not allowed";
        return verdict;
    }
    if (request.method == "POST" && request.origin.empty()) {
        verdict.reason = "a change must come from the page's own script";
        return verdict;
    }
    const bool keyInAddress = HoldsSecret(request.key);
    if (!keyInAddress && !HoldsSecret(CookieFrom(request.cookie, kCookieName))) {
        verdict.reason = "the page's key is missing or wrong: open the address qlorules serve printed";
        return verdict;
    }
    verdict.allowed = true;
    verdict.setCookie = keyInAddress;
    return verdict;
}

std::string CPageGuard::CookieValue() const {
    return std::string(kCookieName) + "=" + m_secret + "; Path=/; HttpOnly; SameSite=Strict";
}

std::string MakePageSecret() {
    unsigned char bytes[32];
    if (RandomBytes(bytes, sizeof bytes) != 1) return {};
    static const char kHex[] = "0123456789abcdef";
    std::string secret;
    for (unsigned char byte : bytes) {
        secret += kHex[byte >> 4];
        secret += kHex[byte & 15];
    }
    return secret;
}
