// Placeholder until the real registry service lands: every key is missing.
#include "platform/registry.h"

namespace {
class CNoRegistry : public CRegistryService {
public:
    int QueryValue(RegistryRoot, const char*, const char*, void*, uint32_t&, uint32_t&) override { return -401; }
};
}  // namespace

CRegistryService& SystemRegistry() {
    static CNoRegistry registry;
    return registry;
}
