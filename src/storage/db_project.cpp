#include "storage/db_project.h"

#include <cstring>

#include "storage/column_value.h"
#include "storage/field_text.h"

CDBProject::CDBProject(int32_t idProject, const char* name, const char* description, int64_t createDate, int32_t status,
                       int32_t externalPMSType, int32_t externalId, const char* externalKey, int32_t deleted,
                       int64_t deleteDate)
    : m_idProject(idProject),
      m_status(status),
      m_createDate(createDate),
      m_externalPMSType(externalPMSType),
      m_externalId(externalId),
      m_deleted(deleted),
      m_deleteDate(deleteDate) {
    SetName(name);
    SetDescription(description);
    SetExternalKey(externalKey);
}

bool CDBProject::Matches(const CDBProject& record) const {
    if (m_idProject != 0) return m_idProject == record.m_idProject;
    return SameField(m_name, record.m_name) && m_externalPMSType == record.m_externalPMSType &&
           m_deleted == record.m_deleted;
}

bool CDBProject::HasData() const { return m_idProject > 0 || m_name[0] != '\0' || m_description[0] != '\0'; }

void CDBProject::SetColumn(const char* column, const char* value) {
    if (!value) return;
    if (!std::strcmp(column, "Id_Project"))
        m_idProject = ColumnInt32(value);
    else if (!std::strcmp(column, "Name"))
        SetName(value);
    else if (!std::strcmp(column, "Description"))
        SetDescription(value);
    else if (!std::strcmp(column, "Status"))
        m_status = ColumnInt32(value);
    else if (!std::strcmp(column, "CreateDate"))
        m_createDate = ColumnInt64(value);
    else if (!std::strcmp(column, "ExternalPMSType"))
        m_externalPMSType = ColumnInt32(value);
    else if (!std::strcmp(column, "ExternalId"))
        m_externalId = ColumnInt32(value);
    else if (!std::strcmp(column, "ExternalKey"))
        SetExternalKey(value);
    else if (!std::strcmp(column, "Deleted"))
        m_deleted = ColumnInt32(value);
    else if (!std::strcmp(column, "DeleteDate"))
        m_deleteDate = ColumnInt64(value);
}

void CDBProject::SetName(const char* name) { CopyField(m_name, name); }
void CDBProject::SetDescription(const char* description) { CopyField(m_description, description); }
void CDBProject::SetExternalKey(const char* key) { CopyField(m_externalKey, key); }
