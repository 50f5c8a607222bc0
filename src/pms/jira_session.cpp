#include "pms/jira_session.h"

namespace {
constexpr char kSessionPath[] = "/rest/auth/1/session";
constexpr char kAuthInfoFile[] = "jira-authinfo.json";
}  // namespace

int CJIRAAuthorization::Execute() { return ExecuteInSession(); }
int CJIRAAuthorization::SetHeaders() { return SetJsonHeaders(); }
int CJIRAAuthorization::SetUrl() { return SetAddress(kSessionPath); }

int CJIRAAuthorization::SetBody() {
    if (m_bodyBuffer[0]) return -7;
    CJsonWriter body(m_bodyBuffer, kBodySize);
    body.Raw("{\"username\":").String(m_userName).Raw(",\"password\":").String(m_password).Raw("}");
    const int checked = CheckBody(body);
    if (checked != 1) {
        m_bodyBuffer[0] = '\0';
        return checked;
    }
    return CJIRAAPI::SetBody();
}

int CJIRACheckAuth::Execute() { return ExecuteInSession(); }
int CJIRACheckAuth::Perform() { return PerformInto(kAuthInfoFile); }
int CJIRACheckAuth::SetUrl() { return SetAddress(kSessionPath); }
