#include "storage/db_user.h"

#include <cstdio>
#include <cstring>

#include "storage/column_value.h"
#include "storage/field_text.h"

CDBUser::CDBUser(int32_t id, const char* name, const char* domain, const char* description) : m_id(id) {
    CopyField(m_name, name);
    CopyField(m_domain, domain);
    CopyField(m_description, description);
    // Name and domain are at most 254 characters each, so "<domain>\<name>" always fits.
    if (m_description[0] == '\0' && m_name[0] != '\0' && m_domain[0] != '\0')
        std::snprintf(m_description, sizeof m_description, "%s\\%s", m_domain, m_name);
}

bool CDBUser::Matches(const CDBUser& record) const {
    if (m_id != 0) return m_id == record.m_id;
    return SameField(m_name, record.m_name) && SameField(m_domain, record.m_domain);
}

bool CDBUser::HasData() const {
    return m_id > 0 || m_name[0] != '\0' || m_domain[0] != '\0' || m_description[0] != '\0';
}

void CDBUser::SetColumn(const char* column, const char* value) {
    if (!value) return;
    if (!std::strcmp(column, "Id_User"))
        m_id = ColumnInt32(value);
    else if (!std::strcmp(column, "Name"))
        CopyField(m_name, value);
    else if (!std::strcmp(column, "Domen"))
        CopyField(m_domain, value);
    else if (!std::strcmp(column, "Description"))
        CopyField(m_description, value);
}
