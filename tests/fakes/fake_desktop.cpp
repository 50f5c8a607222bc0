#include "fakes/fake_desktop.h"

#include <chrono>
#include <cstring>

#include "platform/clock.h"
#include "platform/text.h"

CFakeDesktop::CFakeDesktop() { m_previous = SetDesktop(this); }

CFakeDesktop::~CFakeDesktop() { SetDesktop(m_previous); }

CFakeWindow* CFakeDesktop::Find(WindowHandle window) {
    for (CEntry& entry : m_windows)
        if (entry.first == window) return &entry.second;
    return nullptr;
}

void CFakeDesktop::AddWindow(WindowHandle window, const CFakeWindow& description) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (CFakeWindow* known = Find(window))
        *known = description;
    else
        m_windows.emplace_back(window, description);
    Changed();
}

void CFakeDesktop::Show(WindowHandle window, uint32_t processId, const std::string& title) {
    CFakeWindow description;
    description.title = title;
    description.processId = processId;
    AddWindow(window, description);
    SetForeground(window);
}

void CFakeDesktop::SetTitle(WindowHandle window, const std::string& title) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (CFakeWindow* known = Find(window)) known->title = title;
    Changed();
}

void CFakeDesktop::SetVisible(WindowHandle window, bool visible) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (CFakeWindow* known = Find(window)) known->visible = visible;
    Changed();
}

void CFakeDesktop::FailTitleRead(WindowHandle window, bool fail) {
    std::lock_guard<std::mutex> guard(m_mutex);
    if (CFakeWindow* known = Find(window)) known->titleReadFails = fail;
    Changed();
}

void CFakeDesktop::SetForeground(WindowHandle window, int missedCalls) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_foreground = window;
    m_missedCalls = missedCalls;
    Changed();
}

void CFakeDesktop::SetDesktopWindow(WindowHandle window) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_desktop = window;
    Changed();
}

void CFakeDesktop::SetIdleMilliseconds(uint32_t milliseconds) {
    const uint32_t now = Clock().TickCount();
    std::lock_guard<std::mutex> guard(m_mutex);
    m_lastInputTick = now - milliseconds;
    Changed();
}

void CFakeDesktop::FailLastInput(bool fail) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_failLastInput = fail;
    Changed();
}

void CFakeDesktop::CountChanges() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_changeCount = 1;
}

void CFakeDesktop::Changed() {
    if (m_changeCount != 0) ++m_changeCount;
}

uint64_t CFakeDesktop::ChangeCount() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_changeCount;
}

void CFakeDesktop::SetChangeNotice(std::intptr_t handle) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_changeNotice = handle;
}

std::intptr_t CFakeDesktop::ChangeNotice() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_changeCount != 0 ? m_changeNotice : -1;
}

int CFakeDesktop::FindWindowCalls() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_findWindowCalls;
}

int CFakeDesktop::ForegroundCalls() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_foregroundCalls;
}

void CFakeDesktop::OwnWindow(WindowHandle window) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_ownedWindow = window;
    m_owner = std::this_thread::get_id();
}

void CFakeDesktop::AnswerSentMessages() {
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_answered = m_sent;
    }
    m_changed.notify_all();
}

int CFakeDesktop::SentMessageTimeouts() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_sentTimeouts;
}

bool CFakeDesktop::Answered(std::unique_lock<std::mutex>& lock, WindowHandle window) {
    if (window == 0 || window != m_ownedWindow || std::this_thread::get_id() == m_owner) return true;
    const uint64_t ticket = ++m_sent;
    if (m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_answered >= ticket; })) return true;
    ++m_sentTimeouts;
    return false;
}

void CFakeDesktop::HoldForegroundQuery() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_holdArmed = true;
    m_holdSetter = std::this_thread::get_id();
}

bool CFakeDesktop::WaitForHeldQuery(int limitMs) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(limitMs), [&] { return m_held; });
}

void CFakeDesktop::ReleaseForegroundQuery() {
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_holdArmed = false;
        m_held = false;
    }
    m_changed.notify_all();
}

WindowHandle CFakeDesktop::GetForegroundWindow() {
    std::unique_lock<std::mutex> guard(m_mutex);
    if (m_holdArmed && std::this_thread::get_id() != m_holdSetter) {
        m_holdArmed = false;
        m_held = true;
        m_changed.notify_all();
        m_changed.wait(guard, [&] { return !m_held; });
    }
    ++m_foregroundCalls;
    if (m_missedCalls > 0) {
        --m_missedCalls;
        return 0;
    }
    return m_foreground;
}

WindowHandle CFakeDesktop::GetDesktopWindow() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_desktop;
}

int CFakeDesktop::GetWindowTextLength(WindowHandle window) {
    std::unique_lock<std::mutex> guard(m_mutex);
    if (!Answered(guard, window)) return 0;
    const CFakeWindow* known = Find(window);
    return known ? static_cast<int>(known->title.size()) : 0;
}

int CFakeDesktop::GetWindowText(WindowHandle window, char* buffer, int limit) {
    if (!buffer || limit < 1) return 0;
    buffer[0] = '\0';
    std::unique_lock<std::mutex> guard(m_mutex);
    if (!Answered(guard, window)) return 0;
    const CFakeWindow* known = Find(window);
    if (!known || known->titleReadFails) return 0;
    return static_cast<int>(CopyTextCut(buffer, known->title.c_str(), static_cast<size_t>(limit - 1)));
}

uint32_t CFakeDesktop::GetWindowProcessId(WindowHandle window) {
    std::lock_guard<std::mutex> guard(m_mutex);
    const CFakeWindow* known = Find(window);
    return known ? known->processId : 0;
}

bool CFakeDesktop::GetLastInputTick(uint32_t& tick) {
    const uint32_t now = Clock().TickCount();
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_failLastInput) return false;
    tick = m_lastInputTick.value_or(now);
    return true;
}

WindowHandle CFakeDesktop::FindWindow(const char* className) {
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_findWindowCalls;
    for (const CEntry& entry : m_windows)
        if (entry.second.parent == 0 && className && entry.second.className == className) return entry.first;
    return 0;
}

WindowHandle CFakeDesktop::FindChildWindow(WindowHandle parent, WindowHandle after, const char* className) {
    std::lock_guard<std::mutex> guard(m_mutex);
    bool passed = after == 0;
    for (const CEntry& entry : m_windows) {
        if (entry.second.parent != parent || !parent) continue;
        if (!passed) {
            passed = entry.first == after;
            continue;
        }
        if (className && entry.second.className == className) return entry.first;
    }
    return 0;
}

bool CFakeDesktop::IsWindowVisible(WindowHandle window) {
    std::lock_guard<std::mutex> guard(m_mutex);
    const CFakeWindow* known = Find(window);
    return known && known->visible;
}
