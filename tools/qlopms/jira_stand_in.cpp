#include "qlopms/jira_stand_in.h"

#include <nlohmann/json.hpp>

namespace {
constexpr char kCookie[] = "JSESSIONID=stand-in-session";
constexpr char kWorklogPrefix[] = "/rest/api/2/issue/";
}  // namespace

CJiraStandIn::CJiraStandIn(int pageSize)
    : m_pageSize(pageSize), m_server([this](const CHttpTestRequest& request) { return Answer(request); }) {}

CJiraStandIn::~CJiraStandIn() { Release(); }

void CJiraStandIn::HoldAnswers() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_holding = true;
}

void CJiraStandIn::Release() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holding = false;
    }
    m_released.notify_all();
}

void CJiraStandIn::SetIssues(std::vector<CStandInIssue> issues) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_issues = std::move(issues);
}

void CJiraStandIn::FailWorklog(int number) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_worklogsSeen = 0;
    m_worklogsToFail = number;
}

std::vector<CStandInWorklog> CJiraStandIn::Worklogs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_worklogs;
}

CHttpTestReply CJiraStandIn::Answer(const CHttpTestRequest& request) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const nlohmann::json body = nlohmann::json::parse(request.body, nullptr, false);
    if (request.method == "POST" && request.target == "/rest/auth/1/session") {
        if (body == nlohmann::json{{"username", kUser}, {"password", kPassword}})
            return {200, "{}", {{"Set-Cookie", std::string(kCookie) + "; Path=/"}}};
        return {401, "{\"errorMessages\":[\"Login failed\"]}"};
    }
    if (request.Header("Cookie").find(kCookie) == std::string::npos) return {401, "{}"};
    if (request.target == "/rest/auth/1/session") return {200, "{\"name\":\"qlo\"}"};
    if (request.target == "/rest/api/2/project")
        return {200, R"([{"id":"10000","key":"QLO","name":"QLO Collector"},{"id":"10001","key":"WEB","name":"Web"}])"};
    if (request.target == "/rest/api/2/search") {
        const size_t first = body.value("startAt", 0u);
        nlohmann::json issues = nlohmann::json::array();
        for (size_t i = first; i < m_issues.size() && i < first + static_cast<size_t>(m_pageSize); ++i) {
            const CStandInIssue& issue = m_issues[i];
            issues.push_back({{"id", issue.id},
                              {"key", issue.key},
                              {"fields",
                               {{"summary", issue.summary},
                                {"project", {{"id", issue.projectId}}},
                                {"status", {{"id", "1"}, {"name", "Open"}}}}}});
        }
        const nlohmann::json answer = {
            {"startAt", first}, {"maxResults", m_pageSize}, {"total", m_issues.size()}, {"issues", issues}};
        return {200, answer.dump()};
    }
    const std::string target = request.target;
    if (request.method == "POST" && target.rfind(kWorklogPrefix, 0) == 0 && target.size() > 8 &&
        target.compare(target.size() - 8, 8, "/worklog") == 0) {
        if (m_worklogsToFail > 0 && ++m_worklogsSeen == m_worklogsToFail) {
            m_worklogsToFail = 0;
            return {500, "{\"errorMessages\":[\"Internal error\"]}"};
        }
        const size_t keyStart = sizeof(kWorklogPrefix) - 1;
        m_worklogs.push_back({target.substr(keyStart, target.size() - 8 - keyStart), body.value("started", ""),
                              body.value("timeSpent", "")});
        m_released.wait(lock, [this] { return !m_holding; });
        return {201, "{\"id\":\"" + std::to_string(m_worklogs.size()) + "\"}"};
    }
    return {404, "{}"};
}
