#include <gtest/gtest.h>

#include "pms/https_test_support.h"
#include "pms/jira_session.h"

namespace {
TEST(JiraOverHttps, ServerOfAPrivateAuthorityIsReachedWithItsCertificateFile) {
    const std::string url = HttpsServerUrl("localhost");
    ASSERT_FALSE(url.empty()) << "the HTTPS test server is started by ctest (fixture pms_tls)";
    CTempFolder folder;
    CJIRACheckAuth check;
    ASSERT_EQ(check.SetServer(url.c_str(), nullptr), 1);
    ASSERT_EQ(check.SetCaFile(kServerCertificate), 1);
    ASSERT_EQ(check.SetPath(folder.Str().c_str(), 0), 1);
    ASSERT_EQ(check.Execute(), 1) << check.GetErrorText();
    EXPECT_EQ(ReadFileBytes(folder.File("jira-authinfo.json")), ServedSession());
}

TEST(JiraOverHttps, CertificateForAnotherHostNameIsRefused) {
    // The certificate names "localhost", not the address 127.0.0.1.
    const std::string url = HttpsServerUrl("127.0.0.1");
    ASSERT_FALSE(url.empty()) << "the HTTPS test server is started by ctest (fixture pms_tls)";
    CTempFolder folder;
    CJIRACheckAuth check;
    ASSERT_EQ(check.SetServer(url.c_str(), nullptr), 1);
    ASSERT_EQ(check.SetCaFile(kServerCertificate), 1);
    ASSERT_EQ(check.SetPath(folder.Str().c_str(), 0), 1);
    EXPECT_EQ(check.Execute(), 0);
    EXPECT_STRNE(check.GetErrorText(), "");
}
}  // namespace
