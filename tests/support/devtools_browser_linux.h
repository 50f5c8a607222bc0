#pragma once
// Headless Chromium driven through the DevTools protocol over a pipe
// (--remote-debugging-pipe: JSON messages ended by a NUL byte on the
// browser's descriptors 3 and 4, no port, no WebSocket), for tests of pages
// in a real browser. A fresh profile in a temporary folder; no network of
// its own (no sync, no component updates, no QUIC).
//
// Usage:
//   CDevToolsBrowser browser;
//   ASSERT_TRUE(browser.Open("http://127.0.0.1:8123/?key=..."));
//   browser.WaitFor("document.querySelectorAll('.block').length > 0");
//   browser.Evaluate("document.title")  // the value, as JSON
//
// Failures (no chromium, a message that does not come) end as false or a
// null value; the browser is closed when the object goes away.

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "support/child_process_linux.h"
#include "support/temp_folder.h"

class CDevToolsBrowser {
public:
    // Starts the browser (QLO_CHROMIUM of the build, or "chromium").
    explicit CDevToolsBrowser(const std::string& chromium = "chromium");
    ~CDevToolsBrowser();

    // A new tab on `url`, which later calls talk to; true once it loaded.
    bool Open(const std::string& url);
    // One protocol command of the tab (or of the browser with `browser`);
    // its "result", or null on an error or when no answer came.
    nlohmann::json Call(const std::string& method, const nlohmann::json& params = nlohmann::json::object(),
                        bool browser = false);
    // The value of `expression` in the tab (promises awaited); null when it
    // threw. The exception's text in LastError().
    nlohmann::json Evaluate(const std::string& expression);
    // Polls `expression` until it is true (WaitUntil's limit).
    bool WaitFor(const std::string& expression);
    // A PNG of what the tab shows at `width` x `height` CSS pixels, written to `path`.
    bool Screenshot(const std::string& path, int width, int height);
    const std::string& LastError() const { return m_error; }

private:
    CTempFolder m_profile;
    std::unique_ptr<CChildProcess> m_process;
    std::string m_session;
    std::string m_error;
    int m_nextId = 1;
};
