#pragma once
// One row of T_Apps in sys.db: an application, known by its executable's
// file name and path, with the time stamp at which it was first needed.

#include <cstdint>

class CDBApp {
public:
    static constexpr int kFileNameSize = 255;  // up to 254 characters
    static constexpr int kPathSize = 512;      // up to 511 characters

    CDBApp() = default;
    // Null texts leave their field empty; longer texts are cut to the field.
    CDBApp(int32_t id, const char* fileName, const char* path, int64_t createDate);

    // Probe rule: a non-zero id matches the same id; id 0 the same file name
    // and path, letter case counting.
    bool Matches(const CDBApp& record) const;
    // A positive id, a file name or a path.
    bool HasData() const;
    void SetColumn(const char* column, const char* value);

    int32_t GetId() const { return m_id; }
    const char* GetFileName() const { return m_fileName; }
    const char* GetPath() const { return m_path; }
    int64_t GetCreateDate() const { return m_createDate; }

private:
    int32_t m_id = 0;
    char m_fileName[kFileNameSize] = {};
    char m_path[kPathSize] = {};
    int64_t m_createDate = 0;
};
