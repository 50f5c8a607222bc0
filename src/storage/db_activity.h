#pragma once
// One row of T_Activities in a monthly activity file: an interval of work,
// idle, lock or offline time with its user, application, project, task and
// site ids. Dates are packed time stamps; the durations are in seconds and
// as a packed duration.

#include <cstdint>

class CDBActivity {
public:
    static constexpr int kTitleSize = 261;        // up to 260 characters
    static constexpr int kDescriptionSize = 512;  // up to 511 characters
    static constexpr int kUrlSize = 512;          // up to 511 characters

    // Numbers 0, texts empty.
    CDBActivity() = default;
    // Null texts leave their field empty; longer texts are cut to the field.
    CDBActivity(int32_t id, int64_t startDate, int64_t finishDate, int64_t duration, int64_t formatedDuration,
                int32_t activityType, const char* title, int32_t idUser, int32_t idApp, const char* description,
                int32_t idProject, int32_t idTask, const char* url, int32_t idSite, int32_t logged);

    // Probe rule: a non-zero id matches the same id; id 0 matches the same
    // application and title.
    bool Matches(const CDBActivity& record) const;
    // A positive id or reference, or a non-zero date or duration.
    bool HasData() const;
    // Stores one column of a result row; unknown columns are ignored.
    void SetColumn(const char* column, const char* value);

    int32_t GetId() const { return m_id; }
    int64_t GetStartDate() const { return m_startDate; }
    int64_t GetFinishDate() const { return m_finishDate; }
    int64_t GetDuration() const { return m_duration; }
    int64_t GetFormatedDuration() const { return m_formatedDuration; }
    int32_t GetActivityType() const { return m_activityType; }
    const char* GetTitle() const { return m_title; }
    int32_t GetUserId() const { return m_idUser; }
    int32_t GetAppId() const { return m_idApp; }
    int32_t GetProjectId() const { return m_idProject; }
    int32_t GetTaskId() const { return m_idTask; }
    const char* GetDescription() const { return m_description; }
    const char* GetURL() const { return m_url; }
    int32_t GetSiteId() const { return m_idSite; }
    int32_t GetLogged() const { return m_logged; }

private:
    int32_t m_id = 0;
    int64_t m_startDate = 0;
    int64_t m_finishDate = 0;
    int64_t m_duration = 0;
    int64_t m_formatedDuration = 0;
    int32_t m_activityType = 0;
    char m_title[kTitleSize] = {};
    int32_t m_idUser = 0;
    int32_t m_idApp = 0;
    int32_t m_idProject = 0;
    int32_t m_idTask = 0;
    char m_description[kDescriptionSize] = {};
    char m_url[kUrlSize] = {};
    int32_t m_idSite = 0;
    int32_t m_logged = 0;
};
