// The Linux collector's shell over a real time manager (on the fakes of the
// time manager's test fixture): the start without a system bus, the orderly
// stop, and a change of the system clock, which a test cannot make happen
// for real, delivered as the event loop delivers it.
#include "app/collector_shell_linux.h"

#include "core/time_manager_test_fixture.h"
#include "support/scoped_environment_linux.h"

namespace {
using Texts = std::vector<std::string>;

class CollectorShell : public TimeManagerTest {
protected:
    void SetUp() override {
        clock.Set(Time(20261207080000));
        registry.SetString(kMainKey, "Path", install);
        registry.SetNumber(kMainKey, "QLOCollector Log Level", 3);
        tm = std::make_unique<CTimeManager>();
        shell = std::make_unique<CCollectorShell>(*tm);
    }

    void TearDown() override { shell.reset(); }

    CScopedEnvironment noBus{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/qlo/system_bus_socket"};
    CEventLoop loop;
    std::unique_ptr<CCollectorShell> shell;
};

TEST_F(CollectorShell, StartsWithoutASystemBusSayingSoOnceAndStopsSavingTheActivityInProgress) {
    ASSERT_EQ(shell->Start(loop), 1);
    clock.Set(Time(20261207080030));
    EXPECT_EQ(shell->Stop(), 1);
    EXPECT_EQ(Rows(), Texts{"20261207080000-20261207080030 30 1 notes.txt - Editor"});
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(errorLog,
                              "CCollectorShell::Start (1) Session lock and unlock are not recorded: no "
                              "system bus"),
              1);
    EXPECT_EQ(CountContaining(infoLog, "CTimeManager::Deinit finished"), 1);
}

TEST_F(CollectorShell, ClockChangesReachTheTimeManager) {
    ASSERT_EQ(shell->Start(loop), 1);
    clock.Set(Time(20261207080100));
    tm->OnEvent(EVENT_CHECK_ACTIVITY);
    // Set forward by ten minutes: the time in between is Offline.
    clock.Set(Time(20261207081100));
    shell->OnClockChanged();
    EXPECT_EQ(Rows(), (Texts{"20261207080000-20261207080100 60 1 notes.txt - Editor",
                             "20261207080100-20261207081100 600 4 notes.txt - Editor"}));
    // Each change counts: forward by two minutes more.
    clock.Set(Time(20261207081300));
    shell->OnClockChanged();
    EXPECT_EQ(Rows().back(), "20261207081100-20261207081300 120 4 notes.txt - Editor");
    shell->Stop();
}
}  // namespace
