// The first-start catalogue of Windows is the catalogue as it is: no rules added.
#include "core/first_start_catalogue.h"

std::span<const CSeedRule> PlatformSeedRules(const CSeedProject&, const CSeedTask&) { return {}; }

size_t PlatformSeedRuleCount() { return 0; }
