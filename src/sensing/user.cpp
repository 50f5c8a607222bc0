#include "sensing/user.h"

#include "platform/text.h"

CUser g_currentUser;

CUser::CUser(const char* domain, const char* name) { Set(domain, name); }

void CUser::Set(const char* domain, const char* name) {
    m_domain[0] = '\0';
    m_name[0] = '\0';
    if (!domain || !name) return;
    CopyTextCut(m_domain, domain, kTextSize - 1);
    CopyTextCut(m_name, name, kTextSize - 1);
}
