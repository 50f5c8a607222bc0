#pragma once
// One process-wide instance of a platform service that tests can replace.
//
// Every service interface (clock, desktop, processes, registry, folders, DDE)
// has one default implementation per operating system. Production code reaches
// it through the slot; a test installs a fake with Replace() and puts the
// previous instance back when it is done.
//
// Thread safety: Get() and Replace() may be called from any thread; replacing
// a service while another thread is inside one of its calls is the caller's
// problem (tests replace services before they start the code under test).

#include <atomic>
#include <cstdint>

// Counts the replacements of any platform service, so that what was learnt
// from one service instance (a cached answer) is not taken for another's.
inline std::atomic<uint32_t> g_serviceReplacements{0};

template <class Service>
class CServiceSlot {
public:
    explicit CServiceSlot(Service& defaultService) : m_default(defaultService), m_current(&defaultService) {}

    Service& Get() const { return *m_current.load(std::memory_order_acquire); }

    // Installs `service` (nullptr: the default again) and returns the one it replaces.
    Service* Replace(Service* service) {
        g_serviceReplacements.fetch_add(1, std::memory_order_acq_rel);
        return m_current.exchange(service ? service : &m_default, std::memory_order_acq_rel);
    }

private:
    Service& m_default;
    std::atomic<Service*> m_current;
};
