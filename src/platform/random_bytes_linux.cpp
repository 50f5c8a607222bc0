#include <sys/random.h>

#include <cerrno>

#include "platform/random_bytes.h"

int RandomBytes(void* out, size_t count) {
    auto* bytes = static_cast<unsigned char*>(out);
    size_t done = 0;
    while (done < count) {
        const ssize_t got = getrandom(bytes + done, count - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        done += static_cast<size_t>(got);
    }
    return 1;
}
