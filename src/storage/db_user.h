#pragma once
// One row of T_Users in sys.db: an account (name and domain) with a
// description, by default "<domain>\<name>".

#include <cstdint>

class CDBUser {
public:
    static constexpr int kNameSize = 255;         // up to 254 characters
    static constexpr int kDomainSize = 255;       // up to 254 characters
    static constexpr int kDescriptionSize = 515;  // up to 514 characters

    CDBUser() = default;
    // Null texts leave their field empty; longer texts are cut to the field.
    // Without a description (null or empty), a user with both a name and a
    // domain is described as "<domain>\<name>".
    CDBUser(int32_t id, const char* name, const char* domain, const char* description);

    // Probe rule: a non-zero id matches the same id; id 0 the same name and
    // domain, letter case counting.
    bool Matches(const CDBUser& record) const;
    // A positive id, a name, a domain or a description.
    bool HasData() const;
    void SetColumn(const char* column, const char* value);

    int32_t GetId() const { return m_id; }
    const char* GetName() const { return m_name; }
    const char* GetDomain() const { return m_domain; }
    const char* GetDescription() const { return m_description; }

private:
    int32_t m_id = 0;
    char m_name[kNameSize] = {};
    char m_domain[kDomainSize] = {};
    char m_description[kDescriptionSize] = {};
};
