#include "sensing/process_name_cache.h"

#include "platform/service_slot.h"
#include "platform/text.h"

CProcessNameCache& CProcessNameCache::ForThisThread() {
    thread_local CProcessNameCache cache;
    return cache;
}

bool CProcessNameCache::Lookup(WindowHandle window, CWinProcess& process) const {
    if (!m_window || window != m_window || process.GetProcessId() != m_processId ||
        g_serviceReplacements.load(std::memory_order_acquire) != m_services)
        return false;
    process.SetFileName(m_fileName);
    process.SetPath(m_path);
    return true;
}

void CProcessNameCache::Remember(WindowHandle window, const CWinProcess& process) {
    m_window = process.GetProcessId() ? window : 0;  // an unknown owner is named afresh
    m_processId = process.GetProcessId();
    m_services = g_serviceReplacements.load(std::memory_order_acquire);
    CopyTextCut(m_fileName, process.GetFileName(), sizeof(m_fileName) - 1);
    CopyTextCut(m_path, process.GetPath(), sizeof(m_path) - 1);
}
