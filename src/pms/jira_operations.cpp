#include "pms/jira_operations.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"
#include "pms/owned_text.h"

namespace {
// "/rest/api/" + API version 2 + resource.
constexpr char kSearchPath[] = "/rest/api/2/search";
constexpr char kProjectPath[] = "/rest/api/2/project";
constexpr char kIssueTypePath[] = "/rest/api/2/issuetype";
constexpr char kIssuePath[] = "/rest/api/2/issue/";
constexpr char kUserPath[] = "/rest/api/2/user?username=";
constexpr char kCommentTail[] = "/comment";
constexpr char kWorklogTail[] = "/worklog";

constexpr char kIssuesFile[] = "jira-issues.json";
constexpr char kProjectsFile[] = "jira-projects.json";
constexpr char kIssueTypesFile[] = "jira-issuetypes.json";
constexpr char kCommentFile[] = "jira-comment.json";
constexpr char kWorklogFile[] = "jira-worklog.json";

constexpr char kSearchBodyStart[] = "{\"jql\":\"assignee = currentUser()\",\"startAt\" : ";

bool IsKeyCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

int CopyIssueKey(char (&out)[kIssueKeySize + 1], const char* key) {
    if (!key || !*key) return -1;
    for (const char* c = key; *c; ++c)
        if (!IsKeyCharacter(*c)) return -1;
    return CopyWholeText(out, key, kIssueKeySize);
}

// A text parameter of a body: -1 when missing (unless it may be empty), -5
// when it alone would not fit a body.
int CopyBodyText(CAutoCharBuffer& out, const char* text, bool mayBeEmpty) {
    if ((!text || !*text) && !mayBeEmpty) return -1;
    if (text && strnlen(text, CManagementSystemAPI::kBodySize + 1) > CManagementSystemAPI::kBodySize) return -5;
    return CopyToOwnedText(out, text, CManagementSystemAPI::kBodySize);
}
// `text` (narrow text) in UTF-8 with every byte but the unreserved ones of
// RFC 3986 written as %XX, for a query value of an address.
std::string PercentEncoded(const char* text) {
    if (!text) return {};
    std::vector<char> utf8(std::strlen(text) * 3 + 1);
    const char* bytes = AnsiToUtf8(text, utf8.data(), static_cast<int>(utf8.size())) > 0 ? utf8.data() : text;
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (; *bytes; ++bytes) {
        const unsigned char c = static_cast<unsigned char>(*bytes);
        if (IsKeyCharacter(static_cast<char>(c)) || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}
}  // namespace

int CJIRAIssues::Execute() { return ExecuteInSession(); }
int CJIRAIssues::Perform() { return PerformInto(kIssuesFile); }
int CJIRAIssues::SetHeaders() { return SetJsonHeaders(); }
int CJIRAIssues::SetBody() {
    const std::string first = std::to_string(m_startAt);
    return SetBuiltBody([&first](CJsonWriter& body) { body.Raw(kSearchBodyStart).Raw(first.c_str()).Raw("}"); });
}
int CJIRAIssues::SetUrl() { return SetAddress(kSearchPath); }

int CJIRAProjects::Execute() { return ExecuteInSession(); }
int CJIRAProjects::Perform() { return PerformInto(kProjectsFile); }
int CJIRAProjects::SetUrl() { return SetAddress(kProjectPath); }

int CJIRAIssueTypes::Execute() { return ExecuteExpecting(200); }
int CJIRAIssueTypes::Perform() { return PerformInto(kIssueTypesFile); }
int CJIRAIssueTypes::SetUrl() { return SetAddress(kIssueTypePath); }

CJIRAComment::CJIRAComment() { m_issueKey[0] = '\0'; }

int CJIRAComment::SetComment(const char* issueKey, const char* text) {
    const int key = CopyIssueKey(m_issueKey, issueKey);
    if (key != 1) return key;
    return CopyBodyText(m_text, text, false);
}

int CJIRAComment::Execute() { return ExecuteExpecting(201); }
int CJIRAComment::Perform() { return PerformInto(kCommentFile); }
int CJIRAComment::SetHeaders() { return SetJsonHeaders(); }
int CJIRAComment::SetBody() {
    return SetBuiltBody([this](CJsonWriter& body) { body.Raw("{\"body\" : ").String(m_text.Get()).Raw("}"); });
}
int CJIRAComment::SetUrl() { return m_issueKey[0] ? SetAddress(kIssuePath, m_issueKey, kCommentTail) : -1; }

CJIRAWorklog::CJIRAWorklog() { m_issueKey[0] = '\0'; }

int CJIRAWorklog::SetWorklog(const char* issueKey, const char* author, const char* started, const char* timeSpent,
                             const char* comment) {
    int result = CopyIssueKey(m_issueKey, issueKey);
    if (result == 1) result = CopyBodyText(m_author, author, false);
    if (result == 1) result = CopyBodyText(m_started, started, false);
    if (result == 1) result = CopyBodyText(m_timeSpent, timeSpent, false);
    if (result == 1) result = CopyBodyText(m_comment, comment, true);
    return result;
}

int CJIRAWorklog::Execute() { return ExecuteExpecting(201); }
int CJIRAWorklog::Perform() { return PerformInto(kWorklogFile); }
int CJIRAWorklog::SetHeaders() { return SetJsonHeaders(); }
int CJIRAWorklog::SetBody() {
    const std::string author = PercentEncoded(m_author.Get());
    return SetBuiltBody([this, &author](CJsonWriter& body) {
        body.Raw("{\"author\":{\"name\":")
            .String(m_author.Get())
            .Raw(",\"self\":")
            .String(m_serverUrl, kUserPath, author.c_str())
            .Raw("},\"comment\":")
            .String(m_comment.Get())
            .Raw(",\"started\":")
            .String(m_started.Get())
            .Raw(",\"timeSpent\":")
            .String(m_timeSpent.Get())
            .Raw("}");
    });
}
int CJIRAWorklog::SetUrl() { return m_issueKey[0] ? SetAddress(kIssuePath, m_issueKey, kWorklogTail) : -1; }
