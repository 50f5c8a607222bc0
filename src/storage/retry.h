#pragma once
// The retry loop of database work that may meet a busy or locked file.

#include <cstdint>

#include "platform/clock.h"

// Runs `operation` up to `attempts` times, with a pause of `pauseMs` through
// the clock service between two attempts (none after a success or after the
// last attempt). Returns the result of the last attempt.
template <class Operation>
int RetryWithPause(int attempts, uint32_t pauseMs, Operation operation) {
    int result = operation();
    for (int attempt = 1; attempt < attempts && result != 1; ++attempt) {
        Clock().Sleep(pauseMs);
        result = operation();
    }
    return result;
}
