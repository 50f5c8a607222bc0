// The built qlopms.exe under Wine, as a user runs it: the settings from the
// registry, beside a running QLOCollector.exe (the end-to-end harness of
// tests/system gives both their registry and data folder).
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "collector_harness_win.h"
#include "qlopms/jira_stand_in.h"

namespace {
// Written inside the sandbox's registry key, which takes it away afterwards.
void SetPmsValue(const char* name, DWORD type, const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Belvane\\Orvanta\\PMS", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + (type == REG_SZ ? 1 : 0))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(QlopmsProgram, SyncsBesideTheRunningCollectorWithTheStoredSettingsAndHasItReload) {
    CJiraStandIn jira;
    jira.SetIssues({{"20001", "QLO-1", "Login fails", "10000"}});
    CCollectorSandbox sandbox;
    SetPmsValue("JIRA Server URL", REG_SZ, jira.Url());
    SetPmsValue("JIRA Username", REG_BINARY, CJiraStandIn::kUser);
    SetPmsValue("JIRA Password", REG_BINARY, CJiraStandIn::kPassword);
    CCollector collector;
    ASSERT_TRUE(collector.Start());

    const std::string qlopms = ProgramBesideTest("qlopms.exe");
    CProgramRun run = RunProgram(qlopms, {"sync"});
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("added task QLO-1: Login fails"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("the running collector reloads its rules"), std::string::npos) << run.output;
    EXPECT_TRUE(std::filesystem::exists(sandbox.DataFolder() + "\\PMS\\jac.txt"));

    run = RunProgram(qlopms, {"worklog"});
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find(": no active time on JIRA issues"), std::string::npos) << run.output;
    run = RunProgram(qlopms, {"check", "--password", "secret"});
    EXPECT_EQ(run.exitCode, 2u) << run.output;
    run = RunProgram(qlopms, {"check"});
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(run.output.find(CJiraStandIn::kPassword), std::string::npos);
    CloseCollector(collector);
}
}  // namespace
