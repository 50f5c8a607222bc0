#include "qlopms/jira_fetch.h"

#include "pms/jira_issue_parser.h"
#include "pms/jira_operations.h"
#include "pms/jira_project_parser.h"

namespace {
// A search that never reaches its total (a server counting wrongly) still ends.
constexpr int kMaxPages = 10000;

std::string ParseFailure(const char* what, int result) {
    return std::string("the answer to ") + what + " cannot be read (" +
           (result == -200 ? "not the shape JIRA sends" : "result " + std::to_string(result)) + ")";
}
}  // namespace

int FetchJiraCatalogue(CJiraConnection& connection, CBaseStorage<CDBProject>& projects, CBaseStorage<CDBTask>& tasks,
                       std::string& failure) {
    CJIRAProjects projectList;
    int result = connection.Run(projectList, "the project list");
    if (result != 1) {
        failure = connection.Failure();
        return result;
    }
    CJIRAProjectParser projectParser;
    result = projectParser.ParseFile(projectList.GetResponseFilePath(), projects);
    if (result != 1) {
        failure = ParseFailure("the project list", result);
        return result;
    }

    int startAt = 0;
    for (int page = 0; page < kMaxPages; ++page) {
        CJIRAIssues search;
        search.SetStartAt(startAt);
        result = connection.Run(search, "the issue search");
        if (result != 1) {
            failure = connection.Failure();
            return result;
        }
        CJIRAIssueParser issueParser;
        result = issueParser.ParseFile(search.GetResponseFilePath(), tasks);
        if (result != 1) {
            failure = ParseFailure("the issue search", result);
            return result;
        }
        startAt += issueParser.GetIssueCount();
        if (issueParser.GetIssueCount() == 0 || startAt >= issueParser.GetTotal()) return 1;
    }
    return 1;
}
