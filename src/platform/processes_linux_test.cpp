// Naming real processes through /proc: the test's own, and copies of a
// system program started under chosen names.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/processes.h"
#include "support/child_process_linux.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {
struct CNames {
    char fileName[261] = "untouched";
    char path[261] = "untouched";
};

// A long-running program copied into a temporary folder under `name`.
class CNamedProgram {
public:
    explicit CNamedProgram(const std::string& name) : m_path(m_folder.Path() / name) {
        fs::copy_file(fs::canonical("/bin/sleep"), m_path);
    }
    const fs::path& Path() const { return m_path; }
    // Starts it with `argv0` as its own idea of its name (default: its path)
    // and waits until the program runs: the parent of a new process can go
    // on before the kernel has laid out the arguments that /proc shows.
    std::unique_ptr<CChildProcess> Start(const std::string& argv0 = "") {
        auto child = std::make_unique<CChildProcess>(
            m_path.string(), std::vector<std::string>{argv0.empty() ? m_path.string() : argv0, "60"});
        const std::string commandLine = "/proc/" + std::to_string(child->Pid()) + "/cmdline";
        for (int i = 0; i < 500 && child->Started() && ReadFileBytes(commandLine).empty(); ++i)
            Clock().Sleep(2);
        return child;
    }

private:
    CTempFolder m_folder;
    fs::path m_path;
};

TEST(ProcessNaming, NamesTheOwnProcessFromItsExecutable) {
    const uint32_t self = Processes().GetCurrentProcessId();
    ASSERT_EQ(self, static_cast<uint32_t>(getpid()));
    CNames names;
    ASSERT_EQ(Processes().FindImageBySnapshot(names.fileName, 261, names.path, 261, self), 1);
    EXPECT_STREQ(names.fileName, "platform_tests");
    EXPECT_EQ(fs::path(names.path).filename(), "platform_tests");
    EXPECT_TRUE(fs::path(names.path).is_absolute());
}

TEST(ProcessNaming, NamesAProgramByTheNameItWasStartedUnder) {
    CNamedProgram excel("excel");
    auto child = excel.Start();
    ASSERT_TRUE(child->Started());
    const uint32_t pid = static_cast<uint32_t>(child->Pid());

    CNames bySnapshot;
    EXPECT_EQ(Processes().FindImageBySnapshot(bySnapshot.fileName, 261, bySnapshot.path, 261, pid), 1);
    EXPECT_STREQ(bySnapshot.fileName, "excel");
    EXPECT_EQ(std::string(bySnapshot.path), fs::canonical(excel.Path()).string());

    // The second way reads the command line: the same, when argv[0] is a full path ...
    CNames byCommandLine;
    EXPECT_EQ(Processes().FindImageByModules(byCommandLine.fileName, 261, byCommandLine.path, 261, pid), 1);
    EXPECT_STREQ(byCommandLine.fileName, "excel");
    EXPECT_EQ(std::string(byCommandLine.path), excel.Path().string());

    // ... and only the name when it is not.
    auto bare = excel.Start("excel");
    CNames byBareName;
    EXPECT_EQ(Processes().FindImageByModules(byBareName.fileName, 261, byBareName.path, 261,
                                             static_cast<uint32_t>(bare->Pid())),
              0);
    EXPECT_STREQ(byBareName.fileName, "excel");
    EXPECT_STREQ(byBareName.path, "untouched");

    CNames byWmi;
    EXPECT_EQ(Processes().FindImageByWmi(nullptr, byWmi.fileName, 261, byWmi.path, 261, pid), -2);
    EXPECT_STREQ(byWmi.fileName, "untouched");
}

TEST(ProcessNaming, AProgramWhoseFileWasReplacedKeepsItsName) {
    CNamedProgram word("word");
    auto child = word.Start();
    ASSERT_TRUE(child->Started());
    // An upgrade removes the file the program was started from.
    fs::remove(word.Path());

    CNames names;
    EXPECT_EQ(
        Processes().FindImageBySnapshot(names.fileName, 261, names.path, 261, static_cast<uint32_t>(child->Pid())), 1);
    EXPECT_STREQ(names.fileName, "word");
    EXPECT_EQ(std::string(names.path), fs::canonical(word.Path().parent_path()).string() + "/word");
}

