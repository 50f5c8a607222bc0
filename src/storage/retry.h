#pragma once
// The retry loop of database work that may meet a busy or locked file.

#include <cstdint>

#include "platform/clock.h"

// Runs `operation` up to `attempts` times; every attempt whose result is not 1
// is followed by a pause of `pauseMs` through the clock service (the last one
// too). Returns the result of the last attempt.
template <class Operation>
int RetryWithPause(int attempts, uint32_t pauseMs, Operation operation) {
    int result = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        result = operation();
        if (result == 1) break;
        Clock().Sleep(pauseMs);
    }
    return result;
}
