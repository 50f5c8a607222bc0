#pragma once
// Unpredictable bytes from the operating system's random source, for secrets.
//
// Linux: getrandom(2) (blocks only until the kernel's pool is first
// seeded). Windows: BCryptGenRandom with the system's preferred generator.

#include <cstddef>

// Fills `count` bytes at `out`. 1 done; 0 the source failed (nothing usable
// was written: the caller must not make a secret of it).
int RandomBytes(void* out, size_t count);
