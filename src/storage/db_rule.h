#pragma once
// One row of T_Rules in func.db: the conditions under which an activity
// belongs to a project and task.
//
// AppType is a bit field: bits 0-3 select the activity type (0 any, 1 Active,
// 2 Offline, 4 Locked, 8 Idle; any other value fails the rule), bits 5-9
// (mask 0x3E0, not shifted) are the priority; the other bits carry nothing.

#include <cstdint>

class CDBRule {
public:
    static constexpr int kTitleSize = 255;  // up to 254 characters
    static constexpr int kUrlSize = 512;    // up to 511 characters
    static constexpr int kPathSize = 261;   // up to 260 characters
    static constexpr int32_t kTypeSelectorMask = 0x0F;
    static constexpr int32_t kPriorityMask = 0x3E0;

    CDBRule() = default;
    // Null texts leave their field empty; longer texts are cut to the field.
    CDBRule(int32_t idRule, int32_t idRulesGroup, int32_t status, int32_t idApp, int32_t idTask, int32_t idProject,
            const char* title, int32_t idSite, const char* url, const char* path, int32_t timeStart, int32_t timeFinish,
            int32_t appType);

    // Probe rule: a non-zero id matches the same id; id 0 every condition and
    // the target alike (group and status take no part).
    bool Matches(const CDBRule& record) const;
    // Any id, status, time bound or AppType above 0, or any text.
    bool HasData() const;
    void SetColumn(const char* column, const char* value);

    int32_t GetId() const { return m_idRule; }
    int32_t GetRulesGroupId() const { return m_idRulesGroup; }
    // 1 or more: the rule is in force.
    int32_t GetStatus() const { return m_status; }
    int32_t GetAppId() const { return m_idApp; }
    int32_t GetTaskId() const { return m_idTask; }
    int32_t GetProjectId() const { return m_idProject; }
    // Words that must all occur in the window title (empty: no condition).
    const char* GetTitle() const { return m_title; }
    int32_t GetSiteId() const { return m_idSite; }
    // Words that must all occur in the address.
    const char* GetURL() const { return m_url; }
    // Words that must all occur in the program's path or file name.
    const char* GetPath() const { return m_path; }
    // The time period [TimeStart, TimeFinish); counts only when both are non-zero.
    int32_t GetTimeStart() const { return m_timeStart; }
    int32_t GetTimeFinish() const { return m_timeFinish; }
    int32_t GetAppType() const { return m_appType; }

private:
    int32_t m_idRule = 0;
    int32_t m_idRulesGroup = 0;
    int32_t m_status = 0;
    int32_t m_idApp = 0;
    int32_t m_idTask = 0;
    int32_t m_idProject = 0;
    char m_title[kTitleSize] = {};
    int32_t m_idSite = 0;
    char m_url[kUrlSize] = {};
    char m_path[kPathSize] = {};
    int32_t m_timeStart = 0;
    int32_t m_timeFinish = 0;
    int32_t m_appType = 0;
};
