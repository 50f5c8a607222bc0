#include "qlorules/page_guard.h"

#include <gtest/gtest.h>

namespace {
const std::string kSecret(64, 'a');
const CPageGuard kGuard(kSecret, 8123);
const std::string kCookie = "other=1; qlo_key=" + kSecret;

CPageVerdict Get(const std::string& host, const std::string& key, const std::string& cookie = "",
                 const std::string& origin = "") {
    return kGuard.Check({"GET", host, origin, key, cookie});
}
}  // namespace

TEST(PageGuard, TheSecretInTheAddressSetsTheCookieThatLaterRequestsCarry) {
    const CPageVerdict opened = Get("127.0.0.1:8123", kSecret);
    EXPECT_TRUE(opened.allowed);
    EXPECT_TRUE(opened.setCookie);
    EXPECT_EQ(kGuard.CookieValue(), "qlo_key=" + kSecret + "; Path=/; HttpOnly; SameSite=Strict");
    const CPageVerdict later = Get("localhost:8123", "", kCookie);
    EXPECT_TRUE(later.allowed);
    EXPECT_FALSE(later.setCookie);
}

TEST(PageGuard, RefusesAMissingWrongOrPartialSecret) {
    EXPECT_FALSE(Get("127.0.0.1:8123", "").allowed);
    EXPECT_FALSE(Get("127.0.0.1:8123", std::string(64, 'b')).allowed);
    EXPECT_FALSE(Get("127.0.0.1:8123", kSecret.substr(0, 63)).allowed);
    EXPECT_FALSE(Get("127.0.0.1:8123", kSecret + "a").allowed);
    EXPECT_FALSE(Get("127.0.0.1:8123", "", "qlo_key=" + std::string(64, 'b')).allowed);
    EXPECT_FALSE(Get("127.0.0.1:8123", "", "xqlo_key=" + kSecret).allowed);
    // A guard without a secret lets nobody in, not even an empty key.
    EXPECT_FALSE(CPageGuard("", 8123).Check({"GET", "127.0.0.1:8123", "", "", "qlo_key="}).allowed);
}

TEST(PageGuard, RefusesOtherHostsAndOriginsEvenWithTheSecret) {
    for (const char* host : {"", "evil.example:8123", "127.0.0.1:8124", "127.0.0.1", "localhost.evil.example:8123",
                             "[::1]:8123", "127.0.0.1:8123.evil.example"})
        EXPECT_FALSE(Get(host, kSecret).allowed) << host;
    for (const char* origin :
         {"http://evil.example", "null", "https://127.0.0.1:8123", "http://localhost:8123", "http://127.0.0.1:8124"})
        EXPECT_FALSE(Get("127.0.0.1:8123", "", kCookie, origin).allowed) << origin;
    EXPECT_TRUE(Get("LOCALHOST:8123", "", kCookie, "http://localhost:8123").allowed);
}

TEST(PageGuard, ChangesComeOnlyAsPostsOfThePageItself) {
    EXPECT_TRUE(kGuard.Check({"POST", "127.0.0.1:8123", "http://127.0.0.1:8123", "", kCookie}).allowed);
    // A post without an Origin header is no request of the page's script.
    EXPECT_FALSE(kGuard.Check({"POST", "127.0.0.1:8123", "", "", kCookie}).allowed);
    EXPECT_FALSE(kGuard.Check({"POST", "127.0.0.1:8123", "http://127.0.0.1:8123", "", ""}).allowed);
    for (const char* method : {"PUT", "DELETE", "PATCH", "OPTIONS", "TRACE"})
        EXPECT_FALSE(kGuard.Check({method, "127.0.0.1:8123", "http://127.0.0.1:8123", "", kCookie}).allowed) << method;
}

TEST(PageGuard, EachSecretIsNewAndHex) {
    const std::string first = MakePageSecret(), second = MakePageSecret();
    EXPECT_EQ(first.size(), 64u);
    EXPECT_EQ(first.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(first, second);
}
