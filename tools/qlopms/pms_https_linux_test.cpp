// Built for Linux only: Schannel under Wine accepts an untrusted self-signed
// certificate, so only OpenSSL shows the refusal. The server is the tests'
// HTTPS server (tests/support/tls_test_server.sh), which answers the session
// address to a GET.
#include <gtest/gtest.h>

#include "pms/https_test_support.h"
#include "pms/jira_session.h"
#include "qlopms/jira_connection.h"
#include "qlopms/pms_tool_test_fixture.h"

namespace {
class QlopmsHttps : public PmsToolTest {};

TEST_F(QlopmsHttps, CertificateOfAPrivateAuthorityIsRefusedWithoutItsFileAndAcceptedWithIt) {
    const std::string url = HttpsServerUrl("localhost");
    ASSERT_FALSE(url.empty()) << "the HTTPS test server is started by ctest (fixture pms_tls)";
    CPmsRun untrusted = MakeRun(url);
    EXPECT_EQ(RunCheck(untrusted), 1);
    EXPECT_EQ(Errors().rfind("qlopms: check: the certificate of " + url + " is not trusted (", 0), 0u) << Errors();
    EXPECT_NE(Errors().find("--ca-file FILE"), std::string::npos);

    CPmsRun trusted = MakeRun(url);
    trusted.settings.caFile = kServerCertificate;
    CJiraConnection connection(trusted.settings, trusted.password);
    CJIRACheckAuth session;
    EXPECT_EQ(connection.Run(session, "the session check"), 1) << connection.Failure();
    EXPECT_EQ(ReadFileBytes(session.GetResponseFilePath()), ServedSession());
}
}  // namespace
