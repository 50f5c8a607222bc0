// The exchange itself: method, headers, body, address, response file, status
// and the failures of the steps, through the request classes against a real
// HTTP server on 127.0.0.1.
#include "pms/management_system_api.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pms/jira_operations.h"
#include "support/http_test_server.h"
#include "support/temp_folder.h"

namespace {
constexpr char kSearchBody[] = "{\"jql\":\"assignee = currentUser()\",\"startAt\" : 0}";

void PointAt(CJIRAAPI& request, const std::string& serverUrl, const CTempFolder& folder) {
    ASSERT_EQ(request.SetServer(serverUrl.c_str(), nullptr), 1);
    ASSERT_EQ(request.SetPath(folder.Str().c_str(), 0), 1);
}

std::string ClosedServer() { return "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()); }

TEST(RequestExchange, GetCarriesNoBodyAndPostCarriesItsBodyWithItsLength) {
    CHttpTestServer server(CHttpTestReply{200, "[]"});
    CTempFolder folder;
    CJIRAProjects projects;
    PointAt(projects, server.Url(), folder);
    ASSERT_EQ(projects.Execute(), 1);
    CJIRAIssues issues;
    PointAt(issues, server.Url(), folder);
    ASSERT_EQ(issues.Execute(), 1);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/rest/api/2/project");
    EXPECT_EQ(requests[0].body, "");
    EXPECT_FALSE(requests[0].HasHeader("Content-Length"));
    EXPECT_FALSE(requests[0].HasHeader("Content-Type"));
    EXPECT_EQ(requests[0].Header("User-Agent"), "QLO 1.0");

    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[1].target, "/rest/api/2/search");
    EXPECT_EQ(requests[1].body, kSearchBody);
    EXPECT_EQ(requests[1].Header("Content-Length"), std::to_string(sizeof(kSearchBody) - 1));
    EXPECT_EQ(requests[1].Header("Accept"), "*/*");
    EXPECT_EQ(requests[1].Header("Content-Type"), "application/json");
}

TEST(RequestExchange, HostHeaderNamesTheGivenHostOrElseTheHostOfTheAddress) {
    CHttpTestServer server(CHttpTestReply{200, "[]"});
    CTempFolder folder;
    CJIRAIssues named;
    PointAt(named, server.Url(), folder);
    ASSERT_EQ(named.SetServer(server.Url().c_str(), "jira.example.com:8080"), 1);
    ASSERT_EQ(named.Execute(), 1);
    CJIRAIssues unnamed;
    PointAt(unnamed, server.Url(), folder);
    ASSERT_EQ(unnamed.Execute(), 1);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Header("Host"), "jira.example.com:8080");
    EXPECT_EQ(requests[1].Header("Host"), "127.0.0.1:" + std::to_string(server.Port()));

    // A host name that would end the header early is refused.
    CJIRAIssues injected;
    EXPECT_EQ(injected.SetServer(server.Url().c_str(), "jira\r\nX-Admin: 1"), -1);
    EXPECT_EQ(injected.SetServer("", "jira"), -1);
}

TEST(RequestExchange, ServerAddressIsCutTo128CharactersBeforeThePath) {
    CHttpTestServer server(CHttpTestReply{200, "[]"});
    CTempFolder folder;
    const std::string base = server.Url() + "/";
    const std::string longAddress = base + std::string(200, 'a');
    CJIRAProjects projects;
    PointAt(projects, longAddress, folder);
    ASSERT_EQ(projects.Execute(), 1);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    // The 128 characters kept: the server's base and the first of the 'a's.
    const std::string kept = longAddress.substr(0, 128);
    EXPECT_EQ(requests[0].target, kept.substr(server.Url().size()) + "/rest/api/2/project");
    EXPECT_EQ(kept.back(), 'a');

    // A trailing '/' of the address is not doubled.
    CJIRAProjects slash;
    PointAt(slash, base, folder);
    ASSERT_EQ(slash.Execute(), 1);
    EXPECT_EQ(server.Requests().back().target, "/rest/api/2/project");
}

