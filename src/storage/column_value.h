#pragma once
// Conversions of the column values of a result row, which SQLite hands to a
// row callback as texts. Both read an optional sign and the leading digits,
// as atol does, and give 0 for a null or non-numeric text; out-of-range
// values are clamped instead of overflowing.

#include <cstdint>

int32_t ColumnInt32(const char* value);
int64_t ColumnInt64(const char* value);
// `number` limited to the 32-bit range, as ColumnInt32 limits a column's value.
int32_t ClampToInt32(int64_t number);
