#pragma once
// Waiting in tests: a condition is polled until it holds or a limit passes.
// The limits are generous on purpose: on a loaded machine a collector may
// take many seconds for what it does at once when alone, and a limit only
// costs time when a test fails anyway.
#include <chrono>
#include <functional>
#include <thread>

// Polls `done` every 50 ms; true as soon as it holds, false when it still
// does not after `limitMs`.
inline bool WaitUntil(const std::function<bool()>& done, int limitMs = 60000) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}
