#include "storage/db_app.h"

#include <cstring>

#include "storage/column_value.h"
#include "storage/field_text.h"

CDBApp::CDBApp(int32_t id, const char* fileName, const char* path, int64_t createDate)
    : m_id(id), m_createDate(createDate) {
    CopyField(m_fileName, fileName);
    CopyField(m_path, path);
}

bool CDBApp::Matches(const CDBApp& record) const {
    if (m_id != 0) return m_id == record.m_id;
    return SameField(m_fileName, record.m_fileName) && SameField(m_path, record.m_path);
}

bool CDBApp::HasData() const { return m_id > 0 || m_fileName[0] != '\0' || m_path[0] != '\0'; }

void CDBApp::SetColumn(const char* column, const char* value) {
    if (!value) return;
    if (!std::strcmp(column, "Id_App"))
        m_id = ColumnInt32(value);
    else if (!std::strcmp(column, "FileName"))
        CopyField(m_fileName, value);
    else if (!std::strcmp(column, "Path"))
        CopyField(m_path, value);
    else if (!std::strcmp(column, "CreateDate"))
        m_createDate = ColumnInt64(value);
}
