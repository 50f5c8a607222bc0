// Addresses from the browser extension end to end under Windows (Wine): the
// real QLOCollector.exe, the real qlo-browser-host.exe started as Chrome
// starts it (with --parent-window naming the browser's window), this test
// writing the extension's messages to the host's input, and a window helper
// copied as chrome.exe as the browser's window. Also qloctl's installation
// of the host's manifests in the registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "collector_harness_win.h"

namespace {
// One native messaging frame: the length in the machine's byte order, then the JSON.
std::string Frame(const std::string& json) {
    const uint32_t length = static_cast<uint32_t>(json.size());
    return std::string(reinterpret_cast<const char*>(&length), sizeof(length)) + json;
}

// The host as a browser starts it: its standard input and output are pipes of this test.
class CBrowserHostProcess {
public:
    ~CBrowserHostProcess() {
        CloseInput();
        if (m_output) CloseHandle(m_output);
        if (m_process.hProcess) {
            if (WaitForSingleObject(m_process.hProcess, 10000) != WAIT_OBJECT_0)
                TerminateProcess(m_process.hProcess, 1);
            CloseHandle(m_process.hProcess);
            CloseHandle(m_process.hThread);
        }
    }

    bool Start(const std::string& arguments) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        HANDLE childInput = nullptr, childOutput = nullptr;
        if (!CreatePipe(&childInput, &m_input, &inherit, 0) || !CreatePipe(&m_output, &childOutput, &inherit, 0))
            return false;
        SetHandleInformation(m_input, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(m_output, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childInput;
        startup.hStdOutput = childOutput;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string command = "\"" + ProgramBesideTest("qlo-browser-host.exe") + "\" " + arguments;
        const bool started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                            nullptr, &startup, &m_process);
        CloseHandle(childInput);
        CloseHandle(childOutput);
        return started;
    }

