#pragma once
// The names of the process behind the window in front, remembered per
// capturing thread from one capture to the next.
//
// A window belongs to one process for its whole life, so while the same
// window of the same process stays in front, naming the process again (a walk
// of the process list on Windows, /proc lookups on Linux, every second) would
// only repeat the last answer. Only complete answers are remembered; a
// replaced platform service (a test's fake) makes the cache forget.
//
// Thread safety: one cache per thread (thread_local), no locking.

#include "platform/desktop.h"
#include "sensing/process.h"

class CProcessNameCache {
public:
    // The cache of the calling thread.
    static CProcessNameCache& ForThisThread();

    // Copies the remembered file name and path into `process` when `window`
    // and the process id are those of the last remembered answer; false otherwise.
    bool Lookup(WindowHandle window, CWinProcess& process) const;
    // Remembers the names of `process` as the answer for `window`.
    void Remember(WindowHandle window, const CWinProcess& process);
    void Forget() { m_window = 0; }

private:
    WindowHandle m_window = 0;  // 0: nothing remembered
    uint32_t m_processId = 0;
    uint32_t m_services = 0;  // g_serviceReplacements when remembered
    char m_fileName[CProcess::kFileNameSize] = {};
    char m_path[CProcess::kPathSize] = {};
};
