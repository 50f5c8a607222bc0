// Built for Linux only: the rights of a file are its POSIX mode there (on
// Windows the user's application-data folder keeps other users out).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "pms/jira_session.h"
#include "support/http_test_server.h"
#include "support/temp_folder.h"

namespace {
mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

TEST(JiraSessionLinux, CookieFileIsReadableByItsOwnerOnly) {
    CHttpTestServer server(CHttpTestReply{200, "{}", {{"Set-Cookie", "JSESSIONID=abc123; Path=/"}}});
    CTempFolder folder;
    const std::string cookies = folder.File("jac.txt");
    for (bool existedBefore : {false, true}) {
        if (existedBefore) {
            std::ofstream(cookies) << "# Netscape HTTP Cookie File\n";
            ASSERT_EQ(chmod(cookies.c_str(), 0644), 0);
        }
        CJIRAAuthorization login;
        ASSERT_EQ(login.SetServer(server.Url().c_str(), nullptr), 1);
        ASSERT_EQ(login.SetPath(folder.Str().c_str(), 0), 1);
        ASSERT_EQ(login.SetUser("qlo", "secret"), 1);
        ASSERT_EQ(login.Execute(), 1);
        EXPECT_NE(ReadFileBytes(cookies).find("abc123"), std::string::npos);
        EXPECT_EQ(ModeOf(cookies), 0600u) << "existed before: " << existedBefore;
    }
}
}  // namespace
