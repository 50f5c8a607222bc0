// Addresses from the browser extension end to end on Linux: the real
// qlocollector on the test run's X display with folders of its own, the real
// qlo-browser-host, and a browser: this test playing one (its windows, and
// the extension's messages on the host's input), or Debian's Chromium with
// the unpacked extension loaded and the host installed by qloctl, showing a
// page of a local HTTP server. Every check reads the stored rows.
#include <X11/Xatom.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process_linux.h"
#include "support/http_test_server.h"
#include "support/raw_database.h"
#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"
#include "support/x11_test_display_linux.h"

namespace fs = std::filesystem;

namespace {
using Texts = std::vector<std::string>;

// One native messaging frame: the length in the machine's byte order, then the JSON.
std::string Frame(const std::string& json) {
    const uint32_t length = static_cast<uint32_t>(json.size());
    return std::string(reinterpret_cast<const char*>(&length), sizeof(length)) + json;
}

class BrowserAddresses : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display: run the tests through scripts/run_linux_tests.sh";
        for (const char* folder : {"data", "run", "config", "home", "install"})
            fs::create_directory(temp.Path() / folder);
        std::ofstream(temp.File("registry.reg"))
            << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]\r\n"
            << "\"Path\"=\"" << temp.File("install") << "\"\r\n\"First Start\"=dword:00000001\r\n"
            << "\"QLOCollector Log Level\"=dword:00000003\r\n";
    }

    void TearDown() override {
        if (collector && collector->Pid() > 0) kill(collector->Pid(), SIGTERM);
    }

    // Starts the collector and waits until it receives browser reports.
    void StartCollector() {
        collector = std::make_unique<CChildProcess>(QLO_COLLECTOR, Texts{"qlocollector"});
        ASSERT_TRUE(collector->Started());
        ASSERT_TRUE(WaitUntil([&] { return Count("browser addresses are received at " + channel) == 1; }));
    }

    // An orderly stop: the activity in progress is saved.
    void StopCollector() {
        kill(collector->Pid(), SIGTERM);
        ASSERT_TRUE(collector->WaitForEnd(20000));
        EXPECT_EQ(collector->Wait(), 0);
    }

    // Lines of the information log holding `text`.
    int Count(const std::string& text) {
        std::istringstream log(ReadFileBytes(temp.File("data/Orvanta/Logs/QLOCollector.log")));
        int count = 0;
        for (std::string line; std::getline(log, line);)
            count += line.find(text) != std::string::npos;
        return count;
    }

    // The stored activities with a title: "title|address|site|task".
    Texts Rows() {
        Texts rows;
        const std::string db = temp.File("data/Orvanta/DB/");
        if (!fs::exists(db)) return rows;
        for (const auto& file : fs::directory_iterator(db)) {
            if (file.path().filename().string().rfind("act", 0) != 0) continue;
            CRawDatabase activities(file.path().string());
            activities.Exec("attach '" + db + "sys.db' as sys; attach '" + db + "func.db' as func");
            for (const auto& row : activities.Rows(
                     "select a.Title || '|' || ifnull(a.URL, '') || '|' || ifnull(s.URL, '') || '|' || "
                     "ifnull(t.Name, '') from T_Activities a left join sys.T_Sites s on s.Id_Site = a.Id_Site "
                     "left join func.T_Tasks t on t.Id_Task = a.Id_Task where a.Title <> '' order by a.Id_Activity"))
                rows.push_back(row[0]);
        }
        return rows;
    }

    // Makes `window`, titled `title`, the active one, with input there, and
    // waits until the collector has taken it in (a new activity in the log).
    void Activate(CX11TestDisplay& display, Window window, const std::string& title) {
        const int before = Count("New activity");
        display.SetActive(window);
        display.FakeInput();
        ASSERT_TRUE(WaitUntil([&] { return Count("New activity") > before && Count(title) > 0; })) << title;
    }

    CTempFolder temp;
    const std::string channel = temp.File("channel");
    CScopedEnvironment dataHome{"XDG_DATA_HOME", temp.File("data").c_str()};
    CScopedEnvironment runtime{"XDG_RUNTIME_DIR", temp.File("run").c_str()};
    CScopedEnvironment configHome{"XDG_CONFIG_HOME", temp.File("config").c_str()};
    CScopedEnvironment home{"HOME", temp.File("home").c_str()};
    CScopedEnvironment registry{"QLO_REGISTRY_FILE", temp.File("registry.reg").c_str()};
    CScopedEnvironment browserChannel{"QLO_BROWSER_CHANNEL", channel.c_str()};
    CScopedEnvironment systemBus{"DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + temp.File("no-bus")).c_str()};
    CScopedEnvironment session{"XDG_SESSION_ID", nullptr};
    std::unique_ptr<CChildProcess> collector;
};

