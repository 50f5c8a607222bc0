// Fuzzes the splitting of a browser's DDE reply: any bytes, any title size.
// The reply and the title live in heap blocks of exactly their sizes, so the
// address sanitizer sees every write outside them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sensing/dde_client.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int titleSize = data[0] % 64 + 1;
    const std::vector<char> original(data + 1, data + size);
    const int count = static_cast<int>(original.size());
    std::vector<char> reply(original);
    std::vector<char> title(static_cast<size_t>(titleSize), 'x');
    CDDEClient::SplitReply(reply.data(), count, title.data(), titleSize);

    const void* comma = std::memchr(original.data(), ',', original.size());
    if (!comma) {
        if (reply != original) std::abort();  // a reply without a comma stays as it was
        return 0;
    }
    const int commaAt = static_cast<int>(static_cast<const char*>(comma) - original.data());
    if (!std::memchr(title.data(), '\0', title.size())) std::abort();  // the title is terminated
    const size_t address = strnlen(reply.data(), reply.size());
    if (address == reply.size()) std::abort();  // the address is terminated
    // The address comes from between the first character and the comma.
    if (commaAt < 2 ? address != 0 : std::memcmp(reply.data(), original.data() + 1, address) != 0) std::abort();
    return 0;
}
