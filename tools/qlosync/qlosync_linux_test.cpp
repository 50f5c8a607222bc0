// The qlosync program against the test server: a push killed at random
// moments and resumed, a server restarted during a push, and watch stopped
// by a signal, leaving its files private. Linux: the test starts, kills and
// signals the program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "support/child_process_linux.h"
#include "support/scoped_environment_linux.h"
#include "support/team_store_test_server.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"

namespace {
// Polls `condition` every 10 ms for up to 60 s.
template <class Condition>
bool Eventually(Condition condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class TeamStoreProgram : public ::testing::Test {
protected:
    // Files are made as a usual session makes them, readable by others
    // unless a program says otherwise.
    CScopedUmask umask022{022};
    CTestRegistry registry;
    CTempFolder folder;
    CActivityFolder data{folder.Str()};
    std::vector<CStoredRow> rows = FillTeamFolder(data, 7, 3, 3000);

    std::vector<std::string> Args(const std::string& command, const CTeamStoreTestDatabase& store) {
        return {"qlosync",        command,    "--data", folder.Str(), "--server",
                store.Conninfo(), "--person", "carol",  "--batch",    "50"};
    }
    static int64_t Stored(const CTeamStoreTestDatabase& store) {
        return std::stoll(store.Query("select count(*) from orvanta.activities"));
    }
    // Every row once: as many rows and as much time as the folder holds.
    void ExpectEveryRowOnce(const CTeamStoreTestDatabase& store) {
        int64_t seconds = 0;
        for (const CStoredRow& row : rows)
            seconds += row.duration;
        EXPECT_EQ(Stored(store), static_cast<int64_t>(rows.size()));
        EXPECT_EQ(store.Query("select sum(duration) from orvanta.activities"), std::to_string(seconds));
    }
};

TEST_F(TeamStoreProgram, APushKilledAtRandomMomentsAndResumedStoresEveryRowOnce) {
    CTeamStoreTestDatabase store;
    ASSERT_EQ(CChildProcess(QLO_QLOSYNC, {"qlosync", "init", "--server", store.Conninfo()}).Wait(), 0);
    std::mt19937 random(std::random_device{}());
    int64_t killedAt = 0;
    for (int round = 0; round < 4; ++round) {
        // Killed once the store holds a random number of rows more.
        const int64_t target = killedAt + 1 + static_cast<int64_t>(random() % 1500);
        CChildProcess push(QLO_QLOSYNC, Args("push", store));
        ASSERT_TRUE(Eventually([&] { return Stored(store) >= target || push.WaitForEnd(0); }));
        kill(push.Pid(), SIGKILL);
        push.Wait();
        killedAt = Stored(store);
    }
    CChildProcess resumed(QLO_QLOSYNC, Args("push", store));
    EXPECT_EQ(resumed.Wait(), 0);
    ExpectEveryRowOnce(store);
}

TEST_F(TeamStoreProgram, AServerRestartedDuringAPushLosesNothingAndTheNextPushCompletes) {
    CTempFolder serverFolder;
    ASSERT_EQ(std::system(("sh " QLO_PG_TEST_SERVER " start " + serverFolder.Str()).c_str()), 0);
    {
        CTeamStoreTestDatabase store(serverFolder.Str());
        ASSERT_EQ(CChildProcess(QLO_QLOSYNC, {"qlosync", "init", "--server", store.Conninfo()}).Wait(), 0);
        CChildProcess push(QLO_QLOSYNC, Args("push", store));
        ASSERT_TRUE(Eventually([&] { return Stored(store) > 0; }));
        ASSERT_EQ(std::system(("sh " QLO_PG_TEST_SERVER " restart " + serverFolder.Str()).c_str()), 0);
        // Cut off (or, on a fast machine, done before the restart).
        const int status = push.Wait();
        EXPECT_TRUE(status == 1 || status == 0) << status;
        CChildProcess resumed(QLO_QLOSYNC, Args("push", store));
        EXPECT_EQ(resumed.Wait(), 0);
        ExpectEveryRowOnce(store);
    }
    std::system(("sh " QLO_PG_TEST_SERVER " stop " + serverFolder.Str()).c_str());
}

TEST_F(TeamStoreProgram, WatchPushesUntilStoppedAndStatusTellsTheLastPush) {
    CTeamStoreTestDatabase store;
    ASSERT_EQ(CChildProcess(QLO_QLOSYNC, {"qlosync", "init", "--server", store.Conninfo()}).Wait(), 0);
    std::vector<std::string> args = Args("watch", store);
    args.insert(args.end(), {"--every", "1s"});
    CChildProcess watch(QLO_QLOSYNC, args);
    // Each push says what it added: the first everything, a later one the
    // row stored since.
    std::string output, line;
    auto awaitLine = [&](const std::string& text) {
        while (output.find(text) == std::string::npos && watch.ReadLine(line, 60000))
            output += line + "\n";
        return output.find(text) != std::string::npos;
    };
    ASSERT_TRUE(awaitLine("pushed: " + std::to_string(rows.size()) + " rows added")) << output;
    CStoredRow late;
    late.start = 20260320100000;
    late.finish = 20260320100500;
    late.duration = 300;
    data.AddRows({late});
    rows.push_back(late);
    ASSERT_TRUE(awaitLine("pushed: 1 rows added")) << output;
    EXPECT_EQ(Stored(store), static_cast<int64_t>(rows.size()));
    kill(watch.Pid(), SIGTERM);
    EXPECT_EQ(watch.Wait(), 0);
    EXPECT_TRUE(awaitLine("stopped")) << output;
    CChildProcess status(QLO_QLOSYNC, {"qlosync", "status", "--data", folder.Str()});
    // The stop may have cut a push short: the last one is then "failed:
    // stopped after ...", and the last that ended well follows.
    std::string told;
    while (status.ReadLine(line))
        told += line + "\n";
    EXPECT_EQ(status.Wait(), 0);
    EXPECT_EQ(told.find("last push: "), 0u) << told;
    EXPECT_TRUE(told.find(", done: ") != std::string::npos || told.find("ended well: ") != std::string::npos) << told;
    // What qlosync keeps beside the databases is its user's alone.
    for (const char* name : {"qlosync.id", "qlosync.state", "qlosync.lock"}) {
        struct stat info {};
        EXPECT_EQ(stat(folder.File(name).c_str(), &info), 0) << name;
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
    }
}
}  // namespace
