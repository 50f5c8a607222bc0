// Built for Linux only: Schannel under Wine accepts an untrusted self-signed
// certificate, so only OpenSSL shows the refusal.
#include <gtest/gtest.h>

#include "pms/https_test_support.h"
#include "pms/jira_session.h"

namespace {
TEST(JiraOverHttps, SelfSignedCertificateIsRefusedWithoutItsCertificateFile) {
    const std::string url = HttpsServerUrl("localhost");
    ASSERT_FALSE(url.empty()) << "the HTTPS test server is started by ctest (fixture pms_tls)";
    CTempFolder folder;
    CJIRACheckAuth check;
    ASSERT_EQ(check.SetServer(url.c_str(), nullptr), 1);
    ASSERT_EQ(check.SetPath(folder.Str().c_str(), 0), 1);
    EXPECT_EQ(check.Execute(), 0);
    EXPECT_STREQ(check.GetErrorText(), curl_easy_strerror(CURLE_PEER_FAILED_VERIFICATION));
}
}  // namespace
