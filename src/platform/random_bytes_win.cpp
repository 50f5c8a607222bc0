#include <windows.h>
// windows.h first: the header below needs its types.
#include <bcrypt.h>

#include "platform/random_bytes.h"

int RandomBytes(void* out, size_t count) {
    const NTSTATUS status =
        BCryptGenRandom(nullptr, static_cast<PUCHAR>(out), static_cast<ULONG>(count), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    return status >= 0 ? 1 : 0;
}
