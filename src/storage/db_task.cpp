#include "storage/db_task.h"

#include <cstring>

#include "storage/column_value.h"
#include "storage/field_text.h"

CDBTask::CDBTask(int32_t idTask, const char* name, int32_t idProject, int32_t idParentTask, const char* description,
                 int64_t createDate, int32_t status, int32_t externalPMSType, int32_t externalId,
                 int32_t externalStatus, const char* externalKey, const char* externalStatusName, int32_t isDefault,
                 int32_t deleted, int64_t deleteDate)
    : m_idTask(idTask),
      m_status(status),
      m_createDate(createDate),
      m_externalPMSType(externalPMSType),
      m_externalId(externalId),
      m_externalStatus(externalStatus),
      m_idProject(idProject),
      m_idParentTask(idParentTask),
      m_deleted(deleted),
      m_deleteDate(deleteDate),
      m_isDefault(isDefault) {
    SetName(name);
    SetDescription(description);
    SetExternalKey(externalKey);
    SetExternalStatusName(externalStatusName);
}

bool CDBTask::Matches(const CDBTask& record) const {
    if (m_idTask != 0) return m_idTask == record.m_idTask;
    if (!SameField(m_name, record.m_name) || m_externalPMSType != record.m_externalPMSType) return false;
    if (m_externalPMSType > 0 && m_idProject != record.m_idProject) return false;
    return m_deleted == record.m_deleted;
}

bool CDBTask::HasData() const {
    return m_idTask > 0 || m_name[0] != '\0' || m_idProject > 0 || m_description[0] != '\0';
}

void CDBTask::SetColumn(const char* column, const char* value) {
    if (!value) return;
    if (!std::strcmp(column, "Id_Task"))
        m_idTask = ColumnInt32(value);
    else if (!std::strcmp(column, "Id_Project"))
        m_idProject = ColumnInt32(value);
    else if (!std::strcmp(column, "Id_ParentTask"))
        m_idParentTask = ColumnInt32(value);
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
    else if (!std::strcmp(column, "ExternalStatus"))
        m_externalStatus = ColumnInt32(value);
    else if (!std::strcmp(column, "ExternalKey"))
        SetExternalKey(value);
    else if (!std::strcmp(column, "ExternalStatusName"))
        SetExternalStatusName(value);
    else if (!std::strcmp(column, "DeleteDate"))
        m_deleteDate = ColumnInt64(value);
    else if (!std::strcmp(column, "Deleted"))
        m_deleted = ColumnInt32(value);
    else if (!std::strcmp(column, "IsDefault"))
        m_isDefault = ColumnInt32(value);
}

void CDBTask::SetName(const char* name) { CopyField(m_name, name); }
void CDBTask::SetDescription(const char* description) { CopyField(m_description, description); }
void CDBTask::SetExternalKey(const char* key) { CopyField(m_externalKey, key); }
void CDBTask::SetExternalStatusName(const char* name) { CopyField(m_externalStatusName, name); }
