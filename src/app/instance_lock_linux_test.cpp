// The single-instance guard: where its file is, who holds it, and that the
// control tool's look-up names only a live holder of the lock.
#include "app/instance_lock_linux.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"

namespace {
TEST(InstanceLockPath, TheDataFolderWhateverTheRuntimeFolder) {
    CTempFolder temp;
    CScopedEnvironment data("XDG_DATA_HOME", temp.File("data").c_str());
    // Shells with the session's runtime folder, with another one and
    // without any find the same file; the data folder is made, one level of
    // it included.
    for (const char* runtime : {temp.Str().c_str(), "/nonexistent/run/user/4711", static_cast<const char*>(nullptr)}) {
        CScopedEnvironment shell("XDG_RUNTIME_DIR", runtime);
        EXPECT_EQ(InstanceLockPath(), temp.File("data/Orvanta/qlocollector.lock"));
        EXPECT_TRUE(std::filesystem::is_directory(temp.File("data/Orvanta")));
    }
    CScopedEnvironment noData("XDG_DATA_HOME", nullptr);
    CScopedEnvironment noHome("HOME", nullptr);
    EXPECT_EQ(InstanceLockPath(), "");
}

TEST(InstanceLock, OneHolderAtATimeAndTheFileNamesIt) {
    CTempFolder temp;
    const std::string path = temp.File("qlocollector.lock");
    EXPECT_EQ(FindRunningInstance(path), 0) << "no file yet";
    {
        CInstanceLock first;
        ASSERT_EQ(first.Acquire(path), 1);
        EXPECT_EQ(ReadFileBytes(path), std::to_string(getpid()) + "\n");
        EXPECT_EQ(FindRunningInstance(path), getpid());

        CInstanceLock second;
        EXPECT_EQ(second.Acquire(path), 0);
        EXPECT_EQ(ReadFileBytes(path), std::to_string(getpid()) + "\n") << "a refused start keeps the holder's id";
    }
    // Released: the file stays and still names this (live) process, which
    // no longer holds it.
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(FindRunningInstance(path), 0);
    CInstanceLock again;
    EXPECT_EQ(again.Acquire(path), 1);
}

TEST(InstanceLock, StaleOrForeignFilesNameNobodyAndBlockNobody) {
    CTempFolder temp;
    const std::string path = temp.File("qlocollector.lock");
    // A collector that ended without cleaning up.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CInstanceLock lock;
        _exit(lock.Acquire(path) == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileBytes(path), std::to_string(child) + "\n");
    EXPECT_EQ(FindRunningInstance(path), 0);

    // Ids of live processes that do not hold the lock, and text that is no id.
    for (const std::string& content : {std::to_string(getppid()), std::string("1"), std::string("collector"),
                                       std::string("-5"), std::string("99999999999"), std::string()}) {
        std::ofstream(path, std::ios::trunc) << content;
        EXPECT_EQ(FindRunningInstance(path), 0) << content;
    }
    CInstanceLock lock;
    EXPECT_EQ(lock.Acquire(path), 1);
    EXPECT_EQ(FindRunningInstance(path), getpid());
}

TEST(InstanceLock, HolderInAnotherProcessIsFound) {
    CTempFolder temp;
    const std::string path = temp.File("qlocollector.lock");
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(release[1]);  // the parent's closing of it is the signal to end
        CInstanceLock lock;
        const char held = lock.Acquire(path) == 1 ? '1' : '0';
        (void)!write(ready[1], &held, 1);
        char ignored;
        (void)!read(release[0], &ignored, 1);
        _exit(0);
    }
    char held = 0;
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    EXPECT_EQ(held, '1');
    EXPECT_EQ(FindRunningInstance(path), child);
    CInstanceLock second;
    EXPECT_EQ(second.Acquire(path), 0);
    close(release[1]);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(FindRunningInstance(path), 0);
    EXPECT_EQ(second.Acquire(path), 1);
    for (int fd : {ready[0], ready[1], release[0]})
        close(fd);
}

TEST(InstanceLock, UnusablePlacesAreReported) {
    CTempFolder temp;
    CInstanceLock lock;
    EXPECT_EQ(lock.Acquire(""), -1);
    EXPECT_EQ(lock.Acquire(temp.File("missing/qlocollector.lock")), -8);
    EXPECT_EQ(lock.Acquire(temp.Str()), -8) << "a folder in the way";
}
}  // namespace