// This test is the browser: its windows carry its process id, and it starts
// the host and writes the extension's messages to it.
TEST_F(BrowserAddresses, TheWindowInFrontGetsTheAddressItsHostReported) {
    StartCollector();
    CChildProcess host(QLO_BROWSER_HOST, {"qlo-browser-host", "chrome-extension://x/"});
    std::string request;
    ASSERT_TRUE(host.Read(request, 4 + std::strlen("{\"resend\":true}"), 20000)) << "the host found no collector";
    const int reports = Count("CBrowserReportListener::OnMessage");
    ASSERT_TRUE(host.Write(Frame(R"({"window":1,"url":"http://vk.com/feed","title":"Feed"})") +
                           Frame(R"({"window":2,"url":"https://example.org/docs","title":"Docs"})") +
                           Frame(R"({"window":3,"url":"http://private.example/","title":"Secret","incognito":true})")));
    ASSERT_TRUE(WaitUntil([&] { return Count("CBrowserReportListener::OnMessage") == reports + 2; }));

    CX11TestDisplay display;
    ASSERT_TRUE(display.IsOpen());
    const uint32_t self = static_cast<uint32_t>(getpid());
    const Window feed = display.CreateWindow("chromium", "Feed - Chromium", self);
    const Window docs = display.CreateWindow("chromium", "Docs - Chromium", self);
    const Window secret = display.CreateWindow("chromium", "Secret - Chromium", self);
    Activate(display, feed, "Feed - Chromium");
    Activate(display, docs, "Docs - Chromium");
    Activate(display, secret, "Secret - Chromium");
    // The browser ends: what it reported is forgotten.
    host.CloseInput();
    EXPECT_EQ(host.Wait(), 0);
    display.SetTitle(feed, "Feed again - Chromium");
    Activate(display, feed, "Feed again - Chromium");
    Activate(display, docs, "Docs - Chromium");  // stores the one before
    StopCollector();

    Texts rows = Rows();
    rows.resize(4);  // the last activity may be too short to be stored
    EXPECT_EQ(rows, (Texts{"Feed - Chromium|http://vk.com/feed|http://vk.com|General [Social Networking]",
                           "Docs - Chromium|https://example.org/docs|https://example.org|Uncategorized",
                           "Secret - Chromium|||Uncategorized", "Feed again - Chromium|||Uncategorized"}));
}

// The top-level window whose title begins with `title`, and the process
// that owns it (its _NET_WM_PID); None when there is none.
Window FindWindowTitled(CX11TestDisplay& display, const std::string& title, uint32_t& pid) {
    Display* x = display.Raw();
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = None;
    if (!XQueryTree(x, display.Root(), &root, &parent, &children, &count)) return None;
    for (unsigned i = 0; i < count && found == None; ++i) {
        auto property = [&](const char* name, Atom type, std::string& value) {
            Atom actual = 0;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            const bool got = XGetWindowProperty(x, children[i], XInternAtom(x, name, False), 0, 1024, False, type,
                                                &actual, &format, &items, &after, &data) == Success &&
                             data && items > 0;
            if (got) value.assign(reinterpret_cast<char*>(data), format == 32 ? sizeof(long) : items);
            if (data) XFree(data);
            return got;
        };
        std::string name, owner;
        if (property("_NET_WM_NAME", XInternAtom(x, "UTF8_STRING", False), name) && name.rfind(title, 0) == 0 &&
            property("_NET_WM_PID", XA_CARDINAL, owner)) {
            pid = static_cast<uint32_t>(*reinterpret_cast<const long*>(owner.data()));
            found = children[i];
        }
    }
    if (children) XFree(children);
    return found;
}

// Debian's Chromium with the unpacked extension and the host's manifests
// installed as a user installs them, `host` resolved to the local `port`,
// showing `url`.
std::unique_ptr<CChildProcess> StartChromium(const std::string& host, uint16_t port, const std::string& url) {
    CChildProcess install(QLO_QLOCTL, {"qloctl", "install-browser-host"});
    EXPECT_EQ(install.Wait(), 0);
    return std::make_unique<CChildProcess>(
        "/usr/bin/chromium", Texts{"chromium", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                                   "--no-default-browser-check", "--disable-background-networking",
                                   "--disable-component-update", "--disable-sync", "--disable-features=HttpsUpgrades",
                                   "--password-store=basic", "--load-extension=" QLO_EXTENSION_DIR,
                                   "--host-resolver-rules=MAP " + host + ":80 127.0.0.1:" + std::to_string(port), url});
}

TEST_F(BrowserAddresses, ChromiumWithTheExtensionShowingALocalPage) {
    if (access("/usr/bin/chromium", X_OK) != 0) GTEST_SKIP() << "Debian's chromium is not installed";
    CHttpTestServer server(CHttpTestReply(200, "<html><head><title>Feed page</title></head><body>feed</body></html>",
                                          {{"Content-Type", "text/html"}}));
    ASSERT_NE(server.Port(), 0);
    StartCollector();
    // vk.com, which a seeded address rule knows, is this server.
    const auto chromium = StartChromium("vk.com", server.Port(), "http://vk.com/feed");
    ASSERT_TRUE(chromium->Started());
    for (const char* place :
         {"home/.mozilla/native-messaging-hosts", "config/chromium/NativeMessagingHosts",
          "config/google-chrome/NativeMessagingHosts", "config/microsoft-edge/NativeMessagingHosts"}) {
        const std::string manifest =
            ReadFileBytes(temp.File(std::string(place) + "/com.belvane.orvanta.qlo_browser_host.json"));
        EXPECT_NE(manifest.find("\"path\": \"" + std::string(QLO_BROWSER_HOST) + "\""), std::string::npos) << place;
    }

    CX11TestDisplay display;
    ASSERT_TRUE(display.IsOpen());
    // Its browser process, the child of Debian's start script, owns the window.
    uint32_t browser = 0;
    Window window = None;
    ASSERT_TRUE(
        WaitUntil([&] { return (window = FindWindowTitled(display, "Feed page - Chromium", browser)) != None; }, 60000))
        << "no Chromium window showing the page";
    ASSERT_TRUE(WaitUntil([&] { return Count("of process " + std::to_string(browser) + " reported") > 0; }, 60000))
        << "the extension reported nothing";
    // The window in front, then away (its activity is stored), until the
    // stored row carries the address the extension reported: an activity
    // keeps the address of its first capture, which may come before the
    // extension's report when the page has just loaded.
    const Window elsewhere = display.CreateWindow("other", "Elsewhere", static_cast<uint32_t>(getpid()));
    const std::string expected = "Feed page - Chromium|http://vk.com/feed|http://vk.com|General [Social Networking]";
    auto stored = [&] {
        for (const std::string& row : Rows())
            if (row == expected) return true;
        return false;
    };
    for (int attempt = 0; attempt < 5 && !stored(); ++attempt) {
        Activate(display, window, "Feed page - Chromium");
        Activate(display, elsewhere, "Elsewhere");
        WaitUntil([&] { return Rows().size() >= static_cast<size_t>(2 * attempt + 1); });
    }
    EXPECT_TRUE(stored()) << testing::PrintToString(Rows());
    kill(chromium->Pid(), SIGTERM);
    chromium->WaitForEnd(20000);
    StopCollector();
}

TEST_F(BrowserAddresses, AListedSiteInChromiumLeavesNoTraceInTheDataFolderAndItsTimeStillCounts) {
    if (access("/usr/bin/chromium", X_OK) != 0) GTEST_SKIP() << "Debian's chromium is not installed";
    std::ofstream(temp.File("registry.reg"), std::ios::app)
        << "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\Privacy]\r\n\"Sites details\"=\"bank.example\"\r\n";
    CHttpTestServer server(CHttpTestReply(200,
                                          "<html><head><title>Statement page</title></head><body>balance</body></html>",
                                          {{"Content-Type", "text/html"}}));
    ASSERT_NE(server.Port(), 0);
    StartCollector();
    const auto chromium = StartChromium("bank.example", server.Port(), "http://bank.example/statement");
    ASSERT_TRUE(chromium->Started());
    CX11TestDisplay display;
    ASSERT_TRUE(display.IsOpen());
    uint32_t browser = 0;
    Window window = None;
    ASSERT_TRUE(WaitUntil(
        [&] { return (window = FindWindowTitled(display, "Statement page - Chromium", browser)) != None; }, 60000))
        << "no Chromium window showing the page";
    ASSERT_TRUE(WaitUntil([&] { return Count("of process " + std::to_string(browser) + " reported") > 0; }, 60000))
        << "the extension reported nothing";
    // Seconds stored as private.
    auto privateSeconds = [&] {
        long long seconds = 0;
        for (const auto& file : fs::directory_iterator(temp.File("data/Orvanta/DB")))
            if (file.path().filename().string().rfind("act", 0) == 0)
                seconds += std::atoll(CRawDatabase(file.path().string())
                                          .Value("select ifnull(sum(Duration), 0) from T_Activities where Title = "
                                                 "'private'")
                                          .c_str());
        return seconds;
    };
    // The page in front, then away, until its row is stored: a switch
    // within the second it began leaves a row of no length, not stored.
    const Window elsewhere = display.CreateWindow("other", "Elsewhere", static_cast<uint32_t>(getpid()));
    const Texts secrets{"bank.example", "Statement", "balance"};
    for (int attempt = 0; attempt < 5 && privateSeconds() == 0; ++attempt) {
        Activate(display, window, "(A) chromium private");
        EXPECT_EQ(FilesHolding(temp.File("data/Orvanta"), secrets), "");
        Activate(display, elsewhere, "Elsewhere");
    }
    EXPECT_GT(privateSeconds(), 0);
    kill(chromium->Pid(), SIGTERM);
    chromium->WaitForEnd(20000);
    StopCollector();
    EXPECT_EQ(FilesHolding(temp.File("data/Orvanta"), secrets), "");
    const Texts rows = Rows();
    ASSERT_FALSE(rows.empty());
    for (const std::string& row : rows)
        EXPECT_TRUE(row.rfind("private|||", 0) == 0 || row.rfind("Elsewhere|||", 0) == 0) << row;
}
}  // namespace
