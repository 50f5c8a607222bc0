#include "pms/auto_json_ptr.h"

#include <nlohmann/json.hpp>

CAutoJsonPtr::~CAutoJsonPtr() { delete m_value; }

int CAutoJsonPtr::Attach(nlohmann::json* value, bool replace) {
    if (!value) return -1;
    if (value == m_value) return 1;
    if (m_value && !replace) return -7;
    delete m_value;
    m_value = value;
    return 1;
}
