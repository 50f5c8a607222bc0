// The built qlopms on Linux, as a user runs it: settings from the registry
// file, a collector running beside it, the password from the settings, the
// environment or a terminal that does not echo it, never the command line.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/instance_lock_linux.h"
#include "qlopms/jira_stand_in.h"
#include "support/child_process_linux.h"
#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"

namespace {
std::string Hex(const std::string& text) {
    std::string out = "hex:";
    char byte[4];
    for (size_t i = 0; i < text.size(); ++i) {
        std::snprintf(byte, sizeof(byte), "%02x", static_cast<unsigned char>(text[i]));
        out += (i ? "," : "") + std::string(byte);
    }
    return out;
}

class QlopmsProgram : public testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"data", "run", "config", "install"})
            std::filesystem::create_directory(m_temp.Path() / folder);
        std::ofstream(m_registryFile) << "Windows Registry Editor Version 5.00\r\n\r\n"
                                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]\r\n\"Path\"=\""
                                      << m_temp.File("install")
                                      << "\"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\PMS]\r\n"
                                         "\"JIRA Server URL\"=\""
                                      << m_jira.Url() << "\"\r\n\"JIRA Username\"=" << Hex(CJiraStandIn::kUser)
                                      << "\r\n\"JIRA Password\"=" << Hex(CJiraStandIn::kPassword) << "\r\n";
        m_jira.SetIssues({{"20001", "QLO-1", "Login fails", "10000"}});
    }

    // Runs qlopms with `arguments` and nothing on its input: its exit code
    // and, in `output`, what it wrote to both outputs.
    int Qlopms(const std::string& arguments, std::string& output) {
        CChildProcess tool("sh", {"sh", "-c", std::string(QLO_QLOPMS) + " " + arguments + " </dev/null 2>&1"});
        output.clear();
        for (std::string line; tool.ReadLine(line, 30000);)
            output += line + "\n";
        return tool.Wait();
    }

    CTempFolder m_temp;
    CJiraStandIn m_jira;
    const std::string m_registryFile = m_temp.File("registry.reg");
    CScopedEnvironment m_dataHome{"XDG_DATA_HOME", m_temp.File("data").c_str()};
    CScopedEnvironment m_runtime{"XDG_RUNTIME_DIR", m_temp.File("run").c_str()};
    CScopedEnvironment m_configHome{"XDG_CONFIG_HOME", m_temp.File("config").c_str()};
    CScopedEnvironment m_registry{"QLO_REGISTRY_FILE", m_registryFile.c_str()};
    CScopedEnvironment m_noPassword{"QLO_JIRA_PASSWORD", nullptr};
    CScopedEnvironment m_noDisplay{"DISPLAY", nullptr};
    CScopedEnvironment m_noBus{"DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + m_temp.File("no-bus")).c_str()};
};

TEST_F(QlopmsProgram, SyncsWhileTheCollectorRunsAndHasItReloadItsRules) {
    CChildProcess collector(QLO_COLLECTOR, {"qlocollector"});
    ASSERT_TRUE(collector.Started());
    const std::string lock = m_temp.File("data/Orvanta/qlocollector.lock");
    for (int waited = 0; waited < 150 && FindRunningInstance(lock) != collector.Pid(); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(FindRunningInstance(lock), collector.Pid()) << "the collector did not start";

    std::string output;
    EXPECT_EQ(Qlopms("sync", output), 0) << output;
    EXPECT_NE(output.find("added task QLO-1: Login fails\n"), std::string::npos) << output;
    EXPECT_NE(output.find("the running collector reloads its rules\n"), std::string::npos) << output;
    EXPECT_TRUE(std::filesystem::exists(m_temp.File("data/Orvanta/PMS/jac.txt")));
    // Nothing recorded on the issue yet: nothing to review, nothing due.
    EXPECT_EQ(Qlopms("worklog", output), 1) << output;
    EXPECT_NE(output.find(": no active time on JIRA issues\n"), std::string::npos) << output;
    EXPECT_EQ(Qlopms("worklog --due", output), 1) << output;

    kill(collector.Pid(), SIGTERM);
    EXPECT_TRUE(collector.WaitForEnd(20000));
    EXPECT_EQ(collector.Wait(), 0);
}

TEST_F(QlopmsProgram, PasswordFromTheEnvironmentOrAnEchoFreePromptNeverFromTheCommandLine) {
    std::string output;
    EXPECT_EQ(Qlopms("check --password secret", output), 2);
    EXPECT_EQ(Qlopms("check", output), 0) << output;  // the stored password
    // Another spelling of the server: the stored password is not for it.
    const std::string other = "--server http://localhost:" + std::to_string(std::stoi(m_jira.Url().substr(17)));
    EXPECT_EQ(Qlopms(other + " check", output), 1);
    EXPECT_NE(output.find("no password"), std::string::npos) << output;
    {
        CScopedEnvironment password("QLO_JIRA_PASSWORD", CJiraStandIn::kPassword);
        EXPECT_EQ(Qlopms(other + " check", output), 0) << output;
    }

    // On a terminal it asks, without echoing what is typed.
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl(QLO_QLOPMS, "qlopms", "--server", other.substr(9).c_str(), "check", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string seen;
    const auto readFor = [&](const std::string& wanted) {
        char buffer[256];
        pollfd ready{terminal, POLLIN, 0};
        while (seen.find(wanted) == std::string::npos && poll(&ready, 1, 30000) > 0) {
            const ssize_t got = read(terminal, buffer, sizeof(buffer));
            if (got <= 0) return;
            seen.append(buffer, static_cast<size_t>(got));
        }
    };
    readFor("JIRA password for qlo: ");
    const std::string typed = std::string(CJiraStandIn::kPassword) + "\n";
    ASSERT_EQ(write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    readFor("the session works");
    int status = 0;
    waitpid(child, &status, 0);
    close(terminal);
    EXPECT_NE(seen.find("the session works"), std::string::npos) << seen;
    EXPECT_EQ(seen.find(CJiraStandIn::kPassword), std::string::npos) << seen;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
}  // namespace
