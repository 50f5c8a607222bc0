#include "qlopms/jira_connection.h"

#include <utility>

#include "pms/jira_session.h"

CJiraConnection::CJiraConnection(const CPmsSettings& settings, std::string password)
    : m_settings(settings), m_password(std::move(password)) {}

int CJiraConnection::Configure(CJIRAAPI& request, const char* password) {
    request.SetTimeLimits(m_settings.connectLimit, m_settings.stallLimit);
    int result = request.SetServer(m_settings.serverUrl.c_str(), nullptr);
    if (result != 1) {
        m_kind = EJiraFailure::Other;
        m_failure = "no JIRA server is set: give one in \"JIRA Server URL\" or with --server";
        return result;
    }
    result = request.SetUser(m_settings.userName.c_str(), password);
    if (result != 1) {
        m_kind = EJiraFailure::Other;
        m_failure = result == -1 ? "no JIRA user is set: give one in \"JIRA Username\" or with --user"
                                 : "the JIRA user name or password is longer than 128 characters";
        return result;
    }
    if (request.SetPath(m_settings.workFolder.c_str(), 0) != 1 ||
        request.SetCaFile(m_settings.caFile.empty() ? nullptr : m_settings.caFile.c_str()) != 1) {
        m_kind = EJiraFailure::Other;
        m_failure = "the connector's folder or CA file cannot be set";
        return -4;
    }
    return 1;
}

int CJiraConnection::Login() {
    CJIRAAuthorization login;
    return Execute(login, m_password.c_str(), "the login", true);
}

int CJiraConnection::Run(CJIRAAPI& request, const char* what) { return Execute(request, nullptr, what, false); }

int CJiraConnection::Execute(CJIRAAPI& request, const char* password, const char* what, bool login) {
    m_kind = EJiraFailure::None;
    m_failure.clear();
    int result = Configure(request, password);
    if (result == 1) result = request.Execute();
    if (result != 1 && m_kind == EJiraFailure::None) Describe(request, result, what, login);
    return result;
}

void CJiraConnection::Describe(const CJIRAAPI& request, int result, const char* what, bool login) {
    const std::string server = m_settings.serverUrl;
    const std::string text = request.GetErrorText();
    if (result == CManagementSystemAPI::kTimedOut) {
        m_kind = EJiraFailure::TimeOut;
        m_failure = std::string(what) + ": " + server + " did not answer in time (" + text + ")";
        return;
    }
    if (result == -50) {
        const int status = request.GetResponseCode();
        m_kind = EJiraFailure::Refused;
        if (login && status == 401) {
            m_kind = EJiraFailure::BadCredentials;
            m_failure = "bad credentials: " + server + " refused the user \"" + m_settings.userName +
                        "\" with this password (status 401)";
        } else if (login && status == 403) {
            m_failure =
                "the login was refused (status 403): after failed logins JIRA asks for a CAPTCHA; "
                "log in once in its web page";
        } else {
            m_failure = std::string(what) + " was refused by " + server + " (status " + std::to_string(status) + ")";
        }
        return;
    }
    if (result == 0) {
        switch (request.GetTransferCode()) {
            case CURLE_PEER_FAILED_VERIFICATION:
            case CURLE_SSL_ISSUER_ERROR:
                m_kind = EJiraFailure::Certificate;
                m_failure = "the certificate of " + server + " is not trusted (" + text +
                            "); if it comes from a private certificate authority, name that authority's "
                            "certificate (PEM) with --ca-file FILE";
                return;
            case CURLE_SSL_CACERT_BADFILE:
                m_kind = EJiraFailure::Certificate;
                m_failure = "the CA file \"" + m_settings.caFile + "\" cannot be used (" + text + ")";
                return;
            case CURLE_COULDNT_RESOLVE_HOST:
            case CURLE_COULDNT_RESOLVE_PROXY:
            case CURLE_COULDNT_CONNECT:
                m_kind = EJiraFailure::Unreachable;
                m_failure = "cannot reach " + server + " (" + text + ")";
                return;
            default:
                break;
        }
    }
    m_kind = EJiraFailure::Other;
    m_failure =
        std::string(what) + " failed (result " + std::to_string(result) + (text.empty() ? "" : ": " + text) + ")";
}
