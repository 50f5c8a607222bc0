#pragma once
// A timer record (T_Timers): time booked on a project and task by hand. The
// collector itself never creates, reads or writes that table; the record is
// part of the catalogue's vocabulary shared with the desktop application.

#include <cstdint>

class CDBTimer {
public:
    CDBTimer() = default;
    CDBTimer(int32_t idTimer, int32_t idProject, int32_t idTask, int64_t startDate, int64_t finishDate,
             int64_t duration, int32_t type)
        : m_idTimer(idTimer),
          m_idProject(idProject),
          m_idTask(idTask),
          m_startDate(startDate),
          m_finishDate(finishDate),
          m_duration(duration),
          m_type(type) {}

    // Probe rule: a non-zero id matches the same id; id 0 the same project.
    bool Matches(const CDBTimer& record) const {
        return m_idTimer != 0 ? m_idTimer == record.m_idTimer : m_idProject == record.m_idProject;
    }
    // A positive id, project or task, or a date.
    bool HasData() const {
        return m_idTimer > 0 || m_idProject > 0 || m_idTask > 0 || m_startDate != 0 || m_finishDate != 0;
    }

    int32_t GetId() const { return m_idTimer; }
    int32_t GetProjectId() const { return m_idProject; }
    int32_t GetTaskId() const { return m_idTask; }
    int64_t GetStartDate() const { return m_startDate; }
    int64_t GetFinishDate() const { return m_finishDate; }
    int64_t GetDuration() const { return m_duration; }
    int32_t GetType() const { return m_type; }

private:
    int32_t m_idTimer = 0;
    int32_t m_idProject = 0;
    int32_t m_idTask = 0;
    int64_t m_startDate = 0;
    int64_t m_finishDate = 0;
    int64_t m_duration = 0;
    int32_t m_type = 0;
};
