#include "pms/jira_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/text.h"
#include "pms/jira_operations.h"
#include "support/http_test_server.h"
#include "support/temp_folder.h"

namespace {
constexpr char kIssues[] = "{\"startAt\":0,\"maxResults\":50,\"total\":0,\"issues\":[]}";

// A JIRA server that opens a session for user "qlo" with password "secret"
// and answers the session requests only with the session's cookie.
CHttpTestReply Jira(const CHttpTestRequest& request) {
    const bool inSession = request.Header("Cookie").find("JSESSIONID=abc123") != std::string::npos;
    if (request.method == "POST" && request.target == "/rest/auth/1/session") {
        const nlohmann::json login = nlohmann::json::parse(request.body, nullptr, false);
        if (login == nlohmann::json{{"username", "qlo"}, {"password", "secret"}})
            return {200, "{\"session\":{\"name\":\"JSESSIONID\"}}", {{"Set-Cookie", "JSESSIONID=abc123; Path=/"}}};
        return {401, "{\"errorMessages\":[\"Login failed\"]}"};
    }
    if (!inSession) return {401, "{\"errorMessages\":[\"You are not authenticated.\"]}"};
    if (request.target == "/rest/api/2/search") return {200, kIssues};
    if (request.target == "/rest/auth/1/session") return {200, "{\"name\":\"qlo\"}"};
    if (request.target == "/rest/api/2/project") return {200, "[]"};
    return {404, ""};
}

// Creates folders with the standard library and remembers the requests, in
// place of the system's folder service for the test's lifetime.
class CRecordingFolders : public CFolderService {
public:
    CRecordingFolders() : m_previous(SetFolders(this)) {}
    ~CRecordingFolders() override { SetFolders(m_previous); }

    int GetAppDataFolder(char*, unsigned) override { return 0; }
    unsigned GetLongPathName(const char*, char*, unsigned) override { return 0; }
    int CreateDirectory(const char* path) override {
        created.push_back(path);
        std::error_code error;
        std::filesystem::create_directory(path, error);
        return error ? 0 : 1;
    }

    std::vector<std::string> created;

private:
    CFolderService* m_previous;
};

template <typename Request>
void PointAt(Request& request, const CHttpTestServer& server, const std::string& folder) {
    ASSERT_EQ(request.SetServer(server.Url().c_str(), nullptr), 1);
    ASSERT_EQ(request.SetPath(folder.c_str(), 0), 1);
    ASSERT_EQ(request.SetUser("qlo", "secret"), 1);
}

TEST(JiraSession, LoginWritesTheCookieThatTheLaterSessionRequestsSend) {
    CHttpTestServer server(Jira);
    CTempFolder temp;
    CRecordingFolders folders;
    // The working folder does not exist yet: the login creates it.
    const std::string folder = temp.File("jira");

    CJIRAAuthorization login;
    PointAt(login, server, folder);
    ASSERT_EQ(login.Execute(), 1);
    EXPECT_NE(ReadFileBytes(temp.File("jira/jac.txt")).find("abc123"), std::string::npos);

    CJIRAIssues issues;
    PointAt(issues, server, folder);
    ASSERT_EQ(issues.Execute(), 1) << issues.GetErrorText();
    EXPECT_EQ(ReadFileBytes(temp.File("jira/jira-issues.json")), kIssues);

    CJIRACheckAuth check;
    PointAt(check, server, folder);
    ASSERT_EQ(check.Execute(), 1);
    EXPECT_EQ(ReadFileBytes(temp.File("jira/jira-authinfo.json")), "{\"name\":\"qlo\"}");

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].body, "{\"username\":\"qlo\",\"password\":\"secret\"}");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/json");
    EXPECT_EQ(requests[2].method, "GET");
    // Before the cookie file and before each response file.
    EXPECT_EQ(folders.created, std::vector<std::string>(5, folder));
}

