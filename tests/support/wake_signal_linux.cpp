#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "support/wake_signal.h"

CWakeSignal::CWakeSignal() : m_handle(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CWakeSignal::~CWakeSignal() {
    if (m_handle >= 0) close(static_cast<int>(m_handle));
}

void CWakeSignal::Signal() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(static_cast<int>(m_handle), &one, sizeof one);
}

void CWakeSignal::Reset() {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t drained = read(static_cast<int>(m_handle), &count, sizeof count);
}