TEST(RequestExchange, StatusAddressReachedAndPortAreReadAfterRedirections) {
    CHttpTestServer server([](const CHttpTestRequest& request) {
        if (request.target == "/rest/api/2/issuetype") return CHttpTestReply{302, "", {{"Location", "/moved"}}};
        return CHttpTestReply{200, "[{\"id\":\"1\"}]"};
    });
    CTempFolder folder;
    CJIRAIssueTypes types;
    PointAt(types, server.Url(), folder);
    ASSERT_EQ(types.Execute(), 1);
    EXPECT_EQ(types.GetResponseCode(), 200);
    EXPECT_STREQ(types.GetEffectiveUrl(), (server.Url() + "/moved").c_str());
    EXPECT_EQ(types.GetPrimaryPort(), server.Port());
    EXPECT_EQ(ReadFileBytes(folder.File("jira-issuetypes.json")), "[{\"id\":\"1\"}]");
}

TEST(RequestExchange, ServerThatAcceptsAndNeverAnswersEndsInATimeOut) {
    int port = 0;
    const LoopbackSocket silent = ListenOnLoopback(&port);  // connections queue, nothing is ever read
    ASSERT_NE(silent, kNoSocket);
    CTempFolder folder;
    CJIRAProjects projects;
    PointAt(projects, "http://127.0.0.1:" + std::to_string(port), folder);
    projects.SetTimeLimits(10, 1);
    EXPECT_EQ(projects.Execute(), CManagementSystemAPI::kTimedOut);
    EXPECT_STREQ(projects.GetErrorText(), "Time-out: the server sent nothing for 1 s");
    EXPECT_EQ(projects.GetTransferCode(), CURLE_ABORTED_BY_CALLBACK);
    EXPECT_TRUE(projects.RequestWasSent());  // whether the server acted on it is unknown
    CloseSocket(silent);
}

TEST(RequestExchange, RedirectionLoopEndsAfterFiveRedirections) {
    CHttpTestServer server(CHttpTestReply{302, "", {{"Location", "/rest/api/2/project"}}});
    CTempFolder folder;
    CJIRAProjects projects;
    PointAt(projects, server.Url(), folder);
    EXPECT_EQ(projects.Execute(), 0);
    EXPECT_EQ(projects.GetTransferCode(), CURLE_TOO_MANY_REDIRECTS);
    EXPECT_STREQ(projects.GetErrorText(), curl_easy_strerror(CURLE_TOO_MANY_REDIRECTS));
    EXPECT_EQ(server.Requests().size(), 6u);
}

TEST(RequestExchange, ClosedPortFailsWithLibcurlsText) {
    CTempFolder folder;
    CJIRAProjects projects;
    PointAt(projects, ClosedServer(), folder);
    EXPECT_EQ(projects.Execute(), 0);
    EXPECT_STREQ(projects.GetErrorText(), curl_easy_strerror(CURLE_COULDNT_CONNECT));
    EXPECT_FALSE(projects.RequestWasSent());
}

TEST(RequestExchange, ResponseFileIsReplacedOnEveryExchangeAlsoAFailedOne) {
    CHttpTestServer good(CHttpTestReply{200, "[{\"id\":\"10000\"}]"});
    CHttpTestServer refusing(CHttpTestReply{401, "{\"errorMessages\":[\"denied\"]}"});
    CTempFolder folder;
    const std::string file = folder.File("jira-projects.json");

    CJIRAProjects first;
    PointAt(first, good.Url(), folder);
    ASSERT_EQ(first.Execute(), 1);
    EXPECT_STREQ(first.GetResponseFilePath(), file.c_str());
    EXPECT_EQ(ReadFileBytes(file), "[{\"id\":\"10000\"}]");

    CJIRAProjects refused;
    PointAt(refused, refusing.Url(), folder);
    EXPECT_EQ(refused.Execute(), -50);
    EXPECT_EQ(ReadFileBytes(file), "{\"errorMessages\":[\"denied\"]}");

    CJIRAProjects unreachable;
    PointAt(unreachable, ClosedServer(), folder);
    EXPECT_EQ(unreachable.Execute(), 0);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(ReadFileBytes(file), "");
}

