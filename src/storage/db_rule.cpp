#include "storage/db_rule.h"

#include <cstring>

#include "storage/column_value.h"
#include "storage/field_text.h"

CDBRule::CDBRule(int32_t idRule, int32_t idRulesGroup, int32_t status, int32_t idApp, int32_t idTask, int32_t idProject,
                 const char* title, int32_t idSite, const char* url, const char* path, int32_t timeStart,
                 int32_t timeFinish, int32_t appType)
    : m_idRule(idRule),
      m_idRulesGroup(idRulesGroup),
      m_status(status),
      m_idApp(idApp),
      m_idTask(idTask),
      m_idProject(idProject),
      m_idSite(idSite),
      m_timeStart(timeStart),
      m_timeFinish(timeFinish),
      m_appType(appType) {
    CopyField(m_title, title);
    CopyField(m_url, url);
    CopyField(m_path, path);
}

bool CDBRule::Matches(const CDBRule& record) const {
    if (m_idRule != 0) return m_idRule == record.m_idRule;
    return m_idApp == record.m_idApp && m_idTask == record.m_idTask && m_idProject == record.m_idProject &&
           SameField(m_title, record.m_title) && m_idSite == record.m_idSite && SameField(m_path, record.m_path) &&
           SameField(m_url, record.m_url) && m_timeStart == record.m_timeStart && m_timeFinish == record.m_timeFinish &&
           m_appType == record.m_appType;
}

bool CDBRule::HasData() const {
    return m_idRule > 0 || m_idTask > 0 || m_idProject > 0 || m_idApp > 0 || m_idSite > 0 || m_idRulesGroup > 0 ||
           m_status > 0 || m_timeStart > 0 || m_timeFinish > 0 || m_appType > 0 || m_title[0] != '\0' ||
           m_path[0] != '\0' || m_url[0] != '\0';
}

void CDBRule::SetColumn(const char* column, const char* value) {
    if (!value) return;
    if (!std::strcmp(column, "Id_Rule"))
        m_idRule = ColumnInt32(value);
    else if (!std::strcmp(column, "Id_RulesGroup"))
        m_idRulesGroup = ColumnInt32(value);
    else if (!std::strcmp(column, "Status"))
        m_status = ColumnInt32(value);
    else if (!std::strcmp(column, "Id_App"))
        m_idApp = ColumnInt32(value);
    else if (!std::strcmp(column, "Id_Task"))
        m_idTask = ColumnInt32(value);
    else if (!std::strcmp(column, "Id_Project"))
        m_idProject = ColumnInt32(value);
    else if (!std::strcmp(column, "Title"))
        CopyField(m_title, value);
    else if (!std::strcmp(column, "Id_Site"))
        m_idSite = ColumnInt32(value);
    else if (!std::strcmp(column, "URL"))
        CopyField(m_url, value);
    else if (!std::strcmp(column, "Path"))
        CopyField(m_path, value);
    else if (!std::strcmp(column, "TimeStart"))
        m_timeStart = ColumnInt32(value);
    else if (!std::strcmp(column, "TimeFinish"))
        m_timeFinish = ColumnInt32(value);
    else if (!std::strcmp(column, "AppType"))
        m_appType = ColumnInt32(value);
}
