// The Linux local channel's place and its guard: a private folder found
// without the environment, the socket refused to other users, a socket left
// behind replaced and anything else in the way kept; a listener out of
// descriptors waits instead of spinning, and serves again when it can.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/local_channel.h"
#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"

namespace {
class CNoReceiver : public CLocalChannelReceiver {
public:
    void OnMessage(uint32_t, const char*, uint32_t) override { ++messages; }
    void OnDisconnected(uint32_t) override {}
    std::atomic<int> messages{0};
};

std::set<int> ThreadIds() {
    std::set<int> ids;
    DIR* tasks = opendir("/proc/self/task");
    while (const dirent* entry = readdir(tasks))
        if (entry->d_name[0] != '.') ids.insert(std::stoi(entry->d_name));
    closedir(tasks);
    return ids;
}

// Clock ticks of CPU a thread has used (user and system), read from its open
// "stat" file.
long ThreadCpuTicks(int statFile) {
    char buffer[1024];
    const ssize_t got = pread(statFile, buffer, sizeof(buffer) - 1, 0);
    const std::string text(buffer, got > 0 ? static_cast<size_t>(got) : 0);
    // Fields after the command's closing parenthesis: utime and stime are
    // the 12th and 13th of them.
    const char* field = text.c_str() + text.rfind(')') + 2;
    for (int i = 0; i < 11; ++i)
        field = std::strchr(field, ' ') + 1;
    char* end = nullptr;
    const long user = std::strtol(field, &end, 10);
    const long system = std::strtol(end, nullptr, 10);
    return user + system;
}

std::string Folder(const std::string& path) { return path.substr(0, path.rfind('/')); }

TEST(LocalChannelLinux, TheUsersChannelIsInAPrivateFolderWhateverTheEnvironmentSays) {
    const CScopedEnvironment noOverride("QLO_BROWSER_CHANNEL", nullptr);
    const CScopedEnvironment runtime("XDG_RUNTIME_DIR", "/somewhere/else");
    const std::string name = BrowserChannelName();
    const std::string uid = std::to_string(geteuid());
    EXPECT_TRUE(name == "/run/user/" + uid + "/qlocollector-browser.sock" ||
                name == "/tmp/qlo-" + uid + "/qlocollector-browser.sock")
        << name;
    struct stat folder;
    ASSERT_EQ(lstat(Folder(name).c_str(), &folder), 0);
    EXPECT_TRUE(S_ISDIR(folder.st_mode));
    EXPECT_EQ(folder.st_uid, geteuid());
    EXPECT_EQ(folder.st_mode & 022, 0u);

    const CScopedEnvironment configured("QLO_BROWSER_CHANNEL", "/tmp/elsewhere.sock");
    EXPECT_EQ(BrowserChannelName(), "/tmp/elsewhere.sock");
}

TEST(LocalChannelLinux, ASocketLeftBehindIsReplacedAndAnythingElseKept) {
    const CTempFolder folder;
    const std::string name = folder.File("channel");
    // A socket whose listener has gone.
    const int left = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, name.c_str());
    ASSERT_EQ(bind(left, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    close(left);
    CNoReceiver receiver;
    CLocalChannelListener listener;
    ASSERT_EQ(listener.Start(name, receiver), 1);
    struct stat socketFile;
    ASSERT_EQ(stat(name.c_str(), &socketFile), 0);
    EXPECT_EQ(socketFile.st_mode & 0777, 0600u);
    listener.Stop();
    EXPECT_NE(access(name.c_str(), F_OK), 0) << "the name is given up";

    // A file that is no socket stays, and the listener does not start.
    std::ofstream(name) << "mine";
    EXPECT_EQ(listener.Start(name, receiver), 0);
    std::ifstream kept(name);
    std::string text;
    EXPECT_TRUE(kept >> text);
    EXPECT_EQ(text, "mine");
    unlink(name.c_str());
    EXPECT_EQ(listener.Start("/tmp/" + std::string(120, 'n'), receiver), -5);
}

TEST(LocalChannelLinux, AnotherUserCannotReachTheListener) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    // Even in a folder open to everybody, the socket refuses them.
    const CTempFolder folder;
    chmod(folder.Str().c_str(), 0755);
    const std::string name = folder.File("channel");
    CNoReceiver receiver;
    CLocalChannelListener listener;
    ASSERT_EQ(listener.Start(name, receiver), 1);
    const pid_t child = fork();
    if (child == 0) {
        if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(2);
        CLocalChannelClient client;
        _exit(client.Connect(name) == 0 ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other user connected";
    listener.Stop();
    EXPECT_EQ(receiver.messages, 0);
}
TEST(LocalChannelLinux, AListenerOutOfDescriptorsWaitsAndServesOnceItHasThemAgain) {
    const CTempFolder folder;
    const std::string name = folder.File("channel");
    CNoReceiver receiver;
    CLocalChannelListener listener;
    const std::set<int> before = ThreadIds();
    ASSERT_EQ(listener.Start(name, receiver), 1);
    int listenerThread = 0;
    for (int id : ThreadIds())
        if (!before.count(id)) listenerThread = id;
    ASSERT_NE(listenerThread, 0);
    const int statFile = open(("/proc/self/task/" + std::to_string(listenerThread) + "/stat").c_str(), O_RDONLY);
    ASSERT_GE(statFile, 0);

    // Every descriptor taken but the one the client's socket needs: the
    // listener cannot take the connection.
    rlimit limits;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limits), 0);
    const rlimit lowered{256, limits.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    std::vector<int> fillers{open("/dev/null", O_RDONLY)};
    ASSERT_GE(fillers[0], 0);
    for (int fd; (fd = dup(fillers[0])) >= 0;)
        fillers.push_back(fd);
    close(fillers.back());
    fillers.pop_back();
    CLocalChannelClient client;
    const int connected = client.Connect(name);
    const int sent = client.Send("waits", 5);

    // Nothing to observe but the absence of work: the listener's thread is
    // watched for a second while the connection waits. A thread that spins
    // uses most of it (less only on a machine too loaded to tell). Checks
    // come once descriptors are free again: reporting needs some.
    const long cpuBefore = ThreadCpuTicks(statFile);
    std::this_thread::sleep_until(std::chrono::steady_clock::now() + std::chrono::seconds(1));
    const long cpuUsed = ThreadCpuTicks(statFile) - cpuBefore;
    for (int fd : fillers)
        close(fd);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limits), 0);
    close(statFile);
    ASSERT_EQ(connected, 1);
    ASSERT_EQ(sent, 1);
    EXPECT_LT(cpuUsed, sysconf(_SC_CLK_TCK) / 4) << "the listener spins";

    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (receiver.messages == 0 && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + std::chrono::milliseconds(10));
    EXPECT_EQ(receiver.messages, 1) << "the waiting connection is served";
}
}  // namespace
