#include "storage/group_item.h"

#include <cstring>

#include "sensing/time_stamp.h"
#include "storage/column_value.h"

bool CGroupItem::Matches(const CGroupItem& record) const {
    if (m_id != 0) return m_id == record.m_id;
    return m_duration == record.m_duration;
}

bool CGroupItem::HasData() const { return m_id > 0 || m_duration != 0 || m_formatedDuration != 0; }

void CGroupItem::SetColumn(const char* column, const char* value) {
    if (!value) return;
    if (!std::strcmp(column, "Id_TOP")) {
        m_id = ColumnInt32(value);
    } else if (!std::strcmp(column, "TOP_Duration")) {
        m_duration = ColumnInt64(value);
        if (m_duration != 0) m_formatedDuration = PackTimeStamp(SplitDuration(m_duration));
    }
}
