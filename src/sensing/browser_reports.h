#pragma once
// The latest report of each browser window that the browser extension's host
// delivered, for the capture to look up: which address the window in front
// shows.
//
// Fixed capacity and fixed-size entries: nothing is allocated after
// construction. Texts are kept in the target's narrow text (the ANSI code
// page on Windows, UTF-8 on Linux), the address cut to what an activity
// keeps, the title to what a window title holds.
//
// Thread safety: every operation may be called from any thread; the listener
// thread writes while the capturing thread reads. HasProcess takes no lock
// and makes no system call while no window is known at all.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "sensing/browser_base.h"
#include "sensing/browser_report.h"
#include "sensing/process.h"

class CBrowserReports {
public:
    static constexpr int kCapacity = 32;
    // A window title at least this long may have been cut by the capture,
    // so a tab title that merely begins with it still matches.
    static constexpr size_t kCutTitleLength = 200;

    // Shown: the window's entry takes the report (a new window takes a free
    // entry, else the one reported longest ago). Closed: the window is
    // forgotten. `connection` is the host connection it came through.
    void Apply(uint32_t connection, const CBrowserReport& report);
    // Forgets every window reported through `connection` (its host ended).
    void ForgetConnection(uint32_t connection);
    void Clear();

    // Moves on with every Apply, ForgetConnection and Clear: while it stays,
    // every answer below stays.
    uint64_t Changes() const { return m_changes.load(std::memory_order_acquire); }
    // True when some window of the process is known.
    bool HasProcess(uint32_t processId) const;
    // The address of the window of the process whose title `windowTitle`
    // shows: its reported tab title begins the window title (browsers add
    // their name after it), or, for a long window title that the capture may
    // have cut, the tab title begins with it. Among several such windows the
    // one reported last. 1 and the address in `buffer` (terminated, cut to
    // size - 1 bytes); 0 no such window; -1 no buffer or size below 1.
    int FindAddress(uint32_t processId, const char* windowTitle, char* buffer, int size) const;

private:
    struct CEntry {
        bool used = false;
        uint32_t connection = 0;
        uint32_t processId = 0;
        int64_t windowId = 0;
        uint64_t sequence = 0;  // when it was last reported
        char url[CBrowserBase::kAddressSize] = {};
        char title[CWinProcess::kTitleSize] = {};
    };

    CEntry* EntryFor(uint32_t connection, const CBrowserReport& report);
    void Forget(CEntry& entry);

    mutable std::mutex m_mutex;
    std::atomic<int> m_used{0};
    std::atomic<uint64_t> m_changes{0};
    uint64_t m_sequence = 0;
    CEntry m_entries[kCapacity];
};

// The collector's one table.
CBrowserReports& BrowserReports();
