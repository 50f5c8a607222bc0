// The event loop: signals become requests in the order they are pending, a
// stop request ends the loop after what came with it, nothing arrives
// without a cause, and the session watch is followed, through the loss of the
// bus and its return.
#include "app/event_loop_linux.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "app/control_signals_linux.h"
#include "app/shell_test_receiver_linux.h"
#include "support/child_process_linux.h"
#include "support/private_bus_linux.h"
#include "support/scoped_environment_linux.h"

namespace {
using Calls = std::vector<std::string>;

class EventLoop : public testing::Test {
protected:
    void SetUp() override {
        // The test sends the signals to its own thread (raise), which reads
        // them through the loop's descriptor.
        ASSERT_EQ(CEventLoop::BlockSignals(), 1);
        ASSERT_EQ(loop.Open(), 1);
    }

    CEventLoop loop;
    CRecordingReceiver receiver;
};

TEST_F(EventLoop, SignalsBecomeRequests) {
    raise(SIGHUP);
    raise(SIGUSR2);
    raise(SIGUSR1);
    raise(ForgetSignal());
    EXPECT_EQ(loop.RunOnce(receiver, 1000), 0);
    // Pending signals are taken lowest number first, whatever order they came in.
    EXPECT_EQ(receiver.calls, (Calls{"reload", "rules-on", "rules-off", "forget"}));

    receiver.calls.clear();
    raise(SIGUSR2);
    EXPECT_EQ(loop.RunOnce(receiver, 1000), 0);
    raise(SIGINT);
    EXPECT_EQ(loop.RunOnce(receiver, 1000), 1);
    raise(SIGTERM);
    EXPECT_EQ(loop.RunOnce(receiver, 1000), 1);
    EXPECT_EQ(receiver.calls, (Calls{"rules-off", "stop", "stop"}));
    EXPECT_EQ(loop.Open(), -7);

    // Pause and resume carry the pause's length as the signal's value.
    receiver.calls.clear();
    ASSERT_EQ(pthread_sigqueue(pthread_self(), PauseSignal(), sigval{5400}), 0);
    ASSERT_EQ(pthread_sigqueue(pthread_self(), ResumeSignal(), sigval{0}), 0);
    EXPECT_EQ(loop.RunOnce(receiver, 1000), 0);
    EXPECT_EQ(receiver.calls, (Calls{"pause 5400", "resume"}));
}

TEST_F(EventLoop, RunDeliversEverythingPendingAndReturnsAtTheStopRequest) {
    raise(SIGTERM);
    raise(SIGHUP);
    EXPECT_EQ(loop.Run(receiver), 1);
    EXPECT_EQ(receiver.calls, (Calls{"reload", "stop"}));
}

TEST_F(EventLoop, NothingArrivesWithoutACause) {
    // The clock watch, armed for the end of time, stays silent while the
    // clock runs normally.
    EXPECT_EQ(loop.RunOnce(receiver, 300), 0);
    EXPECT_TRUE(receiver.calls.empty());
    CEventLoop closed;
    EXPECT_EQ(closed.RunOnce(receiver, 0), -8);
}

TEST_F(EventLoop, FollowsTheSessionWatchThroughTheLossAndReturnOfTheBus) {
    CPrivateBus bus;
    ASSERT_FALSE(bus.Address().empty());
    std::string line;
    auto startLogind = [&](std::vector<std::string> options) {
        options.insert(options.begin(), {"qlo_fake_logind", "--address", bus.Address()});
        auto logind = std::make_unique<CChildProcess>(QLO_FAKE_LOGIND, options);
        EXPECT_TRUE(logind->ReadLine(line));
        EXPECT_EQ(line, "ready");
        return logind;
    };
    // Runs the loop until the receiver has `count` calls, for at most 30 s.
    auto runUntil = [&](size_t count) {
        for (int i = 0; i < 300 && receiver.calls.size() < count; ++i)
            ASSERT_EQ(loop.RunOnce(receiver, 100), 0);
    };
    auto logind = startLogind({});
    CScopedEnvironment address("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str());
    CScopedEnvironment session("XDG_SESSION_ID", "c2");
    CSessionLockWatch watch;
    ASSERT_EQ(watch.Open(), 1) << watch.FailureText();
    loop.SetSessionWatch(&watch);

    for (const char* command : {"unlock", "lock"}) {
        ASSERT_TRUE(logind->WriteLine(command));
        ASSERT_TRUE(logind->ReadLine(line));
        ASSERT_EQ(line, "ok");
    }
    runUntil(1);
    EXPECT_EQ(receiver.calls, (Calls{"locked"})) << "an unchanged hint is no change";

    // The bus ends while the session is locked: it counts as unlocked from
    // then on, and the loop goes on with signals alone.
    bus.Stop();
    runUntil(3);
    EXPECT_EQ(receiver.calls, (Calls{"locked", "unlocked", "lost"}));
    EXPECT_FALSE(watch.IsOpen());
    EXPECT_NE(receiver.lostBecause.find("lost the system bus"), std::string::npos) << receiver.lostBecause;
    raise(SIGHUP);
    runUntil(4);
    EXPECT_EQ(receiver.calls.back(), "reload");

    // While the bus is away the attempts to reopen grow apart.
    EXPECT_LE(watch.TimeoutMs(), CSessionLockWatch::kFirstRetryMs);
    for (int i = 0; i < 300 && watch.TimeoutMs() <= CSessionLockWatch::kFirstRetryMs; ++i)
        ASSERT_EQ(loop.RunOnce(receiver, 100), 0);
    EXPECT_GT(watch.TimeoutMs(), CSessionLockWatch::kFirstRetryMs);
    EXPECT_LE(watch.TimeoutMs(), 2 * CSessionLockWatch::kFirstRetryMs);

    // Back, with the session still locked: the watch reopens by itself.
    ASSERT_TRUE(bus.Start());
    logind = startLogind({"--locked"});
    runUntil(6);
    EXPECT_EQ(receiver.calls, (Calls{"locked", "unlocked", "lost", "reload", "locked", "restored"}));
    EXPECT_TRUE(watch.IsOpen());
    ASSERT_TRUE(logind->WriteLine("unlock") && logind->ReadLine(line));
    runUntil(7);
    EXPECT_EQ(receiver.calls.back(), "unlocked");
}
}  // namespace
