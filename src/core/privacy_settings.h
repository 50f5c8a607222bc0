#pragma once
// The private patterns of the user (privacy_rules.h), read from the registry
// key "SOFTWARE\Belvane\Orvanta\Privacy" of HKEY_LOCAL_MACHINE (the `.reg`
// file on Linux). Six string values, each a list of patterns separated by
// ';', of at most 65 535 characters:
//   "Programs details"  "Sites details"  "Titles details"
//   "Programs nothing"  "Sites nothing"  "Titles nothing"
// A missing key or value means no patterns of its kind; so does a longer
// value, which the registry service cannot tell from a missing one. The
// same key holds "Keep Details Days" (keep_details_setting.h).

#include "core/privacy_rules.h"

inline constexpr char kPrivacyKey[] = "SOFTWARE\\Belvane\\Orvanta\\Privacy";

// Replaces every list of `rules` with the registry's. 1; -4 out of memory
// (`rules` may hold some lists only: read into fresh rules and keep them on
// success only).
int LoadPrivacySettings(CPrivacyRules& rules);
