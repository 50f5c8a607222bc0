#pragma once
// One row of T_Projects in func.db: a project of the catalogue to which
// recorded activities are assigned. Dates are packed time stamps. A deleted
// project keeps its row with Deleted 1 and DeleteDate set.

#include <cstdint>

class CDBProject {
public:
    static constexpr int kNameSize = 255;         // up to 254 characters
    static constexpr int kDescriptionSize = 512;  // up to 511 characters
    static constexpr int kExternalKeySize = 255;  // up to 254 characters

    // Numbers 0, texts empty.
    CDBProject() = default;
    // Null texts leave their field empty; longer texts are cut to the field.
    CDBProject(int32_t idProject, const char* name, const char* description, int64_t createDate, int32_t status,
               int32_t externalPMSType, int32_t externalId, const char* externalKey, int32_t deleted,
               int64_t deleteDate);

    // Probe rule: a non-zero id matches the same id; id 0 matches the same
    // name, external system kind and deleted flag.
    bool Matches(const CDBProject& record) const;
    // A positive id, a name or a description.
    bool HasData() const;
    // Stores one column of a result row (a null value leaves the field as it
    // is); unknown columns are ignored.
    void SetColumn(const char* column, const char* value);

    int32_t GetId() const { return m_idProject; }
    void SetId(int32_t id) { m_idProject = id; }
    const char* GetName() const { return m_name; }
    void SetName(const char* name);
    const char* GetDescription() const { return m_description; }
    void SetDescription(const char* description);
    int32_t GetStatus() const { return m_status; }
    void SetStatus(int32_t status) { m_status = status; }
    int64_t GetCreateDate() const { return m_createDate; }
    void SetCreateDate(int64_t date) { m_createDate = date; }
    // 0 none, 1 JIRA.
    int32_t GetExternalPMSType() const { return m_externalPMSType; }
    void SetExternalPMSType(int32_t type) { m_externalPMSType = type; }
    int32_t GetExternalId() const { return m_externalId; }
    void SetExternalId(int32_t id) { m_externalId = id; }
    const char* GetExternalKey() const { return m_externalKey; }
    void SetExternalKey(const char* key);
    int32_t GetDeleted() const { return m_deleted; }
    void SetDeleted(int32_t deleted) { m_deleted = deleted; }
    int64_t GetDeleteDate() const { return m_deleteDate; }
    void SetDeleteDate(int64_t date) { m_deleteDate = date; }

private:
    int32_t m_idProject = 0;
    char m_name[kNameSize] = {};
    char m_description[kDescriptionSize] = {};
    int32_t m_status = 0;
    int64_t m_createDate = 0;
    int32_t m_externalPMSType = 0;
    int32_t m_externalId = 0;
    char m_externalKey[kExternalKeySize] = {};
    int32_t m_deleted = 0;
    int64_t m_deleteDate = 0;
};
