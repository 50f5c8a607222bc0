#include "storage/column_value.h"

#include <cstdlib>

int64_t ColumnInt64(const char* value) {
    if (!value) return 0;
    return std::strtoll(value, nullptr, 10);
}

int32_t ColumnInt32(const char* value) { return ClampToInt32(ColumnInt64(value)); }

int32_t ClampToInt32(int64_t number) {
    if (number > INT32_MAX) return INT32_MAX;
    if (number < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(number);
}
