#pragma once
// An ordered list that owns copies of records.
//
// Records go in and come out as copies, never by reference. The record type T
// supplies:
//   - a clearing default constructor and a copy that copies every field;
//   - bool Matches(const T& record) const, called on a probe: when the
//     probe's id is non-zero, equal ids; otherwise the record type's
//     identifying fields;
//   - bool HasData() const, used by the row callbacks to drop empty rows.
// Not thread-safe.

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

template <class T>
class CBaseStorage {
public:
    // Appends a copy at the end. 1; -4 when memory runs out (the list is unchanged).
    int Push(const T& record) {
        try {
            m_records.push_back(record);
        } catch (const std::bad_alloc&) {
            return -4;
        }
        return 1;
    }

    // Copies the record at `index` into `out`; the record stays in the list.
    // 1; 0 the list is empty; -1 `index` is beyond the last record.
    int Pop(int32_t index, T& out) const {
        if (m_records.empty()) return 0;
        if (index < 0 || static_cast<std::size_t>(index) >= m_records.size()) return -1;
        out = m_records[static_cast<std::size_t>(index)];
        return 1;
    }

    int32_t Count() const { return static_cast<int32_t>(m_records.size()); }
    void Clear() { m_records.clear(); }

    // Appends copies of all records of `other` in their order; nothing when
    // `other` is this list. 1; -4 when memory runs out (nothing appended).
    int AppendFrom(const CBaseStorage& other) {
        if (&other == this) return 1;
        try {
            m_records.insert(m_records.end(), other.m_records.begin(), other.m_records.end());
        } catch (const std::bad_alloc&) {
            return -4;
        }
        return 1;
    }

    // Searches from the last record towards the first for one that `probe`
    // matches and copies it into `probe`. 1 found; 0 not found; -8 empty list.
    int Find(T& probe) const {
        const std::size_t index = FindIndex(probe);
        if (index == kNotFound) return m_records.empty() ? -8 : 0;
        probe = m_records[index];
        return 1;
    }

    // As Find; the found record is also moved to the end of the list.
    int FindAndMoveLast(T& probe) {
        const std::size_t index = FindIndex(probe);
        if (index == kNotFound) return m_records.empty() ? -8 : 0;
        T found = m_records[index];
        m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(index));
        m_records.push_back(found);  // cannot grow: one record was just removed
        probe = found;
        return 1;
    }

private:
    static constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

    std::size_t FindIndex(const T& probe) const {
        for (std::size_t i = m_records.size(); i-- > 0;)
            if (probe.Matches(m_records[i])) return i;
        return kNotFound;
    }

    std::vector<T> m_records;
};
