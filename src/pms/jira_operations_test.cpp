#include "pms/jira_operations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/text.h"
#include "pms/json_writer.h"
#include "support/http_test_server.h"
#include "support/temp_folder.h"

namespace {
void PointAt(CJIRAAPI& request, const CHttpTestServer& server, const CTempFolder& folder) {
    ASSERT_EQ(request.SetServer(server.Url().c_str(), nullptr), 1);
    ASSERT_EQ(request.SetPath(folder.Str().c_str(), 0), 1);
}

TEST(JiraOperations, CommentIsPostedToItsIssueAndNeedsStatus201) {
    CHttpTestServer created(CHttpTestReply{201, "{\"id\":\"10100\"}"});
    CTempFolder folder;
    CJIRAComment comment;
    PointAt(comment, created, folder);
    ASSERT_EQ(comment.SetComment("QLO-2", "Done \"today\"\\ at 5"), 1);
    ASSERT_EQ(comment.Execute(), 1);
    EXPECT_EQ(ReadFileBytes(folder.File("jira-comment.json")), "{\"id\":\"10100\"}");

    const auto requests = created.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/rest/api/2/issue/QLO-2/comment");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/json");
    EXPECT_EQ(nlohmann::json::parse(requests[0].body, nullptr, false),
              (nlohmann::json{{"body", "Done \"today\"\\ at 5"}}));

    // 200 is not "created": refused, without the session's message.
    CHttpTestServer ok(CHttpTestReply{200, "{}"});
    CJIRAComment notCreated;
    PointAt(notCreated, ok, folder);
    ASSERT_EQ(notCreated.SetComment("QLO-2", "text"), 1);
    EXPECT_EQ(notCreated.Execute(), -50);
    EXPECT_EQ(notCreated.GetResponseCode(), 200);
    EXPECT_STREQ(notCreated.GetErrorText(), "");
}

TEST(JiraOperations, WorklogCarriesAuthorStartTimeSpentAndComment) {
    CHttpTestServer server(CHttpTestReply{201, "{}"});
    CTempFolder folder;
    CJIRAWorklog worklog;
    PointAt(worklog, server, folder);
    ASSERT_EQ(worklog.SetWorklog("QLO-2", "qlo", "2014-11-11T10:29:25.000+0000", "65m", "Reviewed"), 1);
    ASSERT_EQ(worklog.Execute(), 1);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/rest/api/2/issue/QLO-2/worklog");
    const nlohmann::json body = nlohmann::json::parse(requests[0].body, nullptr, false);
    const nlohmann::json expected = {
        {"author", {{"name", "qlo"}, {"self", server.Url() + "/rest/api/2/user?username=qlo"}}},
        {"comment", "Reviewed"},
        {"started", "2014-11-11T10:29:25.000+0000"},
        {"timeSpent", "65m"}};
    EXPECT_EQ(body, expected);
    // Members in the order JIRA documents them.
    EXPECT_LT(requests[0].body.find("\"author\""), requests[0].body.find("\"comment\""));
    EXPECT_LT(requests[0].body.find("\"started\""), requests[0].body.find("\"timeSpent\""));
}

