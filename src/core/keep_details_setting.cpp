#include "core/keep_details_setting.h"

#include "core/registry_value.h"

namespace {
constexpr uint32_t kLongestDays = 100000;
}  // namespace

uint32_t ReadKeepDetailsDays() {
    CRegistryValue value;
    if (value.Prepare(REGISTRY_KIND_NUMBER) != 1) return 0;
    if (ReadRegistryValue(REGISTRY_LOCAL_MACHINE, kPrivacyKey, kKeepDetailsDaysValue, value) != 1) return 0;
    return value.Number() > kLongestDays ? 0 : value.Number();
}
