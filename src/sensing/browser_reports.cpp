#include "sensing/browser_reports.h"

#include <cstring>
#include <string>

#include "platform/text.h"

namespace {
// The report's UTF-8 text as the target's narrow text in `out`, cut to
// `outSize` - 1 bytes.
void StoreText(std::string_view utf8, char* out, int outSize) {
    const std::string terminated(utf8);
    if (Utf8ToAnsi(terminated.c_str(), out, outSize) == 0) out[0] = '\0';
}

bool TitleMatches(const char* windowTitle, const char* reported) {
    if (!windowTitle || !*windowTitle || !*reported) return false;
    const size_t window = std::strlen(windowTitle);
    const size_t tab = std::strlen(reported);
    if (window >= tab) return std::strncmp(windowTitle, reported, tab) == 0;
    return window >= CBrowserReports::kCutTitleLength && std::strncmp(reported, windowTitle, window) == 0;
}
}  // namespace

CBrowserReports::CEntry* CBrowserReports::EntryFor(uint32_t connection, const CBrowserReport& report) {
    CEntry* free = nullptr;
    CEntry* oldest = &m_entries[0];
    for (CEntry& entry : m_entries) {
        if (entry.used && entry.connection == connection && entry.processId == report.processId &&
            entry.windowId == report.windowId)
            return &entry;
        if (!entry.used && !free) free = &entry;
        if (entry.sequence < oldest->sequence) oldest = &entry;
    }
    return free ? free : oldest;
}

void CBrowserReports::Forget(CEntry& entry) {
    if (!entry.used) return;
    entry = CEntry();
    m_used.fetch_sub(1, std::memory_order_release);
}

void CBrowserReports::Apply(uint32_t connection, const CBrowserReport& report) {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_changes.fetch_add(1, std::memory_order_release);
    CEntry* entry = EntryFor(connection, report);
    const bool known = entry->used && entry->connection == connection && entry->processId == report.processId &&
                       entry->windowId == report.windowId;
    if (report.kind == CBrowserReport::kClosed) {
        if (known) Forget(*entry);
        return;
    }
    if (!entry->used) m_used.fetch_add(1, std::memory_order_release);
    entry->used = true;
    entry->connection = connection;
    entry->processId = report.processId;
    entry->windowId = report.windowId;
    entry->sequence = ++m_sequence;
    StoreText(report.url, entry->url, sizeof(entry->url));
    StoreText(report.title, entry->title, sizeof(entry->title));
}

void CBrowserReports::ForgetConnection(uint32_t connection) {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_changes.fetch_add(1, std::memory_order_release);
    for (CEntry& entry : m_entries)
        if (entry.connection == connection) Forget(entry);
}

void CBrowserReports::Clear() {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_changes.fetch_add(1, std::memory_order_release);
    for (CEntry& entry : m_entries)
        Forget(entry);
}

bool CBrowserReports::HasProcess(uint32_t processId) const {
    if (m_used.load(std::memory_order_acquire) == 0) return false;
    std::lock_guard<std::mutex> hold(m_mutex);
    for (const CEntry& entry : m_entries)
        if (entry.used && entry.processId == processId) return true;
    return false;
}

int CBrowserReports::FindAddress(uint32_t processId, const char* windowTitle, char* buffer, int size) const {
    if (!buffer || size < 1) return -1;
    std::lock_guard<std::mutex> hold(m_mutex);
    const CEntry* found = nullptr;
    for (const CEntry& entry : m_entries)
        if (entry.used && entry.processId == processId && TitleMatches(windowTitle, entry.title) &&
            (!found || entry.sequence > found->sequence))
            found = &entry;
    if (!found) return 0;
    CopyTextCut(buffer, found->url, static_cast<size_t>(size - 1));
    return 1;
}

CBrowserReports& BrowserReports() {
    static CBrowserReports reports;
    return reports;
}