TEST(JiraOperations, IssueTypesCommentsAndWorklogsSendTheSessionCookieIntoAFolderMadeForThem) {
    CHttpTestServer server([](const CHttpTestRequest& request) {
        return CHttpTestReply{request.method == "GET" ? 200 : 201, "{}"};
    });
    CTempFolder temp;
    const std::string folder = temp.File("jira");
    std::filesystem::create_directory(folder);
    std::ofstream(folder + "/jac.txt") << "127.0.0.1\tFALSE\t/\tFALSE\t0\tJSESSIONID\tabc123\n";
    CJIRAIssueTypes types;
    ASSERT_EQ(types.SetServer(server.Url().c_str(), nullptr), 1);
    ASSERT_EQ(types.SetPath(folder.c_str(), 0), 1);
    ASSERT_EQ(types.Execute(), 1);
    EXPECT_EQ(ReadFileBytes(folder + "/jira-issuetypes.json"), "{}");

    const std::string missing = temp.File("new");
    CJIRAComment comment;
    ASSERT_EQ(comment.SetServer(server.Url().c_str(), nullptr), 1);
    ASSERT_EQ(comment.SetPath(missing.c_str(), 0), 1);
    ASSERT_EQ(comment.SetComment("QLO-2", "text"), 1);
    ASSERT_EQ(comment.Execute(), 1) << comment.GetErrorText();
    EXPECT_EQ(ReadFileBytes(missing + "/jira-comment.json"), "{}");

    CJIRAWorklog worklog;
    ASSERT_EQ(worklog.SetServer(server.Url().c_str(), nullptr), 1);
    ASSERT_EQ(worklog.SetPath(folder.c_str(), 0), 1);
    ASSERT_EQ(worklog.SetWorklog("QLO-2", "o'neil & co", "2014-11-11T10:29:25.000+0000", "1m", ""), 1);
    ASSERT_EQ(worklog.Execute(), 1);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].target, "/rest/api/2/issuetype");
    EXPECT_EQ(requests[0].Header("Cookie"), "JSESSIONID=abc123");
    EXPECT_EQ(requests[2].Header("Cookie"), "JSESSIONID=abc123");
    const nlohmann::json body = nlohmann::json::parse(requests[2].body, nullptr, false);
    EXPECT_EQ(body["author"]["self"], server.Url() + "/rest/api/2/user?username=o%27neil%20%26%20co");
}

TEST(JiraOperations, TextThatIsNotUtf8IsNeverSentAsInvalidJson) {
    CHttpTestServer server(CHttpTestReply{201, "{}"});
    CTempFolder folder;
    const char* text = "caf\xE9 \xFF";  // Latin-1 bytes
    char converted[32];
    const bool convertible = AnsiToUtf8(text, converted, sizeof(converted)) > 0 && IsValidUtf8(converted);
    CJIRAComment comment;
    PointAt(comment, server, folder);
    ASSERT_EQ(comment.SetComment("QLO-2", text), 1);
    if (convertible) {
        // Windows: narrow text is the ANSI code page, always converted.
        ASSERT_EQ(comment.Execute(), 1);
        ASSERT_EQ(server.Requests().size(), 1u);
        EXPECT_TRUE(nlohmann::json::accept(server.Requests()[0].body));
    } else {
        // Linux: narrow text is taken to be UTF-8, and this is not.
        EXPECT_EQ(comment.Execute(), CManagementSystemAPI::kNotUtf8);
        EXPECT_STREQ(comment.GetErrorText(), "A text of the request is not valid UTF-8");
        EXPECT_TRUE(server.Requests().empty());
    }
}

TEST(JiraOperations, IssueKeysAndParametersThatCannotBeSentAreRefused) {
    CHttpTestServer server(CHttpTestReply{201, "{}"});
    CTempFolder folder;
    CJIRAComment comment;
    PointAt(comment, server, folder);
    // Without an issue there is no address.
    EXPECT_EQ(comment.Execute(), -1);
    for (const char* key : {"QLO-2/../../myself", "QLO 2", "QLO-2?x=1", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(comment.SetComment(key, "text"), -1) << (key ? key : "null");
    EXPECT_EQ(comment.SetComment(std::string(255, 'Q').c_str(), "text"), -5);
    EXPECT_EQ(comment.SetComment("QLO-2", ""), -1);

    CJIRAWorklog worklog;
    EXPECT_EQ(worklog.SetWorklog("QLO-2", "qlo", "2014-11-11T10:29:25.000+0000", nullptr, "x"), -1);
    EXPECT_EQ(worklog.SetWorklog("QLO-2", "", "2014-11-11T10:29:25.000+0000", "65m", "x"), -1);
    EXPECT_EQ(worklog.SetWorklog("QLO-2", "qlo", "2014-11-11T10:29:25.000+0000", "65m", nullptr), 1);
    EXPECT_TRUE(server.Requests().empty());
}
}  // namespace
