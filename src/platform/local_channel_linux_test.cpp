// The Linux local channel's place and its guard: a private folder found
// without the environment, the socket refused to other users, a socket left
// behind replaced and anything else in the way kept.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

#include "platform/local_channel.h"
#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"

namespace {
class CNoReceiver : public CLocalChannelReceiver {
public:
    void OnMessage(uint32_t, const char*, uint32_t) override { ++messages; }
    void OnDisconnected(uint32_t) override {}
    int messages = 0;
};

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
}  // namespace
