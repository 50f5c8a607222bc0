// check: one message per cause, and the password in none of them nor in any
// file left in the connector's folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "qlopms/pms_tool_test_fixture.h"
#include "support/loopback_socket.h"

namespace {
class QlopmsCheck : public PmsToolTest {
protected:
    // Runs check and returns its exit status; the password must not appear
    // in what it printed or left behind.
    int Check(CPmsRun run) {
        const int status = RunCheck(run);
        for (const std::string& text : {Output(), Errors()})
            EXPECT_EQ(text.find(run.password), std::string::npos) << text;
        if (!std::filesystem::exists(run.settings.workFolder)) return status;
        for (const auto& file : std::filesystem::directory_iterator(run.settings.workFolder))
            EXPECT_EQ(ReadFileBytes(file.path().string()).find(run.password), std::string::npos) << file.path();
        return status;
    }
};

TEST_F(QlopmsCheck, SaysWhetherTheSessionWorksAndElseWhyNot) {
    EXPECT_EQ(Check(MakeRun()), 0);
    EXPECT_EQ(Output(), "the session works: logged in to " + m_jira.Url() + " as qlo\n");

    EXPECT_EQ(Check(MakeRun(m_jira.Url(), "Wr0ng pa55word")), 1);
    EXPECT_EQ(Errors(), "qlopms: check: bad credentials: " + m_jira.Url() +
                            " refused the user \"qlo\" with this password (status 401)\n");

    const std::string closed = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    EXPECT_EQ(Check(MakeRun(closed)), 1);
    EXPECT_EQ(Errors().rfind("qlopms: check: cannot reach " + closed + " (", 0), 0u) << Errors();

    int port = 0;
    const LoopbackSocket silent = ListenOnLoopback(&port);
    ASSERT_NE(silent, kNoSocket);
    const std::string url = "http://127.0.0.1:" + std::to_string(port);
    CPmsRun slow = MakeRun(url);
    slow.settings.stallLimit = 1;
    EXPECT_EQ(Check(slow), 1);
    EXPECT_EQ(Errors(), "qlopms: check: the login: " + url +
                            " did not answer in time (Time-out: the server sent nothing for 1 s)\n");
    CloseSocket(silent);
}
}  // namespace
