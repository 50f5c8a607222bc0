#pragma once
// One JIRA session of qlopms: every request object is pointed at the server,
// the connector's folder, the user, the certificate authorities and the time
// limits of the settings, and every failure is told in words a user can act
// on (bad credentials, an untrusted certificate, an unreachable server, a
// time-out, a refused request).
//
// The password is handed to the login only, and no text made here holds it.
// Not thread-safe; the requests of one session run one after the other (they
// share the cookie file).

#include <string>

#include "pms/jira_api.h"
#include "qlopms/pms_settings.h"

enum class EJiraFailure {
    None,
    BadCredentials,  // the login was answered 401
    Certificate,     // the server's certificate is not trusted, or the CA file cannot be used
    Unreachable,     // no connection: the name does not resolve or nothing listens
    TimeOut,         // no connection in time, or the server stopped answering
    Refused,         // the server answered with another status than the one expected
    Other,           // anything else (folders, memory, texts that cannot be sent)
};

class CJiraConnection {
public:
    CJiraConnection(const CPmsSettings& settings, std::string password);

    // Opens the session (POST /rest/auth/1/session). 1; else the request's
    // result, with Failure() and FailureKind() set.
    int Login();
    // Points `request` at the session (server, folder, user, limits) and runs
    // it. 1; else its result, with Failure() and FailureKind() set; `what`
    // names the request in the failure ("the issue search").
    int Run(CJIRAAPI& request, const char* what);

    EJiraFailure FailureKind() const { return m_kind; }
    // One line saying what went wrong, without the password.
    const std::string& Failure() const { return m_failure; }
    const CPmsSettings& Settings() const { return m_settings; }

private:
    int Execute(CJIRAAPI& request, const char* password, const char* what, bool login);
    int Configure(CJIRAAPI& request, const char* password);
    void Describe(const CJIRAAPI& request, int result, const char* what, bool login);

    CPmsSettings m_settings;
    std::string m_password;
    EJiraFailure m_kind = EJiraFailure::None;
    std::string m_failure;
};
