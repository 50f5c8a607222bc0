// The qlosync program against the test server: a push killed at random
// moments and resumed, a server restarted during a push, and watch stopped
// by a signal, leaving its files private. Linux: the test starts, kills and
// signals the program.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <memory>
#include <random>
#include <regex>
#include <string>

#include "support/child_process_linux.h"
#include "support/scoped_environment_linux.h"
#include "support/team_store_test_server.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"
#include "support/wait_until.h"

namespace {
class TeamStoreProgram : public ::testing::Test {
protected:
    // Files are made as a usual session makes them, readable by others
    // unless a program says otherwise.
    CScopedUmask umask022{022};
    CTestRegistry registry;
    CTempFolder folder;
    CActivityFolder data{folder.Str()};
    std::vector<CStoredRow> rows = FillTeamFolder(data, 7, 3, 3000);

    std::vector<std::string> Args(const std::string& command, const std::string& server,
                                  const CTempFolder* from = nullptr, const std::string& person = "carol") {
        return {"qlosync", command,   "--data", (from ? *from : folder).Str(), "--server", server, "--person",
                person,    "--batch", "50"};
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
    // Pushes of `people` (folder, person) started together through `server`
    // and killed together once the store holds a random number of rows
    // more, four times; then each pushed to the end.
    void KillAndResume(const CTeamStoreTestDatabase& store, const std::string& server,
                       const std::vector<std::pair<const CTempFolder*, std::string>>& people) {
        std::mt19937 random(std::random_device{}());
        int64_t killedAt = 0;
        for (int round = 0; round < 4; ++round) {
            const int64_t target = killedAt + 1 + static_cast<int64_t>(random() % 1500);
            std::vector<std::unique_ptr<CChildProcess>> pushes;
            for (const auto& [from, person] : people)
                pushes.push_back(std::make_unique<CChildProcess>(QLO_QLOSYNC, Args("push", server, from, person)));
            ASSERT_TRUE(WaitUntil([&] {
                if (Stored(store) >= target) return true;
                for (const auto& push : pushes)
                    if (!push->WaitForEnd(0)) return false;
                return true;
            }));
            for (const auto& push : pushes) {
                kill(push->Pid(), SIGKILL);
                push->Wait();
            }
            killedAt = Stored(store);
        }
        for (const auto& [from, person] : people)
            EXPECT_EQ(CChildProcess(QLO_QLOSYNC, Args("push", server, from, person)).Wait(), 0);
        ExpectEveryRowOnce(store);
        store.ExpectSummariesEqualRows();
    }
};

TEST_F(TeamStoreProgram, APushKilledAtRandomMomentsAndResumedStoresEveryRowOnce) {
    CTeamStoreTestDatabase store;
    ASSERT_EQ(CChildProcess(QLO_QLOSYNC, {"qlosync", "init", "--server", store.Conninfo()}).Wait(), 0);
    KillAndResume(store, store.Conninfo(), {{&folder, "carol"}});
}

TEST_F(TeamStoreProgram, PushesOfSeveralPeopleThroughAPoolerKilledAndResumedStoreEveryRowOnce) {
    CTempFolder dan, erin;
    CActivityFolder danData(dan.Str()), erinData(erin.Str());
    for (auto* more : {&danData, &erinData}) {
        const std::vector<CStoredRow> added = FillTeamFolder(*more, more == &danData ? 8 : 9, 2, 1500);
        rows.insert(rows.end(), added.begin(), added.end());
    }
    CTeamStoreTestDatabase store;
    ASSERT_EQ(CChildProcess(QLO_QLOSYNC, {"qlosync", "init", "--server", store.Conninfo()}).Wait(), 0);
    KillAndResume(store, store.PoolerConninfo(), {{&folder, "carol"}, {&dan, "dan"}, {&erin, "erin"}});
}

TEST_F(TeamStoreProgram, AServerRestartedDuringAPushLosesNothingAndTheNextPushCompletes) {
    CTempFolder serverFolder, poolerFolder;
    ASSERT_EQ(std::system(("sh " QLO_PG_TEST_SERVER " start " + serverFolder.Str()).c_str()), 0);
    ASSERT_EQ(
        std::system(("sh " QLO_POOLER_TEST_SERVER " start " + poolerFolder.Str() + " " + serverFolder.Str()).c_str()),
        0);
    // Straight to the server, then through the pooler, which stays up.
    for (bool pooled : {false, true}) {
        CTeamStoreTestDatabase store(serverFolder.Str());
        const std::string server = pooled ? store.PoolerConninfo(poolerFolder.Str()) : store.Conninfo();
        ASSERT_EQ(CChildProcess(QLO_QLOSYNC, {"qlosync", "init", "--server", store.Conninfo()}).Wait(), 0);
        CChildProcess push(QLO_QLOSYNC, Args("push", server));
        ASSERT_TRUE(WaitUntil([&] { return Stored(store) > 0; }));
        ASSERT_EQ(std::system(("sh " QLO_PG_TEST_SERVER " restart " + serverFolder.Str()).c_str()), 0);
        // Cut off (or, on a fast machine, done before the restart; or,
        // through the pooler, carried on over a new server connection).
        const int status = push.Wait();
        EXPECT_TRUE(status == 1 || status == 0) << status;
        CChildProcess resumed(QLO_QLOSYNC, Args("push", server));
        EXPECT_EQ(resumed.Wait(), 0);
        ExpectEveryRowOnce(store);
        store.ExpectSummariesEqualRows();
    }
    std::system(("sh " QLO_POOLER_TEST_SERVER " stop " + poolerFolder.Str()).c_str());
    std::system(("sh " QLO_PG_TEST_SERVER " stop " + serverFolder.Str()).c_str());
}

TEST_F(TeamStoreProgram, WatchPushesUntilStoppedAndStatusTellsTheLastPush) {
    CTeamStoreTestDatabase store;
    ASSERT_EQ(CChildProcess(QLO_QLOSYNC, {"qlosync", "init", "--server", store.Conninfo()}).Wait(), 0);
    std::vector<std::string> args = Args("watch", store.Conninfo());
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
    // The first push at a moment chosen within the interval, the next an
    // interval later give or take a tenth.
    ASSERT_TRUE(awaitLine("next push in")) << output;
    std::smatch first, next;
    ASSERT_TRUE(std::regex_search(output, first, std::regex("first push in ([0-9]+) ms"))) << output;
    ASSERT_TRUE(std::regex_search(output, next, std::regex("next push in ([0-9]+) ms"))) << output;
    EXPECT_LT(std::stoi(first[1]), 1000);
    EXPECT_GE(std::stoi(next[1]), 900);
    EXPECT_LE(std::stoi(next[1]), 1100);
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
