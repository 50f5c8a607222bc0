#pragma once
// Reading members of a parsed JSON object the way the response parsers need
// them: a member that is missing or of another kind reads as nothing (0 or no
// text), and never throws.

#include <cstddef>
#include <nlohmann/json_fwd.hpp>

// The member `name` of `object` when it is itself an object, else nullptr.
const nlohmann::json* ObjectMember(const nlohmann::json& object, const char* name);
// The member `name` of `object` when it is an array, else nullptr.
const nlohmann::json* ArrayMember(const nlohmann::json& object, const char* name);
// The text of the string member `name`, else nullptr.
const char* TextMember(const nlohmann::json& object, const char* name);
// The number member `name` without its fraction, limited to the 32-bit range;
// 0 when missing or not a number.
int NumberMember(const nlohmann::json& object, const char* name);
// The string member `name` read as a decimal number (leading blanks and a
// sign allowed, reading stops at the first other character, as atoi does),
// limited to the 32-bit range; 0 when missing or not a string. JIRA sends ids
// as texts ("id":"10000").
int TextNumberMember(const nlohmann::json& object, const char* name);
// The string member `name` converted from UTF-8 to the system's narrow text
// into `out` (capacity outSize, terminator included), cut on a character
// boundary; copied unconverted when the conversion fails. Empty when missing.
void NarrowTextMember(const nlohmann::json& object, const char* name, char* out, size_t outSize);
