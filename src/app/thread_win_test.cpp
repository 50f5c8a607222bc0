// Windows only: Stop answers what the worker sends to windows of the
// stopping thread, as the worker does when it reads the title of the
// collector's own window.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "app/thread.h"

namespace {
// Each check reads the title of a window of the test's thread.
class CTitleReader : public CEventInterface {
public:
    explicit CTitleReader(HWND window) : m_window(window) {}
    int OnEvent(int) override {
        reading = true;
        char title[64];
        GetWindowTextA(m_window, title, sizeof title);  // sends WM_GETTEXT to the test's thread
        ++reads;
        return 1;
    }
    std::atomic<bool> reading{false};
    std::atomic<int> reads{0};

private:
    HWND m_window;
};

TEST(TimeThreadOnWindows, StopAnswersTheTitleReadsOfTheCheckInProgress) {
    HWND window = CreateWindowExA(0, "STATIC", "Own window", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    CTitleReader reader(window);
    CTimeThread thread(1);
    thread.RegisterEvent(&reader);
    ASSERT_EQ(thread.Execute(), 1);
    // The test's thread does not pump messages: the worker waits in a title
    // read that only Stop's wait can answer.
    for (int waited = 0; !reader.reading && waited < 5000; ++waited)
        Sleep(1);
    ASSERT_TRUE(reader.reading);
    EXPECT_EQ(thread.Stop(), 0) << "the worker was let go instead of ending";
    EXPECT_GT(reader.reads, 0);
    DestroyWindow(window);
}
}  // namespace
