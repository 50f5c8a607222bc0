#pragma once
// The privacy setting "Keep Details Days" (a DWORD of the key
// HKEY_LOCAL_MACHINE\SOFTWARE\Belvane\Orvanta\Privacy): for how many days
// the stored rows keep their titles, addresses and descriptions. 0, a
// missing value or key: for ever.

#include <cstdint>

#include "core/privacy_settings.h"

inline constexpr char kKeepDetailsDaysValue[] = "Keep Details Days";

// The number of days; 0 for ever. Values above about 270 years count as for ever.
uint32_t ReadKeepDetailsDays();
