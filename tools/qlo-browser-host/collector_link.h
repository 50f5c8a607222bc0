#pragma once
// The host's connection to the collector over the user's local channel.
//
// Nothing is kept for later: a report that cannot be sent now is dropped.
// Instead, while no collector is connected, a thread of the link tries to
// connect every `retryMs`; whenever it connects (at the start, after the
// collector started late or restarted) it calls `onConnected`, through which
// the host asks the browser to tell the current state again. While connected
// it checks as often that the collector is still there.
//
// Thread safety: Send may be called from any thread; onConnected runs on the
// link's thread.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/local_channel.h"

class CCollectorLink {
public:
    CCollectorLink(std::string channel, std::function<void()> onConnected, uint32_t retryMs);
    // Ends the thread and the connection.
    ~CCollectorLink();
    CCollectorLink(const CCollectorLink&) = delete;
    CCollectorLink& operator=(const CCollectorLink&) = delete;

    // 1 sent; 0 dropped (no collector, or it went away now).
    int Send(const char* data, uint32_t size);

private:
    void Run();

    const std::string m_channel;
    const std::function<void()> m_onConnected;
    const uint32_t m_retryMs;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    CLocalChannelClient m_client;
    std::thread m_thread;
};
