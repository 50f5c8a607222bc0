#pragma once
// A desktop that tests script: its windows (title, owning process, class,
// parent, visibility), which one is in front, when the user last gave input,
// and failures of title reads. Installs itself as the process-wide desktop
// for its lifetime and restores the previous one when destroyed.
// Thread-safe: the worker thread may query it while a test changes it.
//
// Idle time follows the clock service: SetIdleMilliseconds(ms) places the
// last input ms before Clock().TickCount(), so advancing a fake clock makes
// the user idle for longer. Until it is called the user is always active.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop.h"

struct CFakeWindow {
    std::string title;
    uint32_t processId = 0;
    std::string className;
    WindowHandle parent = 0;  // 0: a top-level window
    bool visible = true;
    bool titleReadFails = false;  // the length is known, the text cannot be read
};

class CFakeDesktop : public CDesktopService {
public:
    CFakeDesktop();
    ~CFakeDesktop() override;
    CFakeDesktop(const CFakeDesktop&) = delete;
    CFakeDesktop& operator=(const CFakeDesktop&) = delete;

    // Adds a window, or replaces the one with the same handle (keeping its
    // place in the order in which windows are found).
    void AddWindow(WindowHandle window, const CFakeWindow& description);
    // A top-level window of the process with the title, brought to the front.
    void Show(WindowHandle window, uint32_t processId, const std::string& title);
    void SetTitle(WindowHandle window, const std::string& title);
    void SetVisible(WindowHandle window, bool visible);
    void FailTitleRead(WindowHandle window, bool fail);

    // The foreground window; the first `missedCalls` calls of
    // GetForegroundWindow from now on still find none. 0 means no window.
    void SetForeground(WindowHandle window, int missedCalls = 0);
    void SetDesktopWindow(WindowHandle window);
    void SetIdleMilliseconds(uint32_t milliseconds);
    void FailLastInput(bool fail);

    // Windows' rule for a window of the same process: reading its title from
    // another thread sends the window's own thread a message and waits until
    // that thread answers. After OwnWindow the window belongs to the calling
    // thread: it reads the title at once; any other thread only once the
    // owner calls AnswerSentMessages (its message loop), or after 5 s of
    // real time, when the read gives nothing and SentMessageTimeouts counts it.
    void OwnWindow(WindowHandle window);
    void AnswerSentMessages();
    int SentMessageTimeouts() const;

    // The next GetForegroundWindow call of another thread than the caller's
    // is held there (a check held inside its capture) until
    // ReleaseForegroundQuery. WaitForHeldQuery: true once one is held (at
    // most `limitMs` of real time).
    void HoldForegroundQuery();
    bool WaitForHeldQuery(int limitMs);
    void ReleaseForegroundQuery();

    // From now on ChangeCount counts the changes scripted above (until then
    // it is 0, "cannot tell"). The idle time moving on with the clock is not
    // counted: tests that count keep the clock still.
    void CountChanges();
    // What ChangeNotice answers while changes are counted (-1 until set).
    void SetChangeNotice(std::intptr_t handle);

    // How often the foreground window was asked for.
    int ForegroundCalls() const;
    // How often windows were searched by class.
    int FindWindowCalls() const;

    WindowHandle GetForegroundWindow() override;
    WindowHandle GetDesktopWindow() override;
    int GetWindowTextLength(WindowHandle window) override;
    int GetWindowText(WindowHandle window, char* buffer, int limit) override;
    uint32_t GetWindowProcessId(WindowHandle window) override;
    bool GetLastInputTick(uint32_t& tick) override;
    WindowHandle FindWindow(const char* className) override;
    WindowHandle FindChildWindow(WindowHandle parent, WindowHandle after, const char* className) override;
    bool IsWindowVisible(WindowHandle window) override;
    uint64_t ChangeCount() override;
    std::intptr_t ChangeNotice() override;

private:
    using CEntry = std::pair<WindowHandle, CFakeWindow>;
    CFakeWindow* Find(WindowHandle window);
    // For a read of `window`'s title: false when it was sent to the owning
    // thread and not answered in time.
    bool Answered(std::unique_lock<std::mutex>& lock, WindowHandle window);
    // After a scripted change, with m_mutex held.
    void Changed();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    WindowHandle m_ownedWindow = 0;
    std::thread::id m_owner;
    uint64_t m_sent = 0, m_answered = 0;
    int m_sentTimeouts = 0;
    std::thread::id m_holdSetter;
    bool m_holdArmed = false, m_held = false;
    std::vector<CEntry> m_windows;
    WindowHandle m_foreground = 0;
    int m_missedCalls = 0;
    WindowHandle m_desktop = 0;
    std::optional<uint32_t> m_lastInputTick;
    bool m_failLastInput = false;
    int m_foregroundCalls = 0;
    int m_findWindowCalls = 0;
    uint64_t m_changeCount = 0;  // 0: not counted
    std::intptr_t m_changeNotice = -1;
    CDesktopService* m_previous = nullptr;
};
