// qlo-browser-host against a fake browser (this test, on the host's standard
// input and output) and a fake collector (a listener on a private channel):
// framing, many windows, every kind of malformed input, private windows, and
// a collector that is missing, starts late or restarts.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/local_channel.h"
#include "sensing/browser_report.h"
#include "support/child_process_linux.h"
#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace {
using namespace std::chrono_literals;

struct CReceived {
    uint32_t kind;
    uint32_t processId;
    int64_t windowId;
    std::string url;
    std::string title;
};

// The collector's end of the channel: every report that arrives, in order.
class CFakeCollector : public CLocalChannelReceiver {
public:
    explicit CFakeCollector(const std::string& channel) { EXPECT_EQ(m_listener.Start(channel, *this), 1); }
    ~CFakeCollector() override { m_listener.Stop(); }

    void OnMessage(uint32_t, const char* data, uint32_t size) override {
        CBrowserReport report;
        ASSERT_TRUE(DecodeBrowserReport(data, size, report));
        std::lock_guard<std::mutex> hold(m_mutex);
        m_reports.push_back(
            {report.kind, report.processId, report.windowId, std::string(report.url), std::string(report.title)});
        m_changed.notify_all();
    }
    void OnDisconnected(uint32_t) override {}

    // Waits until `count` reports have come; all that came by then.
    std::vector<CReceived> WaitFor(size_t count) {
        std::unique_lock<std::mutex> hold(m_mutex);
        m_changed.wait_for(hold, 20s, [&] { return m_reports.size() >= count; });
        return m_reports;
    }

private:
    CLocalChannelListener m_listener;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<CReceived> m_reports;
};

// One native messaging frame: the length in the machine's byte order, then the bytes.
std::string Frame(const std::string& json) {
    const uint32_t length = static_cast<uint32_t>(json.size());
    return std::string(reinterpret_cast<const char*>(&length), sizeof(length)) + json;
}

std::string Shown(int64_t window, const std::string& url, const std::string& title) {
    return Frame("{\"window\":" + std::to_string(window) + ",\"url\":\"" + url + "\",\"title\":\"" + title + "\"}");
}

// The highest resident memory of the process so far, in kB.
long PeakMemoryKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// True when every thread of the process is blocked, the main one reading its
// input (so it has handled all it was given) and the other one waiting for
// its next try to reach a collector.
bool WaitsForInputAndCollector(pid_t pid) {
    int reading = 0, waiting = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
        std::ifstream syscall(task.path() / "syscall");
        std::string number;
        if (!(syscall >> number) || number == "running") return false;
        if (std::stol(number) == SYS_read)
            ++reading;
        else if (std::stol(number) == SYS_futex)
            ++waiting;
        else
            return false;
    }
    return reading == 1 && waiting == 1;
}

class BrowserHost : public testing::Test {
protected:
    // The host as a browser starts it, reaching the collector through this test's channel.
    void StartHost() {
        CScopedEnvironment channelName("QLO_BROWSER_CHANNEL", channel.c_str());
        host = std::make_unique<CChildProcess>(QLO_BROWSER_HOST,
                                               std::vector<std::string>{"qlo-browser-host", "chrome-extension://x/"});
        ASSERT_TRUE(host->Started());
    }

    // The host asks the browser for the current state once it reaches a collector.
    void ExpectResendRequest() {
        std::string length, json;
        ASSERT_TRUE(host->Read(length, 4, 20000)) << "no request from the host";
        uint32_t size = 0;
        std::memcpy(&size, length.data(), 4);
        ASSERT_TRUE(host->Read(json, size));
        EXPECT_EQ(json, "{\"resend\":true}");
    }

    CTempFolder temp;
    const std::string channel = temp.File("channel");
    std::unique_ptr<CChildProcess> host;
};

TEST_F(BrowserHost, PassesOnWhatEachWindowShowsWithTheBrowsersProcess) {
    CFakeCollector collector(channel);
    StartHost();
    ExpectResendRequest();
    // Forty windows in one write, then one message a byte at a time.
    std::string many;
    for (int window = 1; window <= 40; ++window)
        many += Shown(window, "https://site" + std::to_string(window) + ".example/", "Page " + std::to_string(window));
    ASSERT_TRUE(host->Write(many));
    const std::string split = Shown(2147483648LL, "http://vk.com/feed",
                                    "Z\xC3\xBCrich \xE2\x80\x94 Stra\xC3\x9F"
                                    "e");
    for (char byte : split)
        ASSERT_TRUE(host->Write(std::string(1, byte)));
    // Texts beyond what a report carries are cut, never inside a character.
    std::string cutTitle;
    for (int i = 0; i < 341; ++i)
        cutTitle += "\xE2\x82\xAC";  // 1023 bytes of euro signs, then one more that does not fit
    ASSERT_TRUE(host->Write(Shown(41, "https://long.example/" + std::string(3000, 'p'), cutTitle + "\xE2\x82\xAC")));
    ASSERT_TRUE(host->Write(Frame("{\"window\":3,\"closed\":true}")));

    const std::vector<CReceived> reports = collector.WaitFor(43);
    ASSERT_EQ(reports.size(), 43u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(reports[i].kind, CBrowserReport::kShown);
        EXPECT_EQ(reports[i].processId, static_cast<uint32_t>(getpid()));
        EXPECT_EQ(reports[i].windowId, i + 1);
        EXPECT_EQ(reports[i].url, "https://site" + std::to_string(i + 1) + ".example/");
        EXPECT_EQ(reports[i].title, "Page " + std::to_string(i + 1));
    }
    EXPECT_EQ(reports[40].windowId, 2147483648LL);
    EXPECT_EQ(reports[40].title,
              "Z\xC3\xBCrich \xE2\x80\x94 Stra\xC3\x9F"
              "e");
    EXPECT_EQ(reports[41].url.size(), CBrowserReport::kMaxUrl);
    EXPECT_EQ(reports[41].title, cutTitle);
    EXPECT_EQ(reports[42].kind, CBrowserReport::kClosed);
    EXPECT_EQ(reports[42].windowId, 3);
    host->CloseInput();
    EXPECT_EQ(host->Wait(), 0);
}

