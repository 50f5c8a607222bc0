#include "collector_link.h"

#include <chrono>

CCollectorLink::CCollectorLink(std::string channel, std::function<void()> onConnected, uint32_t retryMs)
    : m_channel(std::move(channel)), m_onConnected(std::move(onConnected)), m_retryMs(retryMs) {
    m_thread = std::thread([this] { Run(); });
}

CCollectorLink::~CCollectorLink() {
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

int CCollectorLink::Send(const char* data, uint32_t size) {
    std::lock_guard<std::mutex> hold(m_mutex);
    if (!m_client.IsConnected()) return 0;
    if (m_client.Send(data, size) == 1) return 1;
    m_wake.notify_all();  // lost: look for the collector again at once
    return 0;
}

void CCollectorLink::Run() {
    std::unique_lock<std::mutex> hold(m_mutex);
    while (!m_stopping) {
        if (!m_client.IsConnected()) {
            if (m_client.Connect(m_channel) == 1) {
                hold.unlock();
                m_onConnected();
                hold.lock();
                continue;
            }
        } else {
            m_client.Check();  // closes a connection whose collector has gone
            if (!m_client.IsConnected()) continue;
        }
        m_wake.wait_for(hold, std::chrono::milliseconds(m_retryMs));
    }
}
