// The orderly stop: the worker thread ends first, then the activity in
// progress is saved up to the stop, so that the next start books only the
// time the collector really was not running as Offline.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "core/time_manager_test_fixture.h"

namespace {
using Texts = std::vector<std::string>;

// Polls `done` every millisecond for at most `limitMs` of real time.
bool WaitUntil(const std::function<bool()>& done, int limitMs = 5000) {
    for (int waited = 0; waited < limitMs && !done(); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

class OrderlyStop : public TimeManagerTest {
protected:
    void SetUp() override {
        clock.Set(Time(20261207080000));
        ASSERT_EQ(Init(), 1);
    }
};

TEST_F(OrderlyStop, SavesTheActivityInProgressAndTheNextStartBooksOnlyTheRealGap) {
    StartAt(20261207080000);
    TickThrough(20261207080000, 20261207080130);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207080131);
    TickThrough(20261207080131, 20261207080200);
    clock.Set(Time(20261207080200));
    EXPECT_EQ(tm->StopAndSaveActivity(), 1);
    EXPECT_EQ(tm->StopAndSaveActivity(), 0);
    EXPECT_EQ(Rows(), (Texts{"20261207080000-20261207080131 91 1 notes.txt - Editor",
                             "20261207080131-20261207080200 29 1 todo.txt - Editor"}));

    ASSERT_EQ(Restart(), 1);
    StartAt(20261207090000);
    EXPECT_EQ(Rows().back(), "20261207080200-20261207090000 3480 4 todo.txt - Editor");
}

TEST_F(OrderlyStop, AfterALongSilenceClosesTheActivityAtItsLastCheck) {
    StartAt(20261207080000);
    At(20261207080030);
    // The computer slept: no check came for ten minutes.
    clock.Set(Time(20261207081030));
    EXPECT_EQ(tm->StopAndSaveActivity(), 1);
    ASSERT_EQ(Restart(), 1);
    StartAt(20261207081035);
    EXPECT_EQ(Rows(), (Texts{"20261207080000-20261207080030 30 1 notes.txt - Editor",
                             "20261207080030-20261207081035 605 4 notes.txt - Editor"}));
}

TEST_F(OrderlyStop, BeforeTheStartSavesNothingAndAfterItEventsChangeNothing) {
    EXPECT_EQ(tm->StopAndSaveActivity(), 0);
    StartAt(20261207080000);
    clock.Set(Time(20261207080010));
    EXPECT_EQ(tm->StopAndSaveActivity(), 1);
    Show(kEditorWindow, "todo.txt - Editor");
    for (int event : {EVENT_CHECK_ACTIVITY, EVENT_LOCK, EVENT_UNLOCK, EVENT_CHANGE_TIME})
        At(20261207080020 + event, event);
    EXPECT_EQ(Rows(), Texts{"20261207080000-20261207080010 10 1 notes.txt - Editor"});
}

// A check that holds the activity in progress longer than the stop can wait
// (played here by a thread of the test, held while it stores a waiting row)
// is left to finish on its own: what it then writes into the checkpoint must
// still hold the activity in progress, which the stop did not save.
TEST_F(OrderlyStop, ACheckThatOutlastsTheStopStillKeepsTheActivityInProgressInTheCheckpoint) {
    StartAt(20261207080000);
    CRawDatabase act(DbFile("act1226.db"));
    ASSERT_EQ(act.Exec("create trigger refuse before insert on T_Activities begin select raise(abort, 'full'); end"),
              SQLITE_OK);
    Show(kEditorWindow, "todo.txt - Editor");
    At(20261207080010);  // the first row waits to be stored
    ASSERT_EQ(act.Exec("drop trigger refuse"), SQLITE_OK);
    clock.HoldSleep();
    std::thread check([&] { At(20261207080100); });  // extends todo.txt, then stores the waiting row
    ASSERT_TRUE(clock.WaitForHeldSleep(60000));
    EXPECT_EQ(tm->StopAndSaveActivity(), -3);
    clock.ReleaseSleep();
    check.join();
    ASSERT_EQ(Restart(), 1);
    StartAt(20261207090000);
    EXPECT_EQ(Rows(), (Texts{"20261207080000-20261207080010 10 1 notes.txt - Editor",
                             "20261207080010-20261207080100 50 1 todo.txt - Editor",
                             "20261207080100-20261207090000 3540 4 todo.txt - Editor"}));
}

// The worker thread, started by the start event: a short tick so that the
// test sees checks arrive.
class WorkerThread : public TimeManagerTest {
protected:
    void SetUp() override { ASSERT_EQ(Init(0, 5), 1); }
};

TEST_F(WorkerThread, TheStartEventStartsTheChecksAndTheOrderlyStopEndsThemBeforeSaving) {
    ASSERT_EQ(tm->OnEvent(EVENT_START), 1);
    const int atStart = desktop.ForegroundCalls();
    ASSERT_TRUE(WaitUntil([&] { return desktop.ForegroundCalls() >= atStart + 2; }));
    clock.Advance(5000);
    EXPECT_EQ(tm->StopAndSaveActivity(), 1);
    const int afterStop = desktop.ForegroundCalls();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(desktop.ForegroundCalls(), afterStop);
    EXPECT_EQ(Rows(), Texts{"20261207090000-20261207090005 5 1 notes.txt - Editor"});
    EndAndReadLogs();
    EXPECT_EQ(CountContaining(infoLog, "Start process"), 1);
    EXPECT_EQ(CountContaining(errorLog, "Execute error"), 0);
}

// The collector's window thread, played by a thread of the test: between
// the events it is handed it answers what other threads send to its window,
// as a message loop does.
class CWindowThread {
public:
    CWindowThread(CFakeDesktop& desktop, WindowHandle window, CTimeManager& tm) {
        m_thread = std::thread([this, &desktop, window, &tm] {
            desktop.OwnWindow(window);
            m_ready = true;
            while (!m_done) {
                desktop.AnswerSentMessages();
                if (m_handled < m_posted) {
                    tm.OnEvent(m_event);
                    ++m_handled;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        WaitUntil([this] { return m_ready.load(); });
    }
    ~CWindowThread() {
        m_done = true;
        m_thread.join();
    }
    // Hands over `event` and waits (real time, at most `limitMs`) until it
    // was handled: false when it was not.
    bool Handle(int event, int limitMs) {
        m_event = event;
        const int posted = ++m_posted;
        return WaitUntil([&] { return m_handled >= posted; }, limitMs);
    }

private:
    std::atomic<bool> m_ready{false}, m_done{false};
    std::atomic<int> m_event{0}, m_posted{0}, m_handled{0};
    std::thread m_thread;
};

// A check's capture may wait (here held by the desktop), and at a lock the
// collector brings its own window to the front, whose title the check then
// reads: Windows asks the window thread for it. The window thread must
// therefore never wait for the check while it handles the lock.
TEST_F(WorkerThread, ALockWhileACheckIsHeldInItsCaptureIsHandledAtOnceAndTheWindowKeepsAnswering) {
    processes.AddProcess(kCollector, "QLOCollector.exe", "C:\\Orvanta\\QLOCollector.exe");
    CFakeWindow collectorWindow;
    collectorWindow.title = "QLO Collector";
    collectorWindow.processId = kCollector;
    desktop.AddWindow(kMainWindow, collectorWindow);
    ASSERT_EQ(tm->OnEvent(EVENT_START), 1);
    CWindowThread windowThread(desktop, kMainWindow, *tm);
    clock.Advance(5000);
    desktop.HoldForegroundQuery();
    ASSERT_TRUE(desktop.WaitForHeldQuery(5000)) << "a check is inside its capture";
    desktop.SetForeground(kMainWindow);
    clock.Advance(1000);
    EXPECT_TRUE(windowThread.Handle(EVENT_LOCK, 3000)) << "the lock waited for the check held in its capture";
    desktop.ReleaseForegroundQuery();
    const int calls = desktop.ForegroundCalls();
    ASSERT_TRUE(WaitUntil([&] { return desktop.ForegroundCalls() >= calls + 3; }, 15000));
    clock.Advance(10000);
    ASSERT_TRUE(WaitUntil([&] { return desktop.ForegroundCalls() >= calls + 6; }, 15000));
    EXPECT_TRUE(windowThread.Handle(EVENT_UNLOCK, 3000));
    clock.Advance(2000);
    EXPECT_EQ(tm->StopAndSaveActivity(), 1);
    EXPECT_EQ(desktop.SentMessageTimeouts(), 0) << "the window thread did not answer a title read";
    EXPECT_EQ(Rows(), (Texts{"20261207090000-20261207090006 6 1 notes.txt - Editor",
                             "20261207090006-20261207090016 10 3 notes.txt - Editor",
                             "20261207090016-20261207090018 2 1 QLO Collector"}));
}

TEST_F(WorkerThread, EndingAStartedTimeManagerStopsItsThreadFirst) {
    ASSERT_EQ(tm->OnEvent(EVENT_START), 1);
    const int atStart = desktop.ForegroundCalls();
    ASSERT_TRUE(WaitUntil([&] { return desktop.ForegroundCalls() > atStart; }));
    tm.reset();
    const int afterEnd = desktop.ForegroundCalls();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(desktop.ForegroundCalls(), afterEnd);
}

}  // namespace
