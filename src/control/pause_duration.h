#pragma once
// The length of a pause of the collector, as people type it and as the
// collector's log and the control tools say it.
//
// Typed: hours, minutes and seconds, each at most once and in that order, at
// least one of them, each a whole number followed by its unit letter: "30m",
// "2h", "1h30m", "90s", "1h0m5s". Upper-case units are taken too. The whole
// lasts 1 second to 24 hours (kMaxPauseSeconds). No spaces, no sign, no
// fractions, no bare number (is "30" minutes or seconds?).
// Said: "45 min", "1 h 30 min", "2 h", under a minute "40 s"; minutes are
// rounded down.

#include <cstdint>
#include <string>

inline constexpr int64_t kMaxPauseSeconds = 24 * 3600;

// The seconds of `text`. False with a one-line reason in `error` (naming
// the text, its first 40 bytes with any but printable ASCII as '?') when it
// is not a length as above.
bool ParsePauseDuration(const std::string& text, int64_t& seconds, std::string& error);
// `seconds` (0 or more) as said above.
std::string PauseLengthText(int64_t seconds);
// What a request to pause for `seconds` (0: the rest of the day) is said to
// do: "pause requested for 45 min", "pause requested until the end of the day".
std::string PauseRequestText(int64_t seconds);
