#pragma once
// The capture of a thread that captures again and again (the check of every
// second): it repeats its last capture instead of making a new one while
// nothing that capture was made from can have changed, so that a check while
// the user reads, or is away, asks the desktop nothing. It repeats only a
// capture that CWinActivity::IsRepeatable calls so, and only while neither
// the desktop service's ChangeCount nor the browser reports' Changes moved
// since just before that capture; a desktop that cannot tell (ChangeCount 0)
// is captured every time.
//
// One memo per capturing thread; not thread-safe.

#include <cstdint>

#include "sensing/activity.h"

class CCaptureMemo {
public:
    // `activity` (its user already set, as Capture expects) receives a new
    // capture, or a copy of the last one, with its user. Capture's result.
    int Capture(CWinActivity& activity);
    // True when the last capture is held, the desktop's count has not moved
    // since (`desktopChanges`, read now) and no browser extension reports on
    // the program in front: then only the desktop's ChangeNotice can tell of
    // what would change the next capture.
    bool Quiet(uint64_t desktopChanges) const;

private:
    // True when m_last may stand for a capture made with these counts.
    bool Holds(uint64_t desktopChanges, uint64_t browserChanges) const;

    bool m_held = false;  // m_last may be repeated while the counts stay
    bool m_reportedInFront = false;  // the browser extension reports on m_last's program
    uint64_t m_desktopChanges = 0;
    uint64_t m_browserChanges = 0;
    CWinActivity m_last;
};
