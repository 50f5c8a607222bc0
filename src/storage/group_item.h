#pragma once
// One row of a report query: the grouped key (an application, user, task ...)
// and the time summed over it, in seconds and as a packed duration.

#include <cstdint>

class CGroupItem {
public:
    CGroupItem() = default;
    CGroupItem(int32_t id, int64_t duration, int64_t formatedDuration)
        : m_id(id), m_duration(duration), m_formatedDuration(formatedDuration) {}

    // Probe rule: a non-zero id matches the same id; id 0 the same duration.
    bool Matches(const CGroupItem& record) const;
    // A positive id or a non-zero duration.
    bool HasData() const;
    // "Id_TOP" is the key; "TOP_Duration" the summed seconds, read as a
    // 64-bit number, which also sets the packed duration.
    void SetColumn(const char* column, const char* value);

    int32_t GetId() const { return m_id; }
    int64_t GetDuration() const { return m_duration; }
    int64_t GetFormatedDuration() const { return m_formatedDuration; }

private:
    int32_t m_id = 0;
    int64_t m_duration = 0;
    int64_t m_formatedDuration = 0;
};