TEST(JiraSession, CookieOfALoginUnderAnotherHostNameGoesWithEveryRequestOfTheSession) {
    CHttpTestServer server(Jira);
    CTempFolder folder;
    auto named = [&](CJIRAAPI& request) {
        PointAt(request, server, folder.Str());
        ASSERT_EQ(request.SetServer(server.Url().c_str(), "jira.example.test"), 1);
    };
    CJIRAAuthorization login;
    named(login);
    ASSERT_EQ(login.Execute(), 1);
    CJIRAProjects projects;
    named(projects);
    EXPECT_EQ(projects.Execute(), 1) << projects.GetErrorText();
    CJIRACheckAuth check;
    named(check);
    EXPECT_EQ(check.Execute(), 1);
    for (const auto& request : server.Requests())
        EXPECT_EQ(request.Header("Host"), "jira.example.test") << request.target;
}

TEST(JiraSession, RefusedRequestsGive50AndTheHostsMessage) {
    CHttpTestServer server(Jira);
    CTempFolder folder;

    CJIRAAuthorization login;
    PointAt(login, server, folder.Str());
    ASSERT_EQ(login.SetUser("qlo", "wrong"), 1);
    EXPECT_EQ(login.Execute(), -50);
    EXPECT_EQ(login.GetResponseCode(), 401);
    EXPECT_STREQ(login.GetErrorText(), "Host has not accepted request");

    // Without a session the search is refused as well.
    CJIRAIssues issues;
    PointAt(issues, server, folder.Str());
    EXPECT_EQ(issues.Execute(), -50);
    EXPECT_STREQ(issues.GetErrorText(), "Host has not accepted request");
}

TEST(JiraSession, CredentialsArriveIntactWhateverTheyHold) {
    CHttpTestServer server(CHttpTestReply{200, "{}"});
    CTempFolder folder;
    const std::string user = "o'brien \"admin\"";
    const std::string password = "pa\"ss\\wo\",\"admin\":\"true\nrd";
    CJIRAAuthorization login;
    PointAt(login, server, folder.Str());
    ASSERT_EQ(login.SetUser(user.c_str(), password.c_str()), 1);
    ASSERT_EQ(login.Execute(), 1);

    // A non-ASCII password in this system's narrow text arrives as UTF-8.
    char narrow[16];
    ASSERT_GT(Utf8ToAnsi("caf\xC3\xA9", narrow, sizeof(narrow)), 0);
    CJIRAAuthorization accented;
    PointAt(accented, server, folder.Str());
    ASSERT_EQ(accented.SetUser("qlo", narrow), 1);
    ASSERT_EQ(accented.Execute(), 1);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const nlohmann::json first = nlohmann::json::parse(requests[0].body, nullptr, false);
    EXPECT_EQ(first, (nlohmann::json{{"username", user}, {"password", password}}));
    const nlohmann::json second = nlohmann::json::parse(requests[1].body, nullptr, false);
    EXPECT_EQ(second, (nlohmann::json{{"username", "qlo"}, {"password", "caf\xC3\xA9"}}));
}

TEST(JiraSession, CredentialsAndCookiePathThatDoNotFitAreRefusedNotCut) {
    CJIRAAuthorization login;
    EXPECT_EQ(login.SetUser(nullptr, "x"), -1);
    EXPECT_EQ(login.SetUser("", "x"), -1);
    EXPECT_EQ(login.SetUser(std::string(129, 'u').c_str(), "x"), -5);
    EXPECT_EQ(login.SetUser("qlo", std::string(129, 'p').c_str()), -5);
    EXPECT_EQ(login.SetUser(std::string(128, 'u').c_str(), std::string(128, 'p').c_str()), 1);
    EXPECT_EQ(login.SetUser("qlo", nullptr), 1);

    CHttpTestServer server(CHttpTestReply{200, "{}"});
    CTempFolder temp;
    const std::string deep = temp.File(std::string(300, 'd'));
    CJIRAAuthorization farAway;
    PointAt(farAway, server, deep);
    EXPECT_EQ(farAway.Execute(), -5);
    EXPECT_TRUE(server.Requests().empty());
}
}  // namespace
