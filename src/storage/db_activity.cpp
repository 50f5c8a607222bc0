#include "storage/db_activity.h"

#include <cstring>

#include "storage/column_value.h"
#include "storage/field_text.h"

CDBActivity::CDBActivity(int32_t id, int64_t startDate, int64_t finishDate, int64_t duration, int64_t formatedDuration,
                         int32_t activityType, const char* title, int32_t idUser, int32_t idApp,
                         const char* description, int32_t idProject, int32_t idTask, const char* url, int32_t idSite,
                         int32_t logged)
    : m_id(id),
      m_startDate(startDate),
      m_finishDate(finishDate),
      m_duration(duration),
      m_formatedDuration(formatedDuration),
      m_activityType(activityType),
      m_idUser(idUser),
      m_idApp(idApp),
      m_idProject(idProject),
      m_idTask(idTask),
      m_idSite(idSite),
      m_logged(logged) {
    CopyField(m_title, title);
    CopyField(m_description, description);
    CopyField(m_url, url);
}

bool CDBActivity::Matches(const CDBActivity& record) const {
    if (m_id != 0) return m_id == record.m_id;
    return m_idApp == record.m_idApp && SameField(m_title, record.m_title);
}

bool CDBActivity::HasData() const {
    return m_id > 0 || m_startDate != 0 || m_finishDate != 0 || m_duration != 0 || m_formatedDuration != 0 ||
           m_activityType > 0 || m_idUser > 0 || m_idApp > 0 || m_idProject > 0 || m_idTask > 0 || m_idSite > 0;
}

void CDBActivity::SetColumn(const char* column, const char* value) {
    if (!value) return;
    if (!std::strcmp(column, "Id_Activity"))
        m_id = ColumnInt32(value);
    else if (!std::strcmp(column, "StartDate"))
        m_startDate = ColumnInt64(value);
    else if (!std::strcmp(column, "FinishDate"))
        m_finishDate = ColumnInt64(value);
    else if (!std::strcmp(column, "Duration"))
        m_duration = ColumnInt64(value);
    else if (!std::strcmp(column, "FormatedDuration"))
        m_formatedDuration = ColumnInt64(value);
    else if (!std::strcmp(column, "Id_ActivityType"))
        m_activityType = ColumnInt32(value);
    else if (!std::strcmp(column, "Title"))
        CopyField(m_title, value);
    else if (!std::strcmp(column, "Id_User"))
        m_idUser = ColumnInt32(value);
    else if (!std::strcmp(column, "Id_App"))
        m_idApp = ColumnInt32(value);
    else if (!std::strcmp(column, "Id_Project"))
        m_idProject = ColumnInt32(value);
    else if (!std::strcmp(column, "Id_Task"))
        m_idTask = ColumnInt32(value);
    else if (!std::strcmp(column, "Description"))
        CopyField(m_description, value);
    else if (!std::strcmp(column, "URL"))
        CopyField(m_url, value);
    else if (!std::strcmp(column, "Id_Site"))
        m_idSite = ColumnInt32(value);
    else if (!std::strcmp(column, "Logged"))
        m_logged = ColumnInt32(value);
}
