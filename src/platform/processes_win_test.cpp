#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/com.h"
#include "platform/processes.h"
#include "support/helper_process.h"
#include "support/temp_folder.h"

namespace {
// A process id no process has: ids are multiples of four well below this.
constexpr uint32_t kNoSuchProcess = 0x7FFFFFF0;

std::string OwnPath() {
    char path[MAX_PATH * 4] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    return path;
}
std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }
bool SameText(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// File-name and path buffers of the size the process record uses, filled
// with a marker so that a test sees what was written.
struct CNames {
    char fileName[261];
    char path[261];
    CNames() {
        std::strcpy(fileName, "untouched");
        std::strcpy(path, "untouched");
    }
};

// COM for the calling thread, as every thread that captures has it.
class CComThread {
public:
    CComThread() { InitializeCom(); }
    ~CComThread() { UninitializeCom(); }
};

TEST(ProcessNaming, OwnProcessIsNamedBySnapshotAndByModules) {
    const std::string path = OwnPath();
    CNames snapshot;
    EXPECT_EQ(Processes().FindImageBySnapshot(snapshot.fileName, 261, snapshot.path, 261, GetCurrentProcessId()), 1);
    EXPECT_TRUE(SameText(snapshot.fileName, FileNameOf(path))) << snapshot.fileName;
    EXPECT_TRUE(SameText(snapshot.path, path)) << snapshot.path;

    CNames modules;
    EXPECT_EQ(Processes().FindImageByModules(modules.fileName, 261, modules.path, 261, GetCurrentProcessId()), 1);
    EXPECT_TRUE(SameText(modules.fileName, FileNameOf(path))) << modules.fileName;
    EXPECT_TRUE(SameText(modules.path, path)) << modules.path;
    EXPECT_EQ(Processes().GetCurrentProcessId(), GetCurrentProcessId());
}

TEST(ProcessNaming, ManagementQueryNamesOwnProcess) {
    CComThread com;
    const std::string path = OwnPath();
    CNames names;
    const int result = Processes().FindImageByWmi(nullptr, names.fileName, 261, names.path, 261, GetCurrentProcessId());
    EXPECT_TRUE(SameText(names.fileName, FileNameOf(path))) << names.fileName;
    if (result == 1) {
        EXPECT_TRUE(SameText(names.path, path)) << names.path;
    } else {
        // Wine's Win32_Process has no ExecutablePath: the file name arrives,
        // the path stays as it was and the query reports the failed read.
        EXPECT_EQ(result, 0);
        EXPECT_STREQ(names.path, "untouched");
    }

    // A machine name is put in front of the namespace: "." is this computer.
    CNames local;
    const int viaMachine =
        Processes().FindImageByWmi("\\\\.", local.fileName, 261, local.path, 261, GetCurrentProcessId());
    EXPECT_EQ(viaMachine, result);
    EXPECT_STREQ(local.fileName, names.fileName);
}

TEST(ProcessNaming, ManagementQueryNeedsComOnTheCallingThread) {
    CNames names;
    int result = 0;
    std::thread([&] {
        result = Processes().FindImageByWmi(nullptr, names.fileName, 261, names.path, 261, GetCurrentProcessId());
    }).join();
    EXPECT_EQ(result, -2);
    EXPECT_STREQ(names.fileName, "untouched");
}

TEST(ProcessNaming, StartedProgramIsNamedByItsOwnFileName) {
    CTempFolder folder;
    const std::string copy = folder.File("Firefox.EXE");
    std::filesystem::copy_file(ProgramBesideTest("dde_server_helper.exe"), copy);
    CHelperProcess helper;
    ASSERT_TRUE(helper.Start(copy, {"--service", "QLONaming" + std::to_string(GetCurrentProcessId())}));

    CNames snapshot;
    EXPECT_EQ(Processes().FindImageBySnapshot(snapshot.fileName, 261, snapshot.path, 261, helper.ProcessId()), 1);
    EXPECT_STREQ(snapshot.fileName, "Firefox.EXE");
    EXPECT_TRUE(SameText(snapshot.path, copy)) << snapshot.path;

    CNames modules;
    EXPECT_EQ(Processes().FindImageByModules(modules.fileName, 261, modules.path, 261, helper.ProcessId()), 1);
    EXPECT_TRUE(SameText(modules.fileName, "Firefox.EXE")) << modules.fileName;
    EXPECT_TRUE(SameText(modules.path, copy)) << modules.path;

    CComThread com;
    CNames wmi;
    EXPECT_GE(Processes().FindImageByWmi(nullptr, wmi.fileName, 261, wmi.path, 261, helper.ProcessId()), 0);
    EXPECT_TRUE(SameText(wmi.fileName, "Firefox.EXE")) << wmi.fileName;
}

TEST(ProcessNaming, UnknownProcessIsNotNamedAndBuffersStay) {
    CComThread com;
    CNames names;
    EXPECT_EQ(Processes().FindImageBySnapshot(names.fileName, 261, names.path, 261, kNoSuchProcess), -52);
    EXPECT_EQ(Processes().FindImageByModules(names.fileName, 261, names.path, 261, kNoSuchProcess), -9);
    EXPECT_EQ(Processes().FindImageByWmi(nullptr, names.fileName, 261, names.path, 261, kNoSuchProcess), 0);
    EXPECT_STREQ(names.fileName, "untouched");
    EXPECT_STREQ(names.path, "untouched");
}

TEST(ProcessNaming, MissingBuffersAreRefused) {
    CNames names;
    const uint32_t self = GetCurrentProcessId();
    EXPECT_EQ(Processes().FindImageBySnapshot(nullptr, 261, names.path, 261, self), -1);
    EXPECT_EQ(Processes().FindImageBySnapshot(names.fileName, 261, names.path, 0, self), -1);
    EXPECT_EQ(Processes().FindImageByModules(names.fileName, 261, nullptr, 261, self), -1);
    EXPECT_EQ(Processes().FindImageByModules(names.fileName, 0, names.path, 261, self), -1);
    EXPECT_EQ(Processes().FindImageByWmi(nullptr, nullptr, 261, names.path, 261, self), -1);
    EXPECT_EQ(Processes().FindImageByWmi(nullptr, names.fileName, 261, names.path, 0, self), -1);
    EXPECT_STREQ(names.fileName, "untouched");
    EXPECT_STREQ(names.path, "untouched");
}

TEST(ProcessNaming, NamesAreCutToSmallBuffers) {
    const std::string path = OwnPath();
    char fileName[8];
    char shortPath[12];

    // The snapshot's file name is cut and terminated; a full path that does
    // not fit is not read at all, and the buffer keeps what it had.
    std::strcpy(shortPath, "untouched");
    EXPECT_EQ(Processes().FindImageBySnapshot(fileName, sizeof(fileName), shortPath, sizeof(shortPath),
                                              GetCurrentProcessId()),
              -52);
    EXPECT_TRUE(SameText(fileName, FileNameOf(path).substr(0, 7))) << fileName;
    EXPECT_STREQ(shortPath, "untouched");

    // The module names are cut and terminated.
    std::memset(fileName, 'Z', sizeof(fileName));
    std::memset(shortPath, 'Z', sizeof(shortPath));
    Processes().FindImageByModules(fileName, sizeof(fileName), shortPath, sizeof(shortPath), GetCurrentProcessId());
    EXPECT_TRUE(SameText(fileName, FileNameOf(path).substr(0, 7))) << fileName;
    EXPECT_TRUE(SameText(shortPath, path.substr(0, 11))) << shortPath;
}

TEST(ProcessAccount, OwnProcessRunsUnderTheLoggedOnUser) {
    char expected[512] = {};
    DWORD length = sizeof(expected);
    ASSERT_TRUE(GetUserNameA(expected, &length));

    char domain[512] = {}, name[512] = {};
    EXPECT_EQ(Processes().GetProcessAccount(GetCurrentProcessId(), domain, sizeof(domain), name, sizeof(name)), 1);
    EXPECT_TRUE(SameText(name, expected)) << name;
    EXPECT_STRNE(domain, "");

    // Small buffers get a cut, terminated account.
    char shortDomain[3], shortName[2];
    EXPECT_EQ(Processes().GetProcessAccount(GetCurrentProcessId(), shortDomain, sizeof(shortDomain), shortName,
                                            sizeof(shortName)),
              1);
    EXPECT_EQ(std::string(shortDomain), std::string(domain).substr(0, 2));
    EXPECT_EQ(std::string(shortName), std::string(name).substr(0, 1));
}

TEST(ProcessAccount, UnknownProcessHasNoAccountAndBuffersStay) {
    char domain[16] = "untouched", name[16] = "untouched";
    EXPECT_EQ(Processes().GetProcessAccount(0, domain, sizeof(domain), name, sizeof(name)), 0);
    EXPECT_EQ(Processes().GetProcessAccount(kNoSuchProcess, domain, sizeof(domain), name, sizeof(name)), 0);
    EXPECT_EQ(Processes().GetProcessAccount(GetCurrentProcessId(), nullptr, 16, name, sizeof(name)), 0);
    EXPECT_EQ(Processes().GetProcessAccount(GetCurrentProcessId(), domain, 0, name, sizeof(name)), 0);
    EXPECT_STREQ(domain, "untouched");
    EXPECT_STREQ(name, "untouched");
}
}  // namespace
