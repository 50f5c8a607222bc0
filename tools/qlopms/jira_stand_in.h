#pragma once
// A JIRA server for the tests of qlopms, on the tests' HTTP server
// (127.0.0.1, a thread of the test process): it opens a session for one user
// and password, lists projects, answers the issue search page by page, and
// takes worklogs, failing the ones a test asks it to fail.
//
// Thread safety: the answers are made on the server thread; the test changes
// the content between commands through the methods below (all locked).

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "support/http_test_server.h"

struct CStandInIssue {
    std::string id;
    std::string key;
    std::string summary;
    std::string projectId;
};

struct CStandInWorklog {
    std::string issueKey;
    std::string started;
    std::string timeSpent;
};

class CJiraStandIn {
public:
    static constexpr char kUser[] = "qlo";
    static constexpr char kPassword[] = "Pa55 \"w0rd\"\\";

    // Projects "10000" QLO and "10001" WEB; no issues; pages of `pageSize`.
    explicit CJiraStandIn(int pageSize = 2);
    ~CJiraStandIn();

    std::string Url() const { return m_server.Url(); }
    std::vector<CHttpTestRequest> Requests() const { return m_server.Requests(); }

    void SetIssues(std::vector<CStandInIssue> issues);
    // Answers the `number`th worklog from now on (1 the next) with 500.
    void FailWorklog(int number);
    std::vector<CStandInWorklog> Worklogs() const;
    // While held, a worklog is taken (and recorded) but its answer waits
    // until Release (or the stand-in's end): the client sees no answer.
    void HoldAnswers();
    void Release();

private:
    CHttpTestReply Answer(const CHttpTestRequest& request);

    mutable std::mutex m_mutex;
    int m_pageSize;
    std::vector<CStandInIssue> m_issues;
    std::vector<CStandInWorklog> m_worklogs;
    int m_worklogsToFail = 0;  // 0: none; n: the nth from FailWorklog on
    int m_worklogsSeen = 0;
    bool m_holding = false;
    std::condition_variable m_released;
    CHttpTestServer m_server;  // last: it answers from the members above
};
