#pragma once
// Who may use the review page: the browser that was given the page's secret,
// talking to 127.0.0.1 or localhost on the page's own port, and nothing else.
//
// Each start of the page makes a new secret. The address the person opens
// carries it once ("/?key=SECRET"); the answer to that request sets it as a
// cookie (HttpOnly, SameSite=Strict, so no other site's page sends it), and
// later requests carry the cookie. A request is refused unless
//  - its Host header is exactly 127.0.0.1:PORT or localhost:PORT (a name of
//    another site that resolves to 127.0.0.1, DNS rebinding, is refused);
//  - an Origin header, when there is one, is http:// and that same host;
//  - it carries the secret (the key parameter or the cookie);
//  - it is a GET or HEAD, or a POST with an Origin header (what a script of
//    the page itself sends; a form of another site cannot carry the cookie).
// Other methods are refused. Secrets are compared in constant time.
//
// Pure: the server calls Check for every request before anything else.

#include <string>

struct CPageRequest {
    std::string method;
    std::string host;    // the Host header; empty when missing
    std::string origin;  // the Origin header; empty when missing
    std::string key;     // the "key" query parameter; empty when missing
    std::string cookie;  // the Cookie header; empty when missing
};

struct CPageVerdict {
    bool allowed = false;
    bool setCookie = false;  // the request brought the key in its address
    std::string reason;      // why it was refused, for the 403 answer
};

class CPageGuard {
public:
    static constexpr const char* kCookieName = "qlo_key";

    CPageGuard(std::string secret, int port);
    CPageVerdict Check(const CPageRequest& request) const;
    // The Set-Cookie value that hands the secret to the browser.
    std::string CookieValue() const;
    const std::string& Secret() const { return m_secret; }

private:
    bool IsOwnHost(const std::string& host) const;
    bool HoldsSecret(const std::string& candidate) const;

    std::string m_secret;
    int m_port;
};

// A new secret: 32 bytes of the OS's random source as 64 hex digits. Empty
// when the source failed.
std::string MakePageSecret();
