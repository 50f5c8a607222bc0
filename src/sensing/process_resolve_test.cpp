#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_processes.h"
#include "sensing/process.h"

namespace {
using Method = CFakeProcesses::Method;

TEST(ProcessResolve, TheSnapshotAloneNamesAReadableProcess) {
    CFakeProcesses processes;
    processes.AddProcess(42, "app.exe", "C:\\Apps\\app.exe");
    CWinProcess process(42, "title");
    EXPECT_EQ(process.Resolve(), 1);
    EXPECT_STREQ(process.GetFileName(), "app.exe");
    EXPECT_STREQ(process.GetPath(), "C:\\Apps\\app.exe");
    EXPECT_STREQ(process.GetTitle(), "title");
    EXPECT_EQ(processes.Calls(Method::Modules), 0);
    EXPECT_EQ(processes.Calls(Method::Wmi), 0);
}

TEST(ProcessResolve, LaterMethodsRunOnlyAfterFailuresAndKeepEarlierFindings) {
    CFakeProcesses processes;
    // Listed but not openable: the snapshot knows the name only; the module
    // list cannot open it either; the management query names it without a path.
    processes.SetImage(Method::Snapshot, 7, {-8, "svc.exe", ""});
    processes.SetImage(Method::Wmi, 7, {1, "svc.exe", ""});
    CWinProcess process(7);
    EXPECT_EQ(process.Resolve(), 1);
    EXPECT_STREQ(process.GetFileName(), "svc.exe");
    EXPECT_STREQ(process.GetPath(), "[SYSTEM PROCESS]");
    EXPECT_EQ(processes.Calls(Method::Modules), 1);
    EXPECT_EQ(processes.Calls(Method::Wmi), 1);

    // The module list names it: no management query.
    processes.SetImage(Method::Modules, 8, {1, "tool.exe", "C:\\tool.exe"});
    CWinProcess second(8);
    EXPECT_EQ(second.Resolve(), 1);
    EXPECT_STREQ(second.GetPath(), "C:\\tool.exe");
    EXPECT_EQ(processes.Calls(Method::Wmi), 1);
}

TEST(ProcessResolve, AnUnknownProcessGetsThePseudoNames) {
    CFakeProcesses processes;
    CWinProcess process(99);
    EXPECT_LT(process.Resolve(), 1);
    EXPECT_STREQ(process.GetFileName(), "[SYSTEM]");
    EXPECT_STREQ(process.GetPath(), "[SYSTEM PROCESS]");
    EXPECT_EQ(processes.Calls(Method::Snapshot), 1);
    EXPECT_EQ(processes.Calls(Method::Modules), 1);
    EXPECT_EQ(processes.Calls(Method::Wmi), 1);
}

TEST(ProcessResolve, LongNamesAreCutToTheFields) {
    CFakeProcesses processes;
    processes.AddProcess(5, std::string(400, 'n'), std::string(400, 'p'));
    CWinProcess process(5);
    EXPECT_EQ(process.Resolve(), 1);
    EXPECT_EQ(std::string(process.GetFileName()), std::string(CProcess::kFileNameSize - 1, 'n'));
    EXPECT_EQ(std::string(process.GetPath()), std::string(CProcess::kPathSize - 1, 'p'));
}
}  // namespace
