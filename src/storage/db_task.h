#pragma once
// One row of T_Tasks in func.db: a task of a project. Dates are packed time
// stamps; a deleted task keeps its row with Deleted 1 and DeleteDate set.
// ExternalProjectId is not a column: only the project-management parsers set it.

#include <cstdint>

class CDBTask {
public:
    static constexpr int kNameSize = 255;               // up to 254 characters
    static constexpr int kDescriptionSize = 512;        // up to 511 characters
    static constexpr int kExternalKeySize = 255;        // up to 254 characters
    static constexpr int kExternalStatusNameSize = 64;  // up to 63 characters

    // Numbers 0, texts empty.
    CDBTask() = default;
    // Null texts leave their field empty; longer texts are cut to the field.
    CDBTask(int32_t idTask, const char* name, int32_t idProject, int32_t idParentTask, const char* description,
            int64_t createDate, int32_t status, int32_t externalPMSType, int32_t externalId, int32_t externalStatus,
            const char* externalKey, const char* externalStatusName, int32_t isDefault, int32_t deleted,
            int64_t deleteDate);

    // Probe rule: a non-zero id matches the same id; id 0 matches the same
    // name, external system kind and deleted flag, and, for a task linked to
    // an external system (kind above 0), the same project. Two local tasks of
    // the same name in different projects therefore match.
    bool Matches(const CDBTask& record) const;
    // A positive id or project, a name or a description.
    bool HasData() const;
    // Stores one column of a result row (a null value leaves the field as it
    // is); unknown columns are ignored.
    void SetColumn(const char* column, const char* value);

    int32_t GetId() const { return m_idTask; }
    void SetId(int32_t id) { m_idTask = id; }
    const char* GetName() const { return m_name; }
    void SetName(const char* name);
    const char* GetDescription() const { return m_description; }
    void SetDescription(const char* description);
    int32_t GetStatus() const { return m_status; }
    void SetStatus(int32_t status) { m_status = status; }
    int64_t GetCreateDate() const { return m_createDate; }
    void SetCreateDate(int64_t date) { m_createDate = date; }
    int32_t GetExternalPMSType() const { return m_externalPMSType; }
    void SetExternalPMSType(int32_t type) { m_externalPMSType = type; }
    int32_t GetExternalId() const { return m_externalId; }
    void SetExternalId(int32_t id) { m_externalId = id; }
    const char* GetExternalKey() const { return m_externalKey; }
    void SetExternalKey(const char* key);
    int32_t GetExternalStatus() const { return m_externalStatus; }
    void SetExternalStatus(int32_t status) { m_externalStatus = status; }
    const char* GetExternalStatusName() const { return m_externalStatusName; }
    void SetExternalStatusName(const char* name);
    int32_t GetProjectId() const { return m_idProject; }
    void SetProjectId(int32_t id) { m_idProject = id; }
    int32_t GetParentTaskId() const { return m_idParentTask; }
    void SetParentTaskId(int32_t id) { m_idParentTask = id; }
    int32_t GetExternalProjectId() const { return m_externalProjectId; }
    void SetExternalProjectId(int32_t id) { m_externalProjectId = id; }
    int32_t GetDeleted() const { return m_deleted; }
    void SetDeleted(int32_t deleted) { m_deleted = deleted; }
    int64_t GetDeleteDate() const { return m_deleteDate; }
    void SetDeleteDate(int64_t date) { m_deleteDate = date; }
    // Above 0 marks the default task.
    int32_t GetIsDefault() const { return m_isDefault; }
    void SetIsDefault(int32_t isDefault) { m_isDefault = isDefault; }

private:
    int32_t m_idTask = 0;
    char m_name[kNameSize] = {};
    char m_description[kDescriptionSize] = {};
    int32_t m_status = 0;
    int64_t m_createDate = 0;
    int32_t m_externalPMSType = 0;
    int32_t m_externalId = 0;
    char m_externalKey[kExternalKeySize] = {};
    int32_t m_externalStatus = 0;
    char m_externalStatusName[kExternalStatusNameSize] = {};
    int32_t m_idProject = 0;
    int32_t m_idParentTask = 0;
    int32_t m_externalProjectId = 0;
    int32_t m_deleted = 0;
    int64_t m_deleteDate = 0;
    int32_t m_isDefault = 0;
};
