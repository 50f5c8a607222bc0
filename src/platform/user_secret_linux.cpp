#include <cstring>

#include "platform/registry.h"
#include "platform/user_secret.h"

namespace {
constexpr uint32_t kMaxSecretBytes = 4096;
}  // namespace

int ReadUserSecret(const char* keyPath, const char* name, std::string& secret, std::string& notice) {
    secret.clear();
    notice.clear();
    char text[kMaxSecretBytes];
    uint32_t size = sizeof(text), type = REGISTRY_TYPE_NONE;
    if (Registry().QueryValue(REGISTRY_LOCAL_MACHINE, keyPath, name, text, size, type) != 1 ||
        type != REGISTRY_TYPE_STRING)
        return 0;
    secret.assign(text, strnlen(text, size));
    return secret.empty() ? 0 : 1;
}
