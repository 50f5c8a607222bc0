#include "app/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "fakes/fake_clock.h"
#include "support/wake_signal.h"

namespace {
// Polls `done` every millisecond for at most `limitMs` of real time.
bool WaitUntil(const std::function<bool()>& done, int limitMs = 5000) {
    for (int waited = 0; waited < limitMs; ++waited) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

// Counts the events it receives and the threads they arrive on; can throw
// from its first call or hold a check until released.
class CRecordingReceiver : public CEventInterface {
public:
    int OnEvent(int event) override {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_threads.insert(std::this_thread::get_id());
        }
        lastEvent = event;
        const int call = ++calls;
        inCheck = true;
        while (hold)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (checkMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(checkMs));
        inCheck = false;
        ++returned;
        if (call == 1 && throwFirst) throw std::runtime_error("check failed");
        return 1;
    }
    size_t ThreadCount() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_threads.size();
    }

    std::atomic<int> calls{0}, returned{0}, lastEvent{-1}, checkMs{0};
    std::atomic<bool> inCheck{false}, hold{false}, throwFirst{false};

private:
    std::mutex m_mutex;
    std::set<std::thread::id> m_threads;
};

TEST(TimeThread, StopWithoutAThreadAndRegistration) {
    CTimeThread thread(10);
    EXPECT_EQ(thread.Stop(), -1);
    EXPECT_EQ(thread.Stop(0), -1);
    EXPECT_EQ(thread.WaitForStop(), 0);
    EXPECT_EQ(thread.RegisterEvent(nullptr), 0);
    CRecordingReceiver receiver;
    EXPECT_EQ(thread.RegisterEvent(&receiver), 1);
    EXPECT_EQ(thread.Stop(), -1);
    EXPECT_EQ(receiver.calls, 0);
}

TEST(TimeThread, ExecuteTwiceRunsOneThreadThatTicksUntilStopped) {
    CRecordingReceiver receiver;
    CTimeThread thread(5);
    ASSERT_EQ(thread.RegisterEvent(&receiver), 1);
    ASSERT_EQ(thread.Execute(), 1);
    EXPECT_EQ(thread.Execute(), 0);
    ASSERT_TRUE(WaitUntil([&] { return receiver.calls >= 3; }));
    EXPECT_EQ(receiver.lastEvent, EVENT_CHECK_ACTIVITY);
    EXPECT_EQ(receiver.ThreadCount(), 1u);
    EXPECT_EQ(thread.Stop(), 0);
    const int ticks = receiver.calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(receiver.calls, ticks) << "ticks after Stop";
    EXPECT_EQ(thread.Stop(), -1);
    // A stopped object can be started again.
    ASSERT_EQ(thread.Execute(), 1);
    ASSERT_TRUE(WaitUntil([&] { return receiver.calls > ticks; }));
    EXPECT_EQ(thread.Stop(), 0);
}

TEST(TimeThread, TicksWithoutAReceiverAndStopsPromptly) {
    CTimeThread thread(5);
    ASSERT_EQ(thread.Execute(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(thread.Stop(), 0);
}

TEST(TimeThread, AnExceptionFromACheckIsDroppedAndTheNextTickComes) {
    CRecordingReceiver receiver;
    receiver.throwFirst = true;
    CTimeThread thread(5);
    thread.RegisterEvent(&receiver);
    ASSERT_EQ(thread.Execute(), 1);
    ASSERT_TRUE(WaitUntil([&] { return receiver.calls >= 2; }));
    EXPECT_EQ(thread.Stop(), 0);
}

// Asks for a wait longer than any test runs, that `handle` ends.
class CLongWaitPacer : public CCheckPacer {
public:
    explicit CLongWaitPacer(std::intptr_t handle) : m_handle(handle) {}
    uint32_t NextCheckWait(uint32_t, std::intptr_t& wakeHandle) override {
        wakeHandle = m_handle;
        ++asked;
        return 600000;
    }
    std::atomic<int> asked{0};

private:
    std::intptr_t m_handle;
};

TEST(TimeThread, APacersLongWaitEndsWhenItsWakeHandleTurnsReadyAndAtStop) {
    CWakeSignal wake;
    CLongWaitPacer pacer(wake.Handle());
    CRecordingReceiver receiver;
    CTimeThread thread(5);
    thread.SetPacer(&pacer);
    thread.RegisterEvent(&receiver);
    ASSERT_EQ(thread.Execute(), 1);
    ASSERT_TRUE(WaitUntil([&] { return pacer.asked >= 1; }));
    EXPECT_EQ(receiver.calls, 1);
    wake.Signal();
    EXPECT_TRUE(WaitUntil([&] { return receiver.calls >= 2; })) << "the wake handle did not end the wait";
    wake.Reset();
    EXPECT_EQ(thread.Stop(), 0) << "the stop did not end the wait";
}

TEST(TimeThread, StopLetsTheCheckInProgressFinish) {
    CFakeClock clock;  // the wait for the thread's end must not depend on the clock service
    CRecordingReceiver receiver;
    receiver.checkMs = 150;
    CTimeThread thread(5);
    thread.RegisterEvent(&receiver);
    ASSERT_EQ(thread.Execute(), 1);
    ASSERT_TRUE(WaitUntil([&] { return receiver.inCheck.load(); }));
    EXPECT_EQ(thread.Stop(), 0);
    EXPECT_EQ(receiver.returned, receiver.calls);
}

// They live until the process ends: a thread left running after Stop may
// still be inside one when its test is over.
CRecordingReceiver g_stuckReceiver, g_abandonedReceiver;

// Starts a thread whose check holds `receiver` until released, stops it
// once the check runs, and returns what Stop gave. Afterwards the thread
// object is gone; the thread, let go and never terminated, finishes its
// check and its loop once released, without touching freed memory (the
// sanitizers of the Linux build watch this).
int StopDuringAStuckCheck(CRecordingReceiver& receiver, uint32_t waitMs) {
    int stopped = 0;
    {
        CTimeThread thread(5);
        receiver.hold = true;
        thread.RegisterEvent(&receiver);
        if (thread.Execute() != 1 || !WaitUntil([&] { return receiver.inCheck.load(); })) return 0;
        stopped = thread.Stop(waitMs);
        EXPECT_EQ(thread.Stop(), -1);
    }
    receiver.hold = false;
    EXPECT_TRUE(WaitUntil([&] { return receiver.returned > 0; })) << "the thread let go finishes its check";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return stopped;
}

TEST(TimeThread, ACheckThatOutlastsTheWaitIsLetGoWithMinusOne) {
    EXPECT_EQ(StopDuringAStuckCheck(g_stuckReceiver, 200), -1);
}

TEST(TimeThread, AnImmediateStopDoesNotWaitForTheCheck) {
    EXPECT_EQ(StopDuringAStuckCheck(g_abandonedReceiver, 0), -1);
}
}  // namespace
