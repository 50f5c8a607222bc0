#include "support/devtools_browser_linux.h"

#include <fstream>

#include "support/wait_until.h"

using nlohmann::json;

namespace {
// The base64 text of a screenshot, decoded.
std::string DecodeBase64(const std::string& text) {
    static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        const size_t digit = kAlphabet.find(c);
        if (digit == std::string::npos) continue;
        value = value << 6 | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>(value >> bits & 0xff);
        }
    }
    return bytes;
}
}  // namespace

CDevToolsBrowser::CDevToolsBrowser(const std::string& chromium) {
    // The browser reads commands on descriptor 3 and writes on 4: the child's
    // standard input and output are moved there.
    const std::string command = "exec " + chromium +
                                " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                                " --disable-background-networking --disable-component-update --disable-sync"
                                " --remote-debugging-pipe --user-data-dir=" +
                                m_profile.Str() + " about:blank 3<&0 4>&1 </dev/null >/dev/null 2>/dev/null";
    m_process = std::make_unique<CChildProcess>("/bin/sh", std::vector<std::string>{"sh", "-c", command});
}

CDevToolsBrowser::~CDevToolsBrowser() {
    if (m_process->Started()) {
        Call("Browser.close", json::object(), true);
        m_process->WaitForEnd(10000);
    }
}

json CDevToolsBrowser::Call(const std::string& method, const json& params, bool browser) {
    const int id = m_nextId++;
    json message = {{"id", id}, {"method", method}, {"params", params}};
    if (!browser && !m_session.empty()) message["sessionId"] = m_session;
    if (!m_process->Write(message.dump() + '\0')) return nullptr;
    std::string text;
    // Events come between the answers; they are not needed here.
    while (m_process->ReadLine(text, 60000, '\0')) {
        const json answer = json::parse(text, nullptr, false);
        if (!answer.is_object() || answer.value("id", 0) != id) continue;
        if (answer.contains("error")) {
            m_error = answer["error"].dump();
            return nullptr;
        }
        return answer.value("result", json::object());
    }
    m_error = "no answer to " + method;
    return nullptr;
}

bool CDevToolsBrowser::Open(const std::string& url) {
    const json target = Call("Target.createTarget", {{"url", "about:blank"}}, true);
    if (target.is_null()) return false;
    const json attached = Call("Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}}, true);
    if (attached.is_null()) return false;
    m_session = attached["sessionId"];
    if (Call("Page.navigate", {{"url", url}}).is_null()) return false;
    return WaitFor("document.readyState === 'complete'");
}

json CDevToolsBrowser::Evaluate(const std::string& expression) {
    const json result =
        Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}});
    if (result.is_null()) return nullptr;
    if (result.contains("exceptionDetails")) {
        m_error = result["exceptionDetails"].dump();
        return nullptr;
    }
    return result["result"].value("value", json());
}

bool CDevToolsBrowser::WaitFor(const std::string& expression) {
    return WaitUntil([&] { return Evaluate("!!(" + expression + ")") == true; });
}

bool CDevToolsBrowser::Screenshot(const std::string& path, int width, int height) {
    if (Call("Emulation.setDeviceMetricsOverride",
             {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", width < 600}})
            .is_null())
        return false;
    const json shot = Call("Page.captureScreenshot", {{"format", "png"}});
    if (shot.is_null()) return false;
    std::ofstream(path, std::ios::binary) << DecodeBase64(shot.value("data", ""));
    return true;
}
