// The session lock watch against a logind played by qlo_fake_logind on a
// private bus: the session it picks, the hint it starts from, the changes it
// reports (with and without their value), and what it says when the bus or
// logind is missing.
#include "app/session_lock_watch_linux.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <string>
#include <vector>

#include "support/child_process_linux.h"
#include "support/private_bus_linux.h"
#include "support/scoped_environment_linux.h"

namespace {
using Calls = std::vector<std::string>;

class CRecorder : public CSessionLockListener {
public:
    void OnSessionLocked(bool locked) override { calls.push_back(locked ? "locked" : "unlocked"); }
    Calls calls;
};

class SessionLockWatch : public testing::Test {
protected:
    // Starts the fake logind with `options` on the private bus.
    void StartLogind(std::vector<std::string> options = {}) {
        ASSERT_FALSE(bus.Address().empty());
        options.insert(options.begin(), {"qlo_fake_logind", "--address", bus.Address()});
        logind = std::make_unique<CChildProcess>(QLO_FAKE_LOGIND, options);
        std::string line;
        ASSERT_TRUE(logind->ReadLine(line));
        ASSERT_EQ(line, "ready");
    }

    void Send(const std::string& command) {
        std::string line;
        ASSERT_TRUE(logind->WriteLine(command));
        ASSERT_TRUE(logind->ReadLine(line));
        ASSERT_EQ(line, "ok");
    }

    // Processes the connection until `count` changes were reported or 30 s passed.
    void WaitFor(size_t count) {
        for (int i = 0; i < 300 && recorder.calls.size() < count; ++i) {
            pollfd ready{watch.Fd(), watch.Events(), 0};
            poll(&ready, 1, 100);
            ASSERT_EQ(watch.Process(recorder), 1) << watch.FailureText();
        }
    }

    CPrivateBus bus;
    CScopedEnvironment address{"DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str()};
    CScopedEnvironment session{"XDG_SESSION_ID", "c2"};
    std::unique_ptr<CChildProcess> logind;
    CSessionLockWatch watch;
    CRecorder recorder;
};

TEST_F(SessionLockWatch, ReportsEachChangeOfTheHintOnce) {
    StartLogind();
    ASSERT_EQ(watch.Open(), 1) << watch.FailureText();
    EXPECT_EQ(watch.SessionPath(), "/org/freedesktop/login1/session/c2");
    EXPECT_FALSE(watch.IsLocked());
    EXPECT_EQ(watch.Open(), -7);

    Send("lock");
    WaitFor(1);
    Send("lock");  // announced again with the same value: no change
    Send("unlock");
    WaitFor(2);
    EXPECT_EQ(recorder.calls, (Calls{"locked", "unlocked"}));
    EXPECT_FALSE(watch.IsLocked());
}

TEST_F(SessionLockWatch, StartsFromTheCurrentHintAndRereadsAnInvalidatedOne) {
    CScopedEnvironment numeric("XDG_SESSION_ID", "7");
    StartLogind({"--locked", "--invalidate"});
    ASSERT_EQ(watch.Open(), 1) << watch.FailureText();
    EXPECT_EQ(watch.SessionPath(), "/org/freedesktop/login1/session/_37");
    EXPECT_TRUE(watch.IsLocked());
    Send("unlock");
    WaitFor(1);
    Send("lock");
    WaitFor(2);
    EXPECT_EQ(recorder.calls, (Calls{"unlocked", "locked"}));
}

TEST_F(SessionLockWatch, SaysWhyItCannotWatch) {
    // A bus without logind.
    EXPECT_EQ(watch.Open(), -52);
    EXPECT_NE(watch.FailureText().find("logind does not answer for session c2"), std::string::npos)
        << watch.FailureText();
    EXPECT_FALSE(watch.IsOpen());
    EXPECT_EQ(watch.Fd(), -1);
    EXPECT_EQ(watch.Process(recorder), -8);

    // No bus at all.
    CScopedEnvironment nowhere("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/qlo/system_bus_socket");
    EXPECT_EQ(watch.Open(), -8);
    EXPECT_EQ(watch.FailureText().rfind("no system bus", 0), 0u) << watch.FailureText();
    EXPECT_FALSE(watch.IsOpen());
}
}  // namespace
