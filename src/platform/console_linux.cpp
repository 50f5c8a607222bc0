#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>

#include "platform/console.h"

namespace {
volatile std::sig_atomic_t g_stopRequested = 0;
// Written by the signal handler, so that a wait wakes at once.
int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
    g_stopRequested = 1;
    const int saved = errno;
    const char byte = 1;
    if (write(g_stopPipe[1], &byte, 1) < 0) {
        // The pipe is full: a wake-up is pending already.
    }
    errno = saved;
}
}  // namespace

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool StandardInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

void UseUtf8Console() {}

void WatchStopRequests() {
    if (g_stopPipe[0] < 0 && pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) g_stopPipe[0] = g_stopPipe[1] = -1;
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls of the work in progress (a server's answer
    // being read) go on; the work looks at StopRequested between steps.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return g_stopRequested != 0; }

bool WaitForStopRequest(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!StopRequested()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        pollfd wake = {g_stopPipe[0], POLLIN, 0};
        if (g_stopPipe[0] < 0) {
            // No pipe: look again every 100 ms.
            usleep(static_cast<useconds_t>(std::min<long long>(left, 100) * 1000));
        } else if (poll(&wake, 1, static_cast<int>(left)) > 0) {
            char bytes[16];
            while (read(g_stopPipe[0], bytes, sizeof bytes) > 0) {
            }
        }
    }
    return true;
}

std::string ComputerName() {
    char host[256] = {};
    return gethostname(host, sizeof host - 1) == 0 ? host : "";
}