TEST(RequestExchange, ExecuteOnAnObjectHoldingAHandleIsRefusedWithoutNetwork) {
    CHttpTestServer server(CHttpTestReply{200, "[]"});
    CTempFolder folder;
    CJIRAProjects projects;
    PointAt(projects, server.Url(), folder);
    ASSERT_EQ(projects.CreateHandle(), 1);
    EXPECT_EQ(projects.CreateHandle(), -7);
    EXPECT_EQ(projects.Execute(), -7);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(projects.ReleaseHandle(), 1);
    EXPECT_EQ(projects.Execute(), 1);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(RequestExchange, SecondBodyIsRefusedAndTheFirstIsSent) {
    CHttpTestServer server(CHttpTestReply{201, "{}"});
    CTempFolder folder;
    CJIRAComment comment;
    PointAt(comment, server.Url(), folder);
    ASSERT_EQ(comment.SetComment("QLO-2", "first"), 1);
    ASSERT_EQ(comment.CreateHandle(), 1);
    ASSERT_EQ(comment.SetUrl(), 1);
    ASSERT_EQ(comment.SetBody(), 1);
    ASSERT_EQ(comment.SetComment("QLO-2", "second"), 1);
    EXPECT_EQ(comment.SetBody(), -7);
    ASSERT_EQ(comment.Perform(), 1);
    ASSERT_EQ(comment.ReadResponseInfo(), 1);
    comment.ReleaseHandle();
    // The object has made its one exchange: a new one stops at its body.
    EXPECT_EQ(comment.Execute(), -7);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "{\"body\" : \"first\"}");
}

TEST(RequestExchange, StepsWithoutAHandleOrWithoutAnAddressOrFolder) {
    CJIRAIssues issues;
    EXPECT_EQ(issues.Prepare(), -8);
    EXPECT_EQ(issues.Perform(), -8);
    EXPECT_EQ(issues.ReadResponseInfo(), -8);
    EXPECT_EQ(issues.SetCredentials(), -8);
    EXPECT_EQ(issues.SetHeaders(), -8);
    EXPECT_EQ(issues.ReleaseHandle(), 1);

    // No working folder: the session requests have no cookie file, the
    // others no response file.
    EXPECT_EQ(issues.Execute(), -8);
    CJIRAIssueTypes types;
    ASSERT_EQ(types.SetServer(ClosedServer().c_str(), nullptr), 1);
    EXPECT_EQ(types.Execute(), -8);
    // No server address.
    CTempFolder folder;
    CJIRAProjects projects;
    ASSERT_EQ(projects.SetPath(folder.Str().c_str(), 0), 1);
    EXPECT_EQ(projects.Execute(), -1);
}

TEST(RequestExchange, BodiesLongerThan2048CharactersAreNeverSent) {
    CHttpTestServer server(CHttpTestReply{201, "{}"});
    CTempFolder folder;
    CJIRAComment tooLong;
    EXPECT_EQ(tooLong.SetComment("QLO-2", std::string(2049, 'x').c_str()), -5);

    // 1500 quotes fit as a text but not once escaped in the body.
    CJIRAComment escaped;
    PointAt(escaped, server.Url(), folder);
    ASSERT_EQ(escaped.SetComment("QLO-2", std::string(1500, '"').c_str()), 1);
    EXPECT_EQ(escaped.Execute(), -5);
    EXPECT_TRUE(server.Requests().empty());
}

TEST(RequestExchange, BasicAuthenticationSendsTheUserAndPassword) {
    CHttpTestServer server(CHttpTestReply{200, "[]"});
    CTempFolder folder;
    CJIRAIssueTypes types;
    PointAt(types, server.Url(), folder);
    ASSERT_EQ(types.SetUser("qlo", "s3:cret"), 1);
    ASSERT_EQ(types.UseBasicAuth(), 1);
    ASSERT_EQ(types.Execute(), 1);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].Header("Authorization"), "Basic cWxvOnMzOmNyZXQ=");

    // A colon cannot be part of a basic-authentication user.
    EXPECT_EQ(types.SetBasicCredential("q:lo", "x"), -1);
    EXPECT_EQ(types.SetBasicCredential(nullptr, "x"), -1);
}
}  // namespace
