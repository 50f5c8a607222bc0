#pragma once
// The JIRA session: logging in and checking the session.
//
// Both requests go to the server address + "/rest/auth/1/session" with the
// session cookie of the working folder's "jac.txt", and need status 200
// (else -50, "Host has not accepted request"). Logging in writes the cookie
// file that the later session requests (issues, projects) send.

#include "pms/jira_api.h"

// Logs in: a POST of {"username":"...","password":"..."} with the JSON
// headers. The answer is not kept.
class CJIRAAuthorization : public CJIRAAPI {
public:
    int Execute() override;
    int SetHeaders() override;
    // Builds the body in m_bodyBuffer. -7 when it is built already; -5 longer
    // than 2048 characters; kNotUtf8 a user or password that is not valid
    // UTF-8; else the base step's result.
    int SetBody() override;
    int SetUrl() override;
};

// Checks the session: a GET whose answer goes to "jira-authinfo.json" of the
// working folder.
class CJIRACheckAuth : public CJIRAAPI {
public:
    int Execute() override;
    int Perform() override;
    int SetUrl() override;
};
