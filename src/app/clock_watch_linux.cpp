#include "app/clock_watch_linux.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>

CClockWatch::~CClockWatch() {
    if (m_fd >= 0) close(m_fd);
}

int CClockWatch::Open() {
    if (m_fd >= 0) return -7;
    m_fd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0) return -8;
    if (!Arm()) {
        const int error = errno;
        close(m_fd);
        m_fd = -1;
        errno = error;
        return -8;
    }
    return 1;
}

bool CClockWatch::Arm() {
    // An absolute expiry at the end of time: the timer only ever wakes up
    // through the cancellation that a clock change causes.
    itimerspec never{};
    never.it_value.tv_sec = std::numeric_limits<time_t>::max();
    return timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &never, nullptr) == 0;
}

bool CClockWatch::TakeChange() {
    if (m_fd < 0) return false;
    uint64_t expirations = 0;
    ssize_t n;
    do {
        n = read(m_fd, &expirations, sizeof(expirations));
    } while (n < 0 && errno == EINTR);
    if (n >= 0 || errno != ECANCELED) return false;
    // A cancelled timer stays cancelled (and readable) until it is set again.
    Arm();
    return true;
}