TEST_F(BrowserHost, SkipsMalformedMessagesWithBoundedMemoryAndNeverPassesOnPrivateWindows) {
    CFakeCollector collector(channel);
    StartHost();
    ExpectResendRequest();
    const std::string malformed[] = {
        Frame("not json"),
        Frame("[1,2]"),
        Frame(""),
        Frame("{\"url\":\"http://no.window/\"}"),
        Frame("{\"window\":\"1\",\"url\":\"http://a/\"}"),
        Frame("{\"window\":1.5,\"url\":\"http://a/\"}"),
        Frame("{\"window\":1,\"url\":5}"),
        Frame("{\"window\":1,\"title\":\"no address\"}"),
        Frame("{\"window\":1,\"url\":\"http://a/\",\"title\":[]}"),
        Frame("{\"window\":1,\"url\":\"http://bad.utf8/\xC3\x28\"}"),
        Frame(std::string(60000, '[')),
        // Private windows, however they are announced.
        Frame("{\"window\":7,\"url\":\"http://private.example/\",\"title\":\"p\",\"incognito\":true}"),
        Frame("{\"window\":7,\"closed\":true,\"incognito\":\"yes\"}"),
    };
    for (const std::string& frame : malformed)
        ASSERT_TRUE(host->Write(frame));
    ASSERT_TRUE(host->Write(Shown(9, "http://after.example/", "After")));
    std::vector<CReceived> reports = collector.WaitFor(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].windowId, 9);
    EXPECT_EQ(reports[0].url, "http://after.example/");

    // Longer than the host takes: read past in pieces, never held.
    const long before = PeakMemoryKb(host->Pid());
    ASSERT_TRUE(host->Write(Frame("{\"window\":8,\"url\":\"http://" + std::string(32 * 1024 * 1024, 'h') + "\"}")));
    ASSERT_TRUE(host->Write(Shown(10, "http://last.example/", "Last")));
    reports = collector.WaitFor(2);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].windowId, 10);
    EXPECT_LT(PeakMemoryKb(host->Pid()) - before, 4 * 1024) << "the long message was held";
    host->CloseInput();
    EXPECT_EQ(host->Wait(), 0);
}

TEST_F(BrowserHost, EndsCleanlyWhereverTheInputEnds) {
    CFakeCollector collector(channel);
    const std::string endings[] = {
        "",                                                           // at once
        std::string("\x10\x00", 2),                                   // within a length
        Frame("{\"window\":1,\"url\":\"http://a/\"}").substr(0, 12),  // within a message
        std::string("\xFF\xFF\xFF\xFF", 4) + "abc",                   // within a message far too long
    };
    for (const std::string& ending : endings) {
        StartHost();
        ASSERT_TRUE(host->Write(ending));
        host->CloseInput();
        EXPECT_TRUE(host->WaitForEnd(20000)) << ending.size();
        EXPECT_EQ(host->Wait(), 0);
    }
    EXPECT_EQ(collector.WaitFor(0).size(), 0u);
}

TEST_F(BrowserHost, KeepsNothingWithoutACollectorAndAsksAgainWhenOneAppears) {
    StartHost();
    ASSERT_TRUE(host->Write(Shown(1, "http://dropped.example/", "Dropped")));
    ASSERT_TRUE(WaitUntil([&] { return WaitsForInputAndCollector(host->Pid()); }));
    auto collector = std::make_unique<CFakeCollector>(channel);
    ExpectResendRequest();
    ASSERT_TRUE(host->Write(Shown(2, "http://sent.example/", "Sent")));
    std::vector<CReceived> reports = collector->WaitFor(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].windowId, 2);

    // The collector restarts: the host notices and asks again.
    collector.reset();
    collector = std::make_unique<CFakeCollector>(channel);
    ExpectResendRequest();
    ASSERT_TRUE(host->Write(Shown(3, "http://again.example/", "Again")));
    reports = collector->WaitFor(1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].windowId, 3);
}
}  // namespace