    bool Write(const std::string& bytes) {
        DWORD written = 0;
        return WriteFile(m_input, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

    // The next `count` bytes of its output; "" when they did not come in time.
    std::string Read(size_t count, uint32_t timeoutMs) {
        std::string bytes;
        for (uint32_t waited = 0; bytes.size() < count && waited < timeoutMs; waited += 50) {
            DWORD available = 0;
            if (!PeekNamedPipe(m_output, nullptr, 0, nullptr, &available, nullptr)) break;
            if (available == 0) {
                Pause(50);
                continue;
            }
            std::string part(std::min<size_t>(available, count - bytes.size()), '\0');
            DWORD got = 0;
            if (!ReadFile(m_output, part.data(), static_cast<DWORD>(part.size()), &got, nullptr)) break;
            bytes.append(part, 0, got);
        }
        return bytes.size() == count ? bytes : std::string();
    }

    void CloseInput() {
        if (m_input) CloseHandle(m_input);
        m_input = nullptr;
    }

    // Its exit code once it has ended; -1 when it still runs after `timeoutMs`.
    int WaitForExit(uint32_t timeoutMs) {
        DWORD code = 0;
        if (WaitForSingleObject(m_process.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
        GetExitCodeProcess(m_process.hProcess, &code);
        return static_cast<int>(code);
    }

private:
    HANDLE m_input = nullptr;
    HANDLE m_output = nullptr;
    PROCESS_INFORMATION m_process{};
};

// The default value of HKEY_CURRENT_USER\`key`; "" when the key is missing.
std::string DefaultValue(const std::string& key) {
    char value[MAX_PATH * 2] = {};
    LONG size = sizeof(value);
    return RegQueryValueA(HKEY_CURRENT_USER, key.c_str(), value, &size) == ERROR_SUCCESS ? value : "";
}

TEST(BrowserAddresses, TheWindowInFrontGetsTheAddressItsHostReported) {
    CCollectorSandbox sandbox;
    // A channel of this test's own, seen by the collector and the host alike.
    const std::string channel = "\\\\.\\pipe\\qlo-browser-test-" + std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA("QLO_BROWSER_CHANNEL", channel.c_str());
    CHelperProcess browser, other;
    ASSERT_TRUE(
        StartWindow(browser, sandbox.CopyProgram("window_helper.exe", "chrome.exe"), "New Tab - Google Chrome"));
    const unsigned long window = std::strtoul(browser.ReadyValue("window").c_str(), nullptr, 16);
    CCollector collector;
    ASSERT_TRUE(collector.Start());
    CBrowserHostProcess host;
    ASSERT_TRUE(host.Start("chrome-extension://x/ --parent-window=" + std::to_string(window)));
    ASSERT_EQ(host.Read(4 + 15, 20000), Frame("{\"resend\":true}")) << "the host found no collector";

    // Lengths whose bytes a text-mode input would change: 26 (Ctrl-Z, the end
    // of a text file) and 2573 (a carriage return and a line feed).
    std::string first = R"({"window":2,"url":""})";
    first.insert(first.size() - 2, 26 - first.size(), 'a');
    std::string feed = R"({"window":1,"url":"http://vk.com/feed","title":"Feed","padding":""})";
    feed.insert(feed.size() - 2, 2573 - feed.size(), ' ');
    ASSERT_EQ(first.size(), 26u);
    ASSERT_TRUE(host.Write(Frame(first) + Frame(feed) +
                           Frame(R"({"window":3,"url":"http://private.example/","title":"Secret","incognito":true})")));

    // The reported page in front, then a window nobody reported, until the
    // page's row is stored with its address (an activity keeps the address
    // of its first capture, which may come before the report).
    auto retitle = [&](const std::string& title, const std::string& leaving) {
        const size_t before = sandbox.ActivitiesTitled(leaving).size();
        EXPECT_EQ(browser.Command("title " + title), "ok title");
        return WaitUntil([&] { return sandbox.ActivitiesTitled(leaving).size() > before; }, 15000);
    };
    auto stored = [&] {
        for (const CActivityRow& row : sandbox.ActivitiesTitled("Feed - Google Chrome"))
            if (!row.url.empty()) return true;
        return false;
    };
    std::string leaving = "New Tab - Google Chrome";
    for (int attempt = 0; attempt < 5 && !stored(); ++attempt) {
        ASSERT_TRUE(retitle("Feed - Google Chrome", leaving));
        ASSERT_TRUE(retitle("Secret - Google Chrome", "Feed - Google Chrome"));
        leaving = "Secret - Google Chrome";
    }
    ASSERT_TRUE(StartWindow(other, ProgramBesideTest("window_helper.exe"), "After browsing"));
    ASSERT_TRUE(sandbox.WaitForRow("Secret - Google Chrome"));
    host.CloseInput();
    EXPECT_EQ(host.WaitForExit(10000), 0);
    CloseCollector(collector);
    SetEnvironmentVariableA("QLO_BROWSER_CHANNEL", nullptr);

    ASSERT_TRUE(stored());
    const CActivityRow feedRow = sandbox.ActivitiesTitled("Feed - Google Chrome").back();
    EXPECT_EQ(feedRow.fileName, "chrome.exe");
    EXPECT_EQ(feedRow.url, "http://vk.com/feed");
    EXPECT_EQ(feedRow.site, "http://vk.com");
    EXPECT_EQ(feedRow.task, "General [Social Networking]");
    for (const CActivityRow& row : sandbox.ActivitiesTitled("Secret - Google Chrome")) {
        EXPECT_EQ(row.url, "");
        EXPECT_EQ(row.task, "Web browsers");
    }
}

TEST(BrowserAddresses, QloctlInstallsTheHostForEachBrowserOfTheUser) {
    CCollectorSandbox sandbox;  // the user's application-data folder is the sandbox's
    const std::string name = "com.belvane.orvanta.qlo_browser_host";
    const std::string keys[] = {
        "Software\\Mozilla\\NativeMessagingHosts\\", "Software\\Chromium\\NativeMessagingHosts\\",
        "Software\\Google\\Chrome\\NativeMessagingHosts\\", "Software\\Microsoft\\Edge\\NativeMessagingHosts\\"};
    const CProgramRun install = RunQloctl({"install-browser-host"});
    ASSERT_EQ(install.exitCode, 0u) << install.output;
    const std::string folder = sandbox.AppDataFolder() + "\\Orvanta\\BrowserHost\\";
    EXPECT_EQ(DefaultValue(keys[0] + name), folder + name + ".firefox.json");
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(DefaultValue(keys[i] + name), folder + name + ".chromium.json") << keys[i];
    // The manifests name the host beside qloctl (JSON escapes the backslashes).
    std::string host = ProgramBesideTest("qlo-browser-host.exe");
    for (size_t at = 0; (at = host.find('\\', at)) != std::string::npos; at += 2)
        host.insert(at, 1, '\\');
    const std::string firefox = ReadFileBytes(folder + name + ".firefox.json");
    const std::string chromium = ReadFileBytes(folder + name + ".chromium.json");
    EXPECT_NE(firefox.find("\"path\": \"" + host + "\""), std::string::npos) << firefox;
    EXPECT_NE(firefox.find("\"allowed_extensions\": [\n    \"qlo-browser@belvane.orvanta\""), std::string::npos);
    EXPECT_NE(chromium.find("\"allowed_origins\": [\n    \"chrome-extension://ihippgmdcbljpnikbccimeilhfknanjf/\""),
              std::string::npos);

    const CProgramRun uninstall = RunQloctl({"uninstall-browser-host"});
    EXPECT_EQ(uninstall.exitCode, 0u) << uninstall.output;
    for (const std::string& key : keys)
        EXPECT_EQ(DefaultValue(key + name), "") << key;
    EXPECT_EQ(GetFileAttributesA((folder + name + ".chromium.json").c_str()), INVALID_FILE_ATTRIBUTES);
}
}  // namespace