TEST(ProcessNaming, NamesAreCutOnCharacterBoundaries) {
    CNamedProgram program("caf\xC3\xA9s");
    auto child = program.Start();
    ASSERT_TRUE(child->Started());
    const uint32_t pid = static_cast<uint32_t>(child->Pid());

    char fileName[5], path[8];
    // Room for 4 bytes: "caf" and half of the "é".
    EXPECT_EQ(Processes().FindImageBySnapshot(fileName, sizeof(fileName), path, sizeof(path), pid), 1);
    EXPECT_STREQ(fileName, "caf");
    EXPECT_EQ(std::string(path), fs::canonical(program.Path()).string().substr(0, 7));
    EXPECT_EQ(Processes().FindImageByModules(fileName, sizeof(fileName), path, sizeof(path), pid), 1);
    EXPECT_STREQ(fileName, "caf");
}

TEST(ProcessNaming, AProcessThatEndedIsNotFound) {
    CNamedProgram program("brief");
    auto child = program.Start();
    ASSERT_TRUE(child->Started());
    const uint32_t pid = static_cast<uint32_t>(child->Pid());
    kill(child->Pid(), SIGKILL);
    child->Wait();

    CNames names;
    EXPECT_EQ(Processes().FindImageBySnapshot(names.fileName, 261, names.path, 261, pid), -52);
    EXPECT_EQ(Processes().FindImageByModules(names.fileName, 261, names.path, 261, pid), -9);
    EXPECT_EQ(Processes().FindImageBySnapshot(names.fileName, 261, names.path, 261, 0), -52);
    EXPECT_STREQ(names.fileName, "untouched");
    EXPECT_STREQ(names.path, "untouched");

    char domain[16] = "d", user[16] = "u";
    EXPECT_EQ(Processes().GetProcessAccount(pid, domain, sizeof(domain), user, sizeof(user)), 0);
    EXPECT_STREQ(domain, "d");
    EXPECT_STREQ(user, "u");
}

TEST(ProcessNaming, MissingBuffersAreRefused) {
    CNames names;
    const uint32_t self = Processes().GetCurrentProcessId();
    EXPECT_EQ(Processes().FindImageBySnapshot(nullptr, 261, names.path, 261, self), -1);
    EXPECT_EQ(Processes().FindImageBySnapshot(names.fileName, 261, names.path, 0, self), -1);
    EXPECT_EQ(Processes().FindImageByModules(names.fileName, 0, names.path, 261, self), -1);
    EXPECT_EQ(Processes().FindImageByWmi(nullptr, names.fileName, 261, nullptr, 261, self), -1);
    EXPECT_STREQ(names.fileName, "untouched");
}

TEST(ProcessAccount, IsTheOwnersLoginNameOnThisHost) {
    const passwd* me = getpwuid(geteuid());
    ASSERT_NE(me, nullptr);
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof(host) - 1), 0);

    char domain[512] = {}, user[512] = {};
    ASSERT_EQ(
        Processes().GetProcessAccount(Processes().GetCurrentProcessId(), domain, sizeof(domain), user, sizeof(user)),
        1);
    EXPECT_STREQ(domain, host);
    EXPECT_STREQ(user, me->pw_name);

    char shortUser[3] = {};
    ASSERT_EQ(Processes().GetProcessAccount(Processes().GetCurrentProcessId(), domain, sizeof(domain), shortUser,
                                            sizeof(shortUser)),
              1);
    EXPECT_EQ(std::string(shortUser), std::string(me->pw_name).substr(0, 2));
}

TEST(ProcessAccount, AnAccountWithoutALoginNameIsNamedByItsNumber) {
    constexpr uid_t kNamelessUid = 54321;
    if (geteuid() != 0) GTEST_SKIP() << "needs root to start a process under another account";
    if (getpwuid(kNamelessUid)) GTEST_SKIP() << "uid " << kNamelessUid << " has a login name here";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setresuid(kNamelessUid, kNamelessUid, kNamelessUid) != 0) _exit(1);
        pause();
        _exit(0);
    }
    char domain[512] = {}, user[512] = {};
    int found = 0;
    // The child may not have switched accounts yet.
    for (int attempt = 0; attempt < 500 && std::strcmp(user, "54321") != 0; ++attempt) {
        found = Processes().GetProcessAccount(static_cast<uint32_t>(child), domain, sizeof(domain), user, sizeof(user));
        Clock().Sleep(10);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(found, 1);
    EXPECT_STREQ(user, "54321");
}
}  // namespace
