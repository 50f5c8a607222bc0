#pragma once
// The JIRA operations: the user's issues, the projects, the issue types, a
// comment on an issue and a worklog on an issue. Each object runs one
// exchange; its answer goes to a file of the working folder, which
// GetResponseFilePath() names after the exchange. The addresses are the
// server address + "/rest/api/2/" + the resource.
//
// Every request sends the session cookie of the cookie file. Issues and
// projects need status 200 (else -50 with "Host has not accepted request");
// issue types need 200, a comment or a worklog 201 (else -50). Those three may
// authenticate with UseBasicAuth() instead of the session.

#include "pms/jira_api.h"

// The issues assigned to the logged-in user: a POST of the search
// {"jql":"assignee = currentUser()","startAt" : <first>} to ".../search",
// answered into "jira-issues.json" (read by CJIRAIssueParser). One page per
// exchange, from the issue numbered `first` (0 unless SetStartAt); the
// server's page size applies.
class CJIRAIssues : public CJIRAAPI {
public:
    // The first issue of the page asked for (0 is the first of all; negative
    // numbers count as 0).
    void SetStartAt(int first) { m_startAt = first < 0 ? 0 : first; }

    int Execute() override;
    int Perform() override;
    int SetHeaders() override;
    // -7 when the body is set already (the first one stays).
    int SetBody() override;
    int SetUrl() override;

private:
    int m_startAt = 0;
};

// The projects the user can see: a GET of ".../project", answered into
// "jira-projects.json" (read by CJIRAProjectParser).
class CJIRAProjects : public CJIRAAPI {
public:
    int Execute() override;
    int Perform() override;
    int SetUrl() override;
};

// The issue types: a GET of ".../issuetype", answered into "jira-issuetypes.json".
class CJIRAIssueTypes : public CJIRAAPI {
public:
    int Execute() override;
    int Perform() override;
    int SetUrl() override;
};

// Issue keys ("QLO-2") and ids are at most 254 characters of letters, digits,
// '-' and '_', so that a key can only name an issue, never another path.
inline constexpr int kIssueKeySize = 254;

// Adds a comment to an issue: a POST of {"body" : "<text>"} to
// ".../issue/<key>/comment", answered into "jira-comment.json".
class CJIRAComment : public CJIRAAPI {
public:
    CJIRAComment();
    // 1; -1 a missing or malformed key, or no text; -5 a key or text too long.
    int SetComment(const char* issueKey, const char* text);

    int Execute() override;
    int Perform() override;
    int SetHeaders() override;
    // -7 when the body is set already (the first one stays).
    int SetBody() override;
    int SetUrl() override;

private:
    char m_issueKey[kIssueKeySize + 1];
    CAutoCharBuffer m_text;
};

// Logs work on an issue: a POST to ".../issue/<key>/worklog" of
// {"author":{"name":"<author>","self":"<server>/rest/api/2/user?username=<author, percent-encoded>"},
//  "comment":"<comment>","started":"<started>","timeSpent":"<time spent>"},
// answered into "jira-worklog.json". `started` is a JIRA time stamp such as
// "2014-11-11T10:29:25.000+0000", `timeSpent` a JIRA duration such as "65m".
class CJIRAWorklog : public CJIRAAPI {
public:
    CJIRAWorklog();
    // 1; -1 a missing or malformed key, or a missing author, start or time
    // spent (the comment may be empty); -5 a text too long.
    int SetWorklog(const char* issueKey, const char* author, const char* started, const char* timeSpent,
                   const char* comment);

    int Execute() override;
    int Perform() override;
    int SetHeaders() override;
    // -7 when the body is set already (the first one stays).
    int SetBody() override;
    int SetUrl() override;

private:
    char m_issueKey[kIssueKeySize + 1];
    CAutoCharBuffer m_author;
    CAutoCharBuffer m_started;
    CAutoCharBuffer m_timeSpent;
    CAutoCharBuffer m_comment;
};
